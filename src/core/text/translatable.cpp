#include "text/translatable.h"

namespace tunebay {

std::string Worded(const TextLookup& lookup, const char* text) {
    return lookup ? lookup(text) : std::string(text);
}

std::string FillNumbers(std::string format, std::initializer_list<long long> numbers) {
    std::size_t from = 0;
    for (const long long number : numbers) {
        const std::size_t at = format.find("%d", from);
        if (at == std::string::npos)
            break;
        const std::string digits = std::to_string(number);
        format.replace(at, 2, digits);
        from = at + digits.size();
    }
    return format;
}

std::string FillTexts(std::string_view pattern, std::initializer_list<std::string_view> texts) {
    std::string filled;
    filled.reserve(pattern.size());
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const bool mark = pattern[at] == '%' && at + 1 < pattern.size() && pattern[at + 1] >= '1' &&
                          pattern[at + 1] <= '9';
        const std::size_t index = mark ? static_cast<std::size_t>(pattern[at + 1] - '1') : 0;
        if (!mark || index >= texts.size()) {
            filled += pattern[at];
            continue;
        }
        filled += texts.begin()[index];
        ++at;
    }
    return filled;
}

} // namespace tunebay
