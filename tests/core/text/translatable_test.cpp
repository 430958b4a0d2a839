// Marked patterns filled after they are worded: the texts land where the wording puts their
// marks, and nothing filled in is read as a mark.
#include "text/translatable.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(Translatable, TextsAreFilledWhereTheirMarksStand) {
    struct Row {
        const char* pattern;
        std::string_view first, second;
        const char* filled;
    };
    const Row rows[] = {
        {"Replace '%1' in '%2'?", "Old", "a.mp3", "Replace 'Old' in 'a.mp3'?"},
        {"In '%2' '%1' ersetzen?", "Old", "a.mp3", "In 'a.mp3' 'Old' ersetzen?"},
        {"%1 and %1", "x", "y", "x and x"},
        // A filled text that holds marks or percent signs stays as it is.
        {"'%1' in '%2'", "%2", "100%", "'%2' in '100%'"},
        // Marks without a text, a lone percent sign and "%0" stay.
        {"%1 of %3, %0, 50% %", "one", "two", "one of %3, %0, 50% %"},
        {"similarity of %1% as", "87", "", "similarity of 87% as"},
        {"", "x", "y", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FillTexts(row.pattern, {row.first, row.second}), row.filled) << row.pattern;
}

} // namespace
} // namespace tunebay
