#include "store/sql_quote.h"

#include <cmath>
#include <cstdio>

namespace tunebay {

std::string SqlQuote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('\'');
    for (const char c : text) {
        if (c == '\0')
            continue;
        if (c == '\'')
            quoted.push_back('\'');
        quoted.push_back(c);
    }
    if (quoted.size() == 1)
        return "NULL";
    quoted.push_back('\'');
    return quoted;
}

std::string SqlDouble(double value) {
    // snprintf follows LC_NUMERIC; the catalogue always wants a point.
    if (!std::isfinite(value))
        return "NULL";
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    for (char* p = buffer; *p; ++p)
        if (*p == ',')
            *p = '.';
    return buffer;
}

} // namespace tunebay
