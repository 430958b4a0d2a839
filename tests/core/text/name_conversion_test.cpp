#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(MakeFileNameSafe, ReplacesReservedCharacters) {
    std::string text = "\"a*b/c:d\\e|f<g>h?\" \xC3\xA9 ok.mp3";
    MakeFileNameSafe(text);
    EXPECT_EQ(text, "'a+b-c!d!e!f(g)h.' \xC3\xA9 ok.mp3");
}

TEST(EncodeUnixFileName, EscapesTheUtf8BytesOfNonAsciiText) {
    std::string text = "Caf\xC3\xA9 100% \xE2\x82\xAC\t~\x7F";
    EncodeUnixFileName(text);
    EXPECT_EQ(text, "Caf%C3%A9_100%_%E2%82%AC%09~%7F");

    std::string invalid = "a\xE9 b";
    EncodeUnixFileName(invalid);
    EXPECT_EQ(invalid, "a%E9_b");
}

TEST(EncodeHtmlCharRefs, WritesCodePointsWithAtLeastThreeDigits) {
    std::string text = "<a href=\"x\">Tom & Jerry's</a>";
    EncodeHtmlCharRefs(text);
    EXPECT_EQ(text, "&#060;a href=&#034;x&#034;&#062;Tom &#038; Jerry&#039;s&#060;/a&#062;");

    std::string accents = "\xC3\xA9\xE2\x82\xAC\n\xF0\x9F\x8E\xB5~";
    EncodeHtmlCharRefs(accents);
    EXPECT_EQ(accents, "&#233;&#8364;&#010;&#127925;~");
}

TEST(EncodeHtmlCharRefs, ReadsBytesThatAreNotUtf8AsLatin1) {
    std::string text = "Caf\xE9";
    EncodeHtmlCharRefs(text);
    EXPECT_EQ(text, "Caf&#233;");
}

TEST(FormatThousands, InsertsAtMostTwoSeparators) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1.000");
    EXPECT_EQ(FormatThousands(65535.4), "65.535");
    EXPECT_EQ(FormatThousands(1048576), "1.048.576");
    EXPECT_EQ(FormatThousands(1234567890), "1234.567.890");
    EXPECT_EQ(FormatThousands(-5000), "-5000");
}

} // namespace
} // namespace tunebay
