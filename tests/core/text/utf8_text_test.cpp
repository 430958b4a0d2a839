#include "text/utf8_text.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(Utf8Text, DecodesWellFormedText) {
    EXPECT_EQ(DecodeUtf8("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"), U"A\u00E9\u20AC\U0001F3B5");
    EXPECT_EQ(EncodeUtf8(U"A\u00E9\u20AC\U0001F3B5"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5");
    EXPECT_EQ(CodePointLength("\xC3\x89"
                              "cole"),
              5u);
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC"));
}

TEST(Utf8Text, EscapesEveryInvalidByteSeparately) {
    // A Latin-1 name, a truncated sequence, a stray continuation byte, an encoded surrogate
    // and an overlong slash.
    const std::string invalid = "Caf\xE9 \xE2\x82 x\x80 \xED\xA0\x80 \xC0\xAF";
    EXPECT_FALSE(IsValidUtf8(invalid));
    const std::u32string decoded = DecodeUtf8(invalid);
    EXPECT_EQ(decoded.substr(0, 4), (std::u32string{U'C', U'a', U'f', 0xDCE9}));
    EXPECT_EQ(decoded.substr(5, 2), (std::u32string{0xDCE2, 0xDC82}));
    EXPECT_EQ(CodePointLength(invalid), invalid.size());
    for (const char32_t c : decoded)
        EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF && !IsEscapedByte(c));
    EXPECT_EQ(EncodeUtf8(decoded), invalid);
}

TEST(Utf8Text, CaseMappingIsPerCodePointAndSparesEscapes) {
    EXPECT_EQ(UpperCaseCodePoint(U'\u00E9'), U'\u00C9');
    EXPECT_EQ(LowerCaseCodePoint(U'\u0130'), U'i'); // simple mapping: no combining dot
    EXPECT_EQ(UpperCaseCodePoint(U'\u00DF'), U'\u00DF');
    EXPECT_EQ(UpperCaseCodePoint(kEscapedByteBase + 0xE9), kEscapedByteBase + 0xE9);
}

TEST(Utf8Text, EncodingNeverWritesInvalidUtf8ForStrayCodePoints) {
    EXPECT_EQ(EncodeUtf8(std::u32string(1, char32_t{0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(std::u32string(1, char32_t{0x110000})), "\xEF\xBF\xBD");
}

TEST(Utf8Text, ReplaceAllDoesNotRescanInsertedText) {
    std::u32string text = U"aaaa";
    ReplaceAll(text, U"aa", U"a");
    EXPECT_EQ(text, U"aa");
    text = U"abc";
    ReplaceAll(text, U"", U"x");
    EXPECT_EQ(text, U"abc");
    text = U"b";
    ReplaceAll(text, U"b", U"bb");
    EXPECT_EQ(text, U"bb");
}

} // namespace
} // namespace tunebay
