#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// The name that stands for a missing title, group or package.
inline constexpr std::string_view kUnknownName = "Unknown";

// The name an in-place edit stores: the text as typed, or "Unknown" for the empty text.
std::string EditedName(std::string_view text);

} // namespace tunebay
