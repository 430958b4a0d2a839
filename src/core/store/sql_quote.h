#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// The only way text values enter SQL: the empty text becomes NULL (unquoted); any other text is
// enclosed in single quotes with every single quote doubled. NUL characters cannot travel inside
// a statement and are left out.
std::string SqlQuote(std::string_view text);

// A double written as "%f" writes it: six decimals, a point as the decimal separator, whatever
// the process locale.
std::string SqlDouble(double value);

} // namespace tunebay
