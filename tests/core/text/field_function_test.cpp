#include "text/field_function.h"
#include "text/field_function_generator.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

constexpr const char* kSample = "This is a preview!";

// The value after applying `function`, or "<invalid>" when the function does not parse.
std::string Applied(std::string_view function, std::string value = kSample) {
    const std::string before = value;
    if (!ApplyFieldFunction(&value, function, false)) {
        EXPECT_EQ(value, before) << "an invalid function changed the value";
        return "<invalid>";
    }
    return value;
}

bool Valid(std::string_view function) {
    return ApplyFieldFunction(nullptr, function, true);
}

TEST(FieldFunction, WorkedExamples) {
    EXPECT_EQ(Applied("Replace(\"is\", \"at\");"), "That at a preview!");
    EXPECT_EQ(Applied("Insert(END - 1, \" again\");"), "This is a preview again!");
    EXPECT_EQ(Applied("Delete(0, 5);"), "is a preview!");
    EXPECT_EQ(Applied("Delete(END - 1, END);"), "This is a preview");
}

TEST(FieldFunction, WhiteSpaceAndTerminator) {
    EXPECT_FALSE(Valid("Replace(\"a\", \"b\")"));
    EXPECT_TRUE(Valid(" \t\r\nReplace \n( \"a\" \t, \"b\" ) ;\n \t"));
    EXPECT_FALSE(Valid("Replace(\"a\", \"b\"); x"));
    EXPECT_FALSE(Valid("Replace(\"a\", \"b\");;"));
    EXPECT_FALSE(Valid(""));
    EXPECT_FALSE(Valid(" \t "));
}

TEST(FieldFunction, KeywordsAreCaseSensitive) {
    EXPECT_FALSE(Valid("replace(\"a\", \"b\");"));
    EXPECT_FALSE(Valid("INSERT(0, \"a\");"));
    EXPECT_FALSE(Valid("Remove(0, 1);"));
}

TEST(FieldFunction, PositionsAndCounts) {
    EXPECT_FALSE(Valid("Delete(-1, 2);"));
    EXPECT_EQ(Applied("Delete(+1, 2);", "abcdef"), "adef");
    EXPECT_EQ(Applied("Delete(+ 1, 2);", "abcdef"), "adef");
    EXPECT_EQ(Applied("Insert(3 apples, \"X\");", "abcdef"), "abcXdef");
    EXPECT_EQ(Applied("Insert(END - 20, \"X\");", "abcde"), "Xabcde");
    EXPECT_EQ(Applied("Insert(99, \"X\");", "abc"), "abcX");
    EXPECT_EQ(Applied("Insert(END, \"X\");", "abc"), "abcX");
    EXPECT_EQ(Applied("Delete(END, 5);", "abc"), "abc");
    EXPECT_EQ(Applied("Delete(1, END - 2);", "abcdef"), "af");
    EXPECT_EQ(Applied("Delete(4, END - 6);", "abcdef"), "abcdef");
    EXPECT_EQ(Applied("Delete(4, END - 9);", "abcdef"), "abcdef");
    EXPECT_EQ(Applied("Delete(1, 99999999999999999999999);", "abcdef"), "a");
    EXPECT_EQ(Applied("Delete(0, 2 and more);", "abcdef"), "cdef");
    EXPECT_FALSE(Valid("Delete(END -, 1);"));
    EXPECT_FALSE(Valid("Delete(END x, 1);"));
    EXPECT_FALSE(Valid("Delete(0, END x);"));
    EXPECT_FALSE(Valid("Delete(, 1);"));
    EXPECT_FALSE(Valid("Insert(1 \"x\");"));
}

TEST(FieldFunction, QuotedTexts) {
    EXPECT_EQ(Applied("Replace(\"\"\"\", \"'\");", "say \"hi\""), "say 'hi'");
    EXPECT_EQ(Applied("Insert(0, \"\"\"\");", "x"), "\"x");
    EXPECT_EQ(Applied("Replace(\"\", \"x\");", "abc"), "abc");
    EXPECT_EQ(Applied("Replace(\"aa\", \"a\");", "aaaa"), "aa");
    EXPECT_FALSE(Valid("Replace(\"abc, \"x\");"));
    EXPECT_FALSE(Valid("Replace(abc, \"x\");"));

    const std::string longest(99, 'q');
    EXPECT_TRUE(Valid("Insert(0, \"" + longest + "\");"));
    EXPECT_FALSE(Valid("Insert(0, \"" + longest + "q\");"));
    // 98 letters and one doubled quote still make 99 characters.
    EXPECT_TRUE(Valid("Insert(0, \"" + std::string(98, 'q') + "\"\"\");"));
}

TEST(FieldFunction, LengthLimit) {
    const std::string head = "Insert(0, \"x\");";
    EXPECT_TRUE(Valid(head + std::string(255 - head.size(), ' ')));
    EXPECT_FALSE(Valid(head + std::string(256 - head.size(), ' ')));
}

TEST(FieldFunction, CountsCodePoints) {
    EXPECT_EQ(Applied("Insert(2, \"-\");", "\xC3\xA9t\xC3\xA9"), "\xC3\xA9t-\xC3\xA9");
    EXPECT_EQ(Applied("Delete(END - 1, 1);", "caf\xC3\xA9"), "caf");
    EXPECT_EQ(Applied("Replace(\"\xE2\x82\xAC\", \"EUR\");", "5 \xE2\x82\xAC"), "5 EUR");
    // 99 two-byte letters fit in a quoted text and in the function.
    std::string accents;
    for (int i = 0; i < 99; ++i)
        accents += "\xC3\xA9";
    EXPECT_TRUE(Valid("Insert(0, \"" + accents + "\");"));
    // A byte that is not UTF-8 counts as one character and comes back unchanged.
    EXPECT_EQ(Applied("Delete(1, 1);", "a\xE9"
                                       "b\xE9"),
              "ab\xE9");
}

TEST(FieldFunction, CheckOnlyAndMissingValueLeaveValuesAlone) {
    std::string value = "abc";
    EXPECT_TRUE(ApplyFieldFunction(&value, "Delete(0, 1);", true));
    EXPECT_EQ(value, "abc");
    EXPECT_TRUE(ApplyFieldFunction(nullptr, "Delete(END - 10, END);", false));
}

TEST(FunctionGenerator, BuildsFunctionTexts) {
    EXPECT_EQ(BuildFieldFunctionText(FieldFunctionStatement::Replace, "is", "at"),
              "Replace(\"is\", \"at\");");
    EXPECT_EQ(BuildFieldFunctionText(FieldFunctionStatement::Insert, "END - 4", "say \"x\""),
              "Insert(END - 4, \"say \"\"x\"\"\");");
    EXPECT_EQ(BuildFieldFunctionText(FieldFunctionStatement::Delete, "0", "4"), "Delete(0, 4);");
}

TEST(FunctionGenerator, SuggestionsPerStatement) {
    const auto replace = SuggestFieldFunctionArguments(FieldFunctionStatement::Replace);
    EXPECT_EQ(replace.first, std::vector<std::string>{"word1"});
    EXPECT_EQ(replace.second, std::vector<std::string>{"word2"});
    const auto insert = SuggestFieldFunctionArguments(FieldFunctionStatement::Insert);
    EXPECT_EQ(insert.first, (std::vector<std::string>{"0", "END", "END - 4"}));
    EXPECT_EQ(insert.second, std::vector<std::string>{"word"});
    const auto remove = SuggestFieldFunctionArguments(FieldFunctionStatement::Delete);
    EXPECT_EQ(remove.first, insert.first);
    EXPECT_EQ(remove.second, std::vector<std::string>{"4"});
    EXPECT_EQ(FieldFunctionStatementName(kFieldFunctionStatements[0]), "Replace");
}

TEST(FunctionGenerator, PreviewsOnTheSample) {
    const FieldFunctionPreview good =
        PreviewFieldFunction(FieldFunctionStatement::Insert, "END - 1", " again");
    EXPECT_TRUE(good.valid);
    EXPECT_EQ(good.functionText, "Insert(END - 1, \" again\");");
    EXPECT_EQ(good.previewLine, "\"This is a preview!\" -> \"This is a preview again!\"");

    // A quote typed into an argument is doubled, so it is found as one quote.
    const FieldFunctionPreview quoted =
        PreviewFieldFunction(FieldFunctionStatement::Replace, "!", "\"");
    EXPECT_EQ(quoted.previewLine, "\"This is a preview!\" -> \"This is a preview\"\"");

    const FieldFunctionPreview bad =
        PreviewFieldFunction(FieldFunctionStatement::Delete, "-1", "4");
    EXPECT_FALSE(bad.valid);
    EXPECT_EQ(bad.functionText, "");
    EXPECT_EQ(bad.previewLine,
              "\"This is a preview!\" -> !!!ERROR!!! at character 8: a number or END expected");

    // The reader's wording reaches the sample, the error mark, the position and the expectation;
    // the character that fills a pattern stays as it is.
    const TextLookup marked = [](const char* text) { return "<" + std::string(text) + ">"; };
    EXPECT_EQ(PreviewFieldFunction(FieldFunctionStatement::Delete, "-1", "4", marked).previewLine,
              "\"<This is a preview!>\" -> <!!!ERROR!!! <at character 8: <a number or END "
              "expected>>>");
    EXPECT_EQ(FieldFunctionFault("Replace(\"a\", \"b\";", marked),
              "<at character 17: <')' expected>>");
}

TEST(FieldFunction, FaultNamesTheCharacterWhereParsingStops) {
    const std::pair<std::string, std::string> cases[] = {
        {"Replace(\"a\", \"b\";", "at character 17: ')' expected"},
        {"Replace(\"a\" \"b\");", "at character 13: ',' expected"},
        {"Replace(a, \"b\");", "at character 9: a quoted text expected"},
        {"Replace(\"a\", \"b);", "at character 18: the closing '\"' expected"},
        {"Replace(\"a\", \"b\")", "at character 18: ';' expected"},
        {"Replace(\"a\", \"b\"); x", "at character 20: nothing expected after ';'"},
        {"Replace \"a\", \"b\");", "at character 9: '(' expected"},
        {"replace(\"a\", \"b\");", "at character 1: Replace, Insert or Delete expected"},
        {"  ", "at character 3: Replace, Insert or Delete expected"},
        {"Insert(END + 1, \"x\");", "at character 12: '-' or ',' expected"},
        {"Insert(2 \"x\");", "at character 15: ',' expected"},
        {"Delete(0, END - x);", "at character 17: a number expected"},
        // Positions count characters, not bytes.
        {"Replace(\"\u00e9\u00e9\", \"b\";", "at character 18: ')' expected"},
        {"Replace(\"" + std::string(100, 'a') + "\", \"b\");",
         "at character 109: a quoted text of at most 99 characters expected"},
        {"Delete(0, 1);" + std::string(243, ' '),
         "at character 256: the end expected: a function has at most 255 characters"},
        {"Delete(0, 1);", ""},
    };
    for (const auto& [function, fault] : cases) {
        EXPECT_EQ(FieldFunctionFault(function), fault) << function;
        EXPECT_EQ(Valid(function), fault.empty()) << function;
    }
}

} // namespace
} // namespace tunebay
