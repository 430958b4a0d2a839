#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// A one-statement function that transforms a property's text:
//   Replace("old", "new");   Insert(position, "text");   Delete(position, count);
// A position or count is a number or END, optionally END - n; positions count code points from 0.
// Returns whether `functionText` is a valid function. When `checkOnly` is false and `value` is
// not null, the statement is also applied to `value`; an invalid function never changes it.
bool ApplyFieldFunction(std::string* value, std::string_view functionText, bool checkOnly);

// Where a function text stops being valid: the character (counted from 1) and what was expected
// there, for example "at character 14: ')' expected". Empty for a valid function.
std::string FieldFunctionFault(std::string_view functionText);

} // namespace tunebay
