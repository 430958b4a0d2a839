#include "text/text_case.h"

#include "text/utf8_text.h"

namespace tunebay {

namespace {

template <typename Map>
std::string mapText(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (size_t index = 0; index < text.size();)
        AppendUtf8(out, map(DecodeNextCodePoint(text, index)));
    return out;
}

} // namespace

std::string ToLowerText(std::string_view text) {
    return mapText(text, LowerCaseCodePoint);
}

std::string ToUpperText(std::string_view text) {
    return mapText(text, UpperCaseCodePoint);
}

std::string AsciiFoldedText(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
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
