#include "import/tag_text.h"

#include "text/utf8_text.h"

#include <array>

namespace tunebay {

namespace {

constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 at 0x80..0x9F; the five unassigned bytes keep their ISO-8859-1 reading.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromWindows1252(char32_t c) {
    return c >= 0x80 && c <= 0x9F ? kWindows1252High[c - 0x80] : c;
}

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string DecodeLatin1TagText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        AppendUtf8(text, fromWindows1252(static_cast<unsigned char>(byte)));
    return text;
}

std::string TagCodePointsToUtf8(std::u32string_view codePoints, bool latin1) {
    std::string text;
    text.reserve(codePoints.size());
    for (std::size_t i = 0; i < codePoints.size(); ++i) {
        char32_t c = codePoints[i];
        if (c == kByteOrderMark)
            continue;
        if (latin1) {
            c = fromWindows1252(c);
        } else if (isHighSurrogate(c) && i + 1 < codePoints.size() &&
                   isLowSurrogate(codePoints[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (codePoints[i + 1] - 0xDC00);
            ++i;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            // A lone half would otherwise pass for one of the escaped file-name bytes.
            c = kReplacement;
        }
        AppendUtf8(text, c);
    }
    return text;
}

} // namespace tunebay
