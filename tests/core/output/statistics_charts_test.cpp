#include "output/statistics_charts.h"

#include "store/optional_values.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

std::vector<std::pair<std::string, double>> bars(const StatisticsChart& chart) {
    std::vector<std::pair<std::string, double>> out;
    for (const ChartBar& bar : chart.bars)
        out.emplace_back(bar.label, bar.value);
    return out;
}

using Bars = std::vector<std::pair<std::string, double>>;

TEST(StatisticsCharts, PublishedYearIsTheFirstFourDigitsInARow) {
    const struct {
        const char* published;
        const char* year;
    } cases[] = {
        {"1999", "1999"}, {"1999-05-01", "1999"}, {"May 2003", "2003"}, {"'98", ""},
        {"", ""},         {"12/3/1987", "1987"},  {"20001", "2000"},    {"Live 77, 1978", "1978"}};
    for (const auto& c : cases)
        EXPECT_EQ(PublishedYear(c.published), c.year) << c.published;
}

// Seventeen groups of falling lengths, two genres, years in several spellings, bit rates at the
// edges of every band and three media types.
TEST(StatisticsCharts, ChartsOfACatalogueAndOfASelection) {
    test::TempCatalogue catalogue;
    CCatalogueConnection& connection = catalogue.connection;
    test::CatalogueBuilder builder(connection);
    const long long bitrates[] = {0, 127, 128, 191, 192, 255, 256, 319, 320, 1411};
    const char* published[] = {"1999", "1999-01-02", "May 2003", "", "unknown"};
    for (int i = 0; i < 17; ++i) {
        const test::AddedItem item =
            builder.add({.group = "Group " + std::string(1, static_cast<char>('A' + i)),
                         .genreId = i < 12 ? 17 : 13,
                         .length = 1000 - i * 10,
                         .publishTime = published[i % 5]});
        connection.Execute("UPDATE tblMedia SET lMediaType=" + std::to_string(i % 3 == 0 ? 2 : 1) +
                           " WHERE lID=" + std::to_string(item.mediaId));
        if (i < 10 && bitrates[i] != 0)
            AddOptionalValue(connection, {item.mediaId,
                                          kOptionalBitrate,
                                          kValueInteger,
                                          {},
                                          static_cast<int>(bitrates[i]),
                                          0.0});
    }
    connection.Execute(
        "UPDATE tblMedia SET lMediaType=0 WHERE lID=(SELECT MAX(lID) FROM tblMedia)");

    const std::vector<StatisticsChart> charts = BuildStatisticsCharts(connection, nullptr);
    ASSERT_EQ(charts.size(), 5u);
    const std::string genre17 =
        connection.Execute("SELECT sName FROM tblGenre WHERE lID=17").GetText(0);
    const std::string genre13 =
        connection.Execute("SELECT sName FROM tblGenre WHERE lID=13").GetText(0);
    EXPECT_EQ(bars(charts[0]), (Bars{{genre17, 12}, {genre13, 5}}));
    EXPECT_EQ(bars(charts[1]), (Bars{{"1999", 8}, {"2003", 3}, {"Unknown", 6}}));
    EXPECT_EQ(bars(charts[2]), (Bars{{"under 128", 1},
                                     {"128-191", 2},
                                     {"192-255", 2},
                                     {"256-319", 2},
                                     {"320 and more", 2},
                                     {"Unknown", 8}}));
    EXPECT_EQ(bars(charts[3]), (Bars{{"Not audio", 1}, {"MP3", 10}, {"FLAC", 6}}));
    EXPECT_EQ(charts[4].unit, ChartUnit::Seconds);
    ASSERT_EQ(charts[4].bars.size(), kMaxNamedBars + 1);
    EXPECT_EQ(bars(charts[4]).front(), (std::pair<std::string, double>{"Group A", 1000}));
    EXPECT_EQ(bars(charts[4]).back(), (std::pair<std::string, double>{"Other", 840 + 850}));

    // A selection narrows every chart to its items.
    Selection selection;
    selection.condition = "tblGroup.sName='Group B' OR tblGroup.sName='Group Q'";
    const std::vector<StatisticsChart> selected = BuildStatisticsCharts(connection, &selection);
    // Bars of equal value stand in the order of their names.
    const Bars genres =
        genre13 < genre17 ? Bars{{genre13, 1}, {genre17, 1}} : Bars{{genre17, 1}, {genre13, 1}};
    EXPECT_EQ(bars(selected[0]), genres);
    EXPECT_EQ(bars(selected[4]), (Bars{{"Group B", 990}, {"Group Q", 840}}));
}

} // namespace
} // namespace tunebay
