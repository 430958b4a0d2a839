#include "browse/folded_list_text.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(FoldedListText, ItemsKeepTheirTextThroughRenamesAndRemovals) {
    FoldedListText text;
    const std::string first("a\0g\0\0f\0\0", 8);
    const std::string second("b\0h\0\0\0\0", 7);
    text.Append(first + second, std::vector<std::uint32_t>{8, 15});
    text.Append(std::string("c\0\0\0\0\0", 6), std::vector<std::uint32_t>{6});
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text.Text(1), second);
    text.ReplaceTitle(0, "New TITLE");
    EXPECT_EQ(text.Text(0), std::string("new title\0g\0\0f\0\0", 16));
    text.Remove({false, true});
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text.Text(0), std::string("new title\0g\0\0f\0\0", 16));
    EXPECT_EQ(text.Text(1), std::string("c\0\0\0\0\0", 6));
}

} // namespace
} // namespace tunebay
