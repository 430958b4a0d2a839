#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Whole-text case mapping, code point by code point (Unicode simple case mapping). Bytes that
// are not valid UTF-8 pass through unchanged.
std::string ToLowerText(std::string_view text);
std::string ToUpperText(std::string_view text);

// Folds only the ASCII letters A-Z, as the catalogue's name comparisons do.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// The text with only A-Z folded to a-z: one key for every spelling of a catalogue name.
std::string AsciiFoldedText(std::string_view text);

} // namespace tunebay
