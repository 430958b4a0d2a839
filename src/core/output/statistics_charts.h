#pragma once

#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <string>
#include <vector>

namespace tunebay {

// What a bar's value counts: items, or seconds of playing length.
enum class ChartUnit { Items, Seconds };

struct ChartBar {
    std::string label;
    double value = 0;
};

// One chart of the statistics: its title and its bars in the order they are drawn.
struct StatisticsChart {
    std::string title;
    ChartUnit unit = ChartUnit::Items;
    std::vector<ChartBar> bars;
};

// The bars that stand for no one name: the sum of the rest, no value, and files that are not audio.
inline constexpr const char* kChartOtherBar = TB_TRANSLATE_NOOP("Tunebay", "other");
inline constexpr const char* kChartUnknownBar = TB_TRANSLATE_NOOP("Tunebay", "Unknown");
inline constexpr const char* kChartNotAudioBar = TB_TRANSLATE_NOOP("Tunebay", "Not audio");

// The most bars a chart of names (genres, groups) shows; the rest are summed up in "other".
inline constexpr std::size_t kMaxNamedBars = 15;

// The charts of the statistics report over the items of `selection`, or of the whole catalogue
// when it is null: items per genre, per year of publishing, per bit rate band and per media type,
// and the total length per group. Throws CatalogueError.
std::vector<StatisticsChart> BuildStatisticsCharts(CCatalogueConnection& connection,
                                                   const Selection* selection);

// The year a published text names: its first four digits in a row, or "" when it has none.
std::string PublishedYear(std::string_view published);

} // namespace tunebay
