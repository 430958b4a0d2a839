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

TEST(Listing, IdsAndFilterTextComeInGrowingBatchesInTheSelectionsOrder) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    std::vector<int> added;
    for (int i = 0; i < 300; ++i)
        added.push_back(builder
                            .add({.title = "T" + std::to_string(1000 + i),
                                  .group = "G",
                                  .package = "P",
                                  .fileName = "F" + std::to_string(i) + ".mp3",
                                  .comment = i % 2 ? "Odd" : ""})
                            .itemId);
    Selection selection;
    selection.sortCode = -6;
    std::vector<size_t> batches;
    std::vector<int> ids;
    std::vector<std::string> folded;
    const std::atomic<bool> stop{false};
    const size_t listed =
        RunListing(catalogue.connection, selection, stop, [&](ListedKeys&& batch) {
            batches.push_back(batch.size());
            ASSERT_EQ(batch.foldedEnds.size(), batch.size());
            for (size_t at = 0; at < batch.size(); ++at) {
                ids.push_back(batch.itemIds[at]);
                folded.emplace_back(batch.Folded(at));
            }
        });
    EXPECT_EQ(listed, 300u);
    EXPECT_EQ(batches, (std::vector<size_t>{kListingBatch, 4 * kListingBatch, 50}));
    ASSERT_EQ(ids.size(), 300u);
    EXPECT_EQ(ids.front(), added.back());
    EXPECT_EQ(ids.back(), added.front());
    // Title, group, package, file name, comment: the filter box's fields, folded.
    EXPECT_EQ(folded.front(), std::string("t1299\0g\0p\0f299.mp3\0odd\0", 23));
    EXPECT_EQ(folded.back(), std::string("t1000\0g\0p\0f0.mp3\0\0", 18));
}

TEST(Listing, ShownColumnsAreReadForTheItemsAskedForInTheirOrder) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    const int first = builder
                          .add({.title = "First",
                                .group = "G",
                                .package = "P",
                                .genreId = 17,
                                .fileName = "first.mp3",
                                .length = 119,
                                .publishTime = "2003",
                                .comment = "c"})
                          .itemId;
    const int second = builder.add({.title = "Second"}).itemId;
    const std::vector<int> asked{second, first + second + 100, first};
    const std::vector<ListedItem> items = ReadListedItems(catalogue.connection, asked);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].itemId, second);
    EXPECT_EQ(items[0].title, "Second");
    // An item the catalogue does not hold keeps its place, with its id alone.
    EXPECT_EQ(items[1].itemId, first + second + 100);
    EXPECT_EQ(items[1].title, "");
    const ListedItem& item = items[2];
    EXPECT_EQ(item.itemId, first);
    EXPECT_EQ(item.title, "First");
    EXPECT_EQ(item.length, 119);
    EXPECT_EQ(item.group, "G");
    EXPECT_EQ(item.package, "P");
    EXPECT_EQ(item.genre, "Rock");
    EXPECT_EQ(item.publishTime, "2003");
    EXPECT_EQ(item.comment, "c");
    EXPECT_EQ(item.fileName, "first.mp3");
    EXPECT_TRUE(ReadListedItems(catalogue.connection, {}).empty());
}

TEST(Listing, AStopEndsTheRunAndAFailureKeepsTheRowsListedBefore) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    for (int i = 0; i < 3; ++i)
        builder.add({});
    const std::atomic<bool> stopped{true};
    size_t handed = 0;
    EXPECT_EQ(RunListing(catalogue.connection, Selection{}, stopped,
                         [&](ListedKeys&& batch) { handed += batch.size(); }),
              0u);
    EXPECT_EQ(handed, 0u);

    Selection broken;
    broken.condition = "no_such_column=1";
    const std::atomic<bool> running{false};
    EXPECT_THROW(RunListing(catalogue.connection, broken, running, [&](ListedKeys&&) {}),
                 CatalogueError);
}

} // namespace
} // namespace tunebay
