#include "tools/text_case.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tunebay {

namespace {

template <typename Map>
std::string mapText(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    int32_t pos = 0;
    while (pos < length) {
        const int32_t start = pos;
        UChar32 c;
        U8_NEXT(bytes, pos, length, c);
        if (c < 0) {
            out.append(text.substr(start, pos - start));
            continue;
        }
        const UChar32 mapped = map(c);
        char buffer[U8_MAX_LENGTH];
        int32_t written = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buffer), written, U8_MAX_LENGTH, mapped, error);
        if (error)
            out.append(text.substr(start, pos - start));
        else
            out.append(buffer, written);
    }
    return out;
}

} // namespace

std::string ToLowerText(std::string_view text) {
    return mapText(text, [](UChar32 c) { return u_tolower(c); });
}

std::string ToUpperText(std::string_view text) {
    return mapText(text, [](UChar32 c) { return u_toupper(c); });
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace tunebay
