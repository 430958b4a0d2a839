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

} // namespace tunebay
