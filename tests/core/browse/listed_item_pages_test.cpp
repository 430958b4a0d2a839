#include "browse/listed_item_pages.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

std::vector<ListedItem> page(int firstId, int count) {
    std::vector<ListedItem> items(static_cast<size_t>(count));
    for (int at = 0; at < count; ++at)
        items[static_cast<size_t>(at)].itemId = firstId + at;
    return items;
}

TEST(ListedItemPages, ARowIsFoundOnlyWhileItsPageHoldsThatItemThere) {
    ListedItemPages pages;
    const int rows = ListedItemPages::kPageRows;
    pages.Keep(1, page(1000, 10)); // rows kPageRows .. kPageRows + 9, still filling
    ASSERT_NE(pages.Find(rows + 3, 1003), nullptr);
    EXPECT_EQ(pages.Find(rows + 3, 1003)->itemId, 1003);
    EXPECT_EQ(pages.Find(rows + 3, 2003), nullptr);  // another item moved up into the row
    EXPECT_EQ(pages.Find(rows + 10, 1010), nullptr); // not read yet
    EXPECT_EQ(pages.Find(3, 1003), nullptr);         // another page
    EXPECT_EQ(pages.Find(-1, 1000), nullptr);
}

TEST(ListedItemPages, ThePageLeastRecentlyLookedAtGoesFirst) {
    ListedItemPages pages;
    const int rows = ListedItemPages::kPageRows;
    const int kept = static_cast<int>(ListedItemPages::kPagesKept);
    for (int p = 0; p < kept; ++p)
        pages.Keep(p, page(p * rows, rows));
    ASSERT_NE(pages.Find(0, 0), nullptr); // page 0 looked at again: page 1 is now the oldest
    pages.Keep(kept, page(kept * rows, rows));
    EXPECT_NE(pages.Find(0, 0), nullptr);
    EXPECT_EQ(pages.Find(rows, rows), nullptr);
    EXPECT_NE(pages.Find(2 * rows, 2 * rows), nullptr);
    EXPECT_NE(pages.Find(kept * rows, kept * rows), nullptr);
}

} // namespace
} // namespace tunebay
