// The list's filter box finds in memory exactly the items its SQL condition finds, alone and
// narrowing a search.
#include "browse/list_filter.h"
#include "browse/search_row.h"
#include "browse/selection.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tunebay {
namespace {

std::set<int> listedIds(CCatalogueConnection& connection, const ExplorerScope& scope,
                        const ListFilter* filter) {
    std::set<int> ids;
    const std::atomic<bool> stop{false};
    // The listing run's folded fields, as the list's model tests them.
    RunListing(connection, ScopeSelection(scope, 6), stop, [&](ListedKeys&& batch) {
        for (std::size_t at = 0; at < batch.size(); ++at)
            if (!filter || filter->MatchesFolded(batch.Folded(at)))
                ids.insert(batch.itemIds[at]);
    });
    return ids;
}

TEST(ListFilter, FindsInMemoryWhatItsConditionFinds) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    builder.add(
        {.title = "Sunny Day", .group = "The Band", .package = "Gold", .fileName = "01 sunny.mp3"});
    builder.add({.title = "Rain",
                 .group = "\xC3\x89"
                          "cole",
                 .package = "50% Off",
                 .fileName = "rain_2.mp3",
                 .comment = "live"});
    builder.add({.title = "Storm",
                 .group = "Other",
                 .package = "Unknown",
                 .fileName = "storm.ogg",
                 .comment = "100 percent"});
    builder.add({.title = "Calm", .group = "Duo", .package = "Unknown", .fileName = "calm.mp3"});

    const struct {
        const char* text;
        std::size_t found;
    } cases[] = {
        {"", 4},         {"sunny", 1},    {"SUN", 1},  {"the b", 1}, {"%", 1},
        {"_", 1},        {"50%", 1},      {".MP3", 3}, {"live", 1},  {"zzz", 0},
        {"\xC3\x89", 1}, {"\xC3\xA9", 0}, // é and É: not folded, as SQL's LIKE leaves them
        {"a", 3},        {"unknown", 2},  {"0", 3},
    };
    ExplorerScope scope; // the whole catalogue
    for (const auto& one : cases) {
        const ListFilter filter(one.text);
        ExplorerScope filtered = scope;
        filtered.filterCondition = filter.Condition();
        const std::set<int> bySql = listedIds(catalogue.connection, filtered, nullptr);
        EXPECT_EQ(listedIds(catalogue.connection, scope, &filter), bySql) << one.text;
        EXPECT_EQ(bySql.size(), one.found) << one.text;
    }

    // Narrowing a search: both conditions hold.
    ExplorerScope search;
    search.view = kExplorerSearch;
    search.searchCondition =
        BuildSearchCondition({"Title", "=", "a"}, "OR", {"Title", "=", "storm"}).sql;
    const ListFilter mp3("mp3");
    search.filterCondition = mp3.Condition();
    const std::set<int> both = listedIds(catalogue.connection, search, nullptr);
    EXPECT_EQ(both.size(), 3u); // Sunny Day, Rain, Calm; Storm is an Ogg file
    search.filterCondition.clear();
    EXPECT_EQ(listedIds(catalogue.connection, search, &mp3), both);
}

TEST(ListFilter, ALongerTextNarrowsTheShorter) {
    EXPECT_TRUE(ListFilter("Sun").Narrows(ListFilter("su")));
    EXPECT_TRUE(ListFilter("xsun").Narrows(ListFilter("SUN")));
    EXPECT_TRUE(ListFilter("a").Narrows(ListFilter("")));
    EXPECT_FALSE(ListFilter("su").Narrows(ListFilter("sun")));
    EXPECT_FALSE(ListFilter("sin").Narrows(ListFilter("sun")));
}

} // namespace
} // namespace tunebay
