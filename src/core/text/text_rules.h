#pragma once

#include "text/capitalize_exceptions.h"
#include "text/translatable.h"

#include <array>
#include <string>

namespace tunebay {

// Values of the setting `ToolsCapitalizeType`, in the order of the drop-down list.
enum CapitalizeMode : int {
    kCapitalizeFirstLetters = 0,
    kCapitalizeAllUppercase = 1,
    kCapitalizeAllLowercase = 2,
};
inline constexpr std::array<const char*, 3> kCapitalizeModeLabels = {
    TB_TRANSLATE_NOOP("Tunebay", "First Letter Uppercase"),
    TB_TRANSLATE_NOOP("Tunebay", "ALL UPPERCASE"), TB_TRANSLATE_NOOP("Tunebay", "all lowercase")};

// The "2. Correct Names" rules. `full` adds the rules meant for titles: a trailing "!!s", a
// leading two-digit track number, a trailing "(n)" or "(nn)" counter and percent escapes.
void CorrectName(std::string& text, bool full);

// The "3. Capitalize Names" rules; `exceptions` is only used by the first-letters mode and may be
// null. An unknown mode leaves the text as it is.
void CapitalizeName(std::string& text, int mode, const CapitalizeExceptionList* exceptions);

// Replaces the characters that file systems or shells of other platforms refuse in a file name.
void MakeFileNameSafe(std::string& text);

// Spaces become underscores; control characters and every byte outside printable ASCII become
// "%XX" (upper-case hexadecimal).
void EncodeUnixFileName(std::string& text);

// Numeric character references for control characters, everything outside printable ASCII and
// the five characters that have a meaning of their own in HTML and XML.
void EncodeHtmlCharRefs(std::string& text);

// A whole number with full stops between thousands and millions ("1234.567.890").
std::string FormatThousands(double number);

} // namespace tunebay
