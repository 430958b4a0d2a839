#include "text/field_function_generator.h"

#include "text/field_function.h"

namespace tunebay {

namespace {

std::string DoubleQuotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out.push_back(c);
        if (c == '"')
            out.push_back('"');
    }
    return out;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

std::string_view FieldFunctionStatementName(FieldFunctionStatement statement) {
    switch (statement) {
    case FieldFunctionStatement::Replace:
        return TB_TRANSLATE_NOOP("Tunebay", "Replace");
    case FieldFunctionStatement::Insert:
        return TB_TRANSLATE_NOOP("Tunebay", "Insert");
    case FieldFunctionStatement::Delete:
        return TB_TRANSLATE_NOOP("Tunebay", "Delete");
    }
    return {};
}

FieldFunctionSuggestions SuggestFieldFunctionArguments(FieldFunctionStatement statement) {
    switch (statement) {
    case FieldFunctionStatement::Replace:
        return {{"word1"}, {"word2"}};
    case FieldFunctionStatement::Insert:
        return {{"0", "END", "END - 4"}, {"word"}};
    case FieldFunctionStatement::Delete:
        return {{"0", "END", "END - 4"}, {"4"}};
    }
    return {};
}

std::string BuildFieldFunctionText(FieldFunctionStatement statement, std::string_view first,
                                   std::string_view second) {
    const std::string a = DoubleQuotes(first);
    const std::string b = DoubleQuotes(second);
    std::string text(FieldFunctionStatementName(statement));
    switch (statement) {
    case FieldFunctionStatement::Replace:
        text += "(" + Quoted(a) + ", " + Quoted(b) + ");";
        break;
    case FieldFunctionStatement::Insert:
        text += "(" + a + ", " + Quoted(b) + ");";
        break;
    case FieldFunctionStatement::Delete:
        text += "(" + a + ", " + b + ");";
        break;
    }
    return text;
}

FieldFunctionPreview PreviewFieldFunction(FieldFunctionStatement statement, std::string_view first,
                                          std::string_view second, const TextLookup& wording) {
    FieldFunctionPreview preview;
    const std::string sample = Worded(wording, kFieldFunctionSample);
    const std::string functionText = BuildFieldFunctionText(statement, first, second);
    std::string result(sample);
    preview.valid = ApplyFieldFunction(&result, functionText, false);
    const std::string before = Quoted(sample) + " -> ";
    if (preview.valid) {
        preview.functionText = functionText;
        preview.previewLine = before + Quoted(result);
    } else {
        preview.previewLine = before + FillTexts(Worded(wording, kMessageFunctionPreviewFault),
                                                 {FieldFunctionFault(functionText, wording)});
    }
    return preview;
}

} // namespace tunebay
