#include "browse/item_list_columns.h"
#include "browse/item_listing.h"
#include "browse/length_text.h"
#include "browse/sort_order.h"
#include "store/catalogue_error.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(LengthText, MinutesAndSecondsWithTheHoursInFrontWhenThereAreAny) {
    EXPECT_EQ(LengthText(0), "00:00");
    EXPECT_EQ(LengthText(59), "00:59");
    EXPECT_EQ(LengthText(60), "01:00");
    EXPECT_EQ(LengthText(3599), "59:59");
    EXPECT_EQ(LengthText(3600), "0100:00");
    EXPECT_EQ(LengthText(3723), "0102:03");
    EXPECT_EQ(LengthText(100 * 3600 + 61), "10001:01");
    EXPECT_EQ(LengthText(-5), "00:00");
}

TEST(SortOrder, ColumnsMapToTheirCodes) {
    const int expected[] = {6, 7, 12, 5, 8, 9, 10};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(SortCodeForColumn(column), expected[column]) << column;
    EXPECT_EQ(SortCodeForColumn(7), 0);
    EXPECT_EQ(SortCodeForColumn(-1), 0);
    EXPECT_EQ(kItemListColumns[3].title, "Length");
    EXPECT_TRUE(kItemListColumns[3].rightAligned);
    EXPECT_EQ(kItemListColumns[6].width, 150);
}

TEST(SortOrder, TheSameColumnFlipsAnotherKeepsTheDirection) {
    int order = 7;
    order = NextItemOrder(order, 3); // Length
    EXPECT_EQ(order, 5);
    order = NextItemOrder(order, 3); // Length again
    EXPECT_EQ(order, -5);
    order = NextItemOrder(order, 0); // Title, still descending
    EXPECT_EQ(order, -6);
    order = NextItemOrder(order, 0);
    EXPECT_EQ(order, 6);
    EXPECT_EQ(NextItemOrder(0, 1), 7);
    EXPECT_EQ(NextItemOrder(-12, 42), -12); // no such column
    EXPECT_TRUE(IsItemSortCode(-12));
    EXPECT_FALSE(IsItemSortCode(11));
    EXPECT_FALSE(IsItemSortCode(0));
}

TEST(Listing, RowsComeInBatchesOfFiftyInTheSelectionsOrder) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    for (int i = 0; i < 120; ++i)
        builder.add({.title = "T" + std::to_string(1000 + i),
                     .group = "G",
                     .package = "P",
                     .genreId = 17,
                     .length = i,
                     .publishTime = "2003",
                     .comment = "c"});
    Selection selection;
    selection.sortCode = -6;
    std::vector<size_t> batches;
    std::vector<ListedItem> items;
    const std::atomic<bool> stop{false};
    const size_t listed =
        RunListing(catalogue.connection, selection, stop, [&](std::vector<ListedItem>&& batch) {
            batches.push_back(batch.size());
            for (auto& item : batch)
                items.push_back(std::move(item));
        });
    EXPECT_EQ(listed, 120u);
    EXPECT_EQ(batches, (std::vector<size_t>{50, 50, 20}));
    ASSERT_EQ(items.size(), 120u);
    EXPECT_EQ(items.front().title, "T1119");
    EXPECT_EQ(items.front().length, 119);
    EXPECT_EQ(items.front().group, "G");
    EXPECT_EQ(items.front().package, "P");
    EXPECT_EQ(items.front().genre, "Rock");
    EXPECT_EQ(items.front().publishTime, "2003");
    EXPECT_EQ(items.front().comment, "c");
    EXPECT_EQ(items.back().title, "T1000");
}

TEST(Listing, AStopEndsTheRunAndAFailureKeepsTheRowsListedBefore) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    for (int i = 0; i < 3; ++i)
        builder.add({});
    const std::atomic<bool> stopped{true};
    size_t handed = 0;
    EXPECT_EQ(RunListing(catalogue.connection, Selection{}, stopped,
                         [&](std::vector<ListedItem>&& batch) { handed += batch.size(); }),
              0u);
    EXPECT_EQ(handed, 0u);

    Selection broken;
    broken.condition = "no_such_column=1";
    const std::atomic<bool> running{false};
    EXPECT_THROW(
        RunListing(catalogue.connection, broken, running, [&](std::vector<ListedItem>&&) {}),
        CatalogueError);
}

} // namespace
} // namespace tunebay
