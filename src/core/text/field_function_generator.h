#pragma once

#include "text/translatable.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// What the Function Generator window shows; the window itself only renders these.
enum class FieldFunctionStatement { Replace, Insert, Delete };

inline constexpr std::array<FieldFunctionStatement, 3> kFieldFunctionStatements = {
    FieldFunctionStatement::Replace, FieldFunctionStatement::Insert,
    FieldFunctionStatement::Delete};
inline constexpr const char* kFieldFunctionSample =
    TB_TRANSLATE_NOOP("Tunebay", "This is a preview!");
// The preview of a function that is not valid; "%1" is why.
inline constexpr const char* kMessageFunctionPreviewFault =
    TB_TRANSLATE_NOOP("Tunebay", "!!!ERROR!!! %1");

// "Replace", "Insert" or "Delete": the list item and the keyword.
std::string_view FieldFunctionStatementName(FieldFunctionStatement statement);

struct FieldFunctionSuggestions {
    std::vector<std::string> first;
    std::vector<std::string> second;
};
FieldFunctionSuggestions SuggestFieldFunctionArguments(FieldFunctionStatement statement);

// Joins the statement and its two arguments into a function text, doubling double quotes in the
// arguments so that they survive quoting.
std::string BuildFieldFunctionText(FieldFunctionStatement statement, std::string_view first,
                                   std::string_view second);

struct FieldFunctionPreview {
    bool valid = false;       // "OK" is enabled only then
    std::string functionText; // empty when invalid
    // "\"This is a preview!\" -> \"...\"", or "... -> !!!ERROR!!! at character N: ... expected"
    std::string previewLine;
};
// The function of the statement and what it makes of kFieldFunctionSample, or why it is not
// valid, in the reader's `wording`.
FieldFunctionPreview PreviewFieldFunction(FieldFunctionStatement statement, std::string_view first,
                                          std::string_view second, const TextLookup& wording = {});

} // namespace tunebay
