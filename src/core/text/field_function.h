#pragma once

#include "text/translatable.h"

#include <string>
#include <string_view>

namespace tunebay {

// A one-statement function that transforms a property's text:
//   Replace("old", "new");   Insert(position, "text");   Delete(position, count);
// A position or count is a number or END, optionally END - n; positions count code points from 0.
// Returns whether `functionText` is a valid function. When `checkOnly` is false and `value` is
// not null, the statement is also applied to `value`; an invalid function never changes it.
bool ApplyFieldFunction(std::string* value, std::string_view functionText, bool checkOnly);

// Why a function text is not valid, as the reader's `wording` words it.
inline constexpr const char* kMessageFunctionFaultAt =
    TB_TRANSLATE_NOOP("Tunebay", "at character %1: %2");
inline constexpr const char* kMessageFunctionCharacterExpected =
    TB_TRANSLATE_NOOP("Tunebay", "'%1' expected");
inline constexpr const char* kMessageFunctionMinusOrCharacterExpected =
    TB_TRANSLATE_NOOP("Tunebay", "'-' or '%1' expected");
inline constexpr const char* kMessageFunctionQuotedExpected =
    TB_TRANSLATE_NOOP("Tunebay", "a quoted text expected");
inline constexpr const char* kMessageFunctionClosingQuoteExpected =
    TB_TRANSLATE_NOOP("Tunebay", "the closing '\"' expected");
inline constexpr const char* kMessageFunctionQuotedTooLong =
    TB_TRANSLATE_NOOP("Tunebay", "a quoted text of at most %1 characters expected");
inline constexpr const char* kMessageFunctionNumberExpected =
    TB_TRANSLATE_NOOP("Tunebay", "a number expected");
inline constexpr const char* kMessageFunctionNumberOrEndExpected =
    TB_TRANSLATE_NOOP("Tunebay", "a number or END expected");
inline constexpr const char* kMessageFunctionTooLong =
    TB_TRANSLATE_NOOP("Tunebay", "the end expected: a function has at most %1 characters");
inline constexpr const char* kMessageFunctionStatementExpected =
    TB_TRANSLATE_NOOP("Tunebay", "Replace, Insert or Delete expected");
inline constexpr const char* kMessageFunctionNothingAfterEnd =
    TB_TRANSLATE_NOOP("Tunebay", "nothing expected after ';'");

// Where a function text stops being valid: the character (counted from 1) and what was expected
// there, for example "at character 14: ')' expected", worded by `wording`. Empty for a valid
// function.
std::string FieldFunctionFault(std::string_view functionText, const TextLookup& wording = {});

} // namespace tunebay
