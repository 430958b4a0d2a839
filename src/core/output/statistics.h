#pragma once

#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <string>
#include <utility>
#include <vector>

namespace tunebay {

inline constexpr const char* kStatisticCommandText = TB_TRANSLATE_NOOP("Tunebay", "&Statistic...");
inline constexpr const char* kStatisticCommandPrompt =
    TB_TRANSLATE_NOOP("Tunebay", "Show the current database statistic.");

// The statistics report: figures of the whole catalogue, of the selected items and of the
// catalogue file, with carriage return and line feed at each line end.
// One part of the report ("ALL items", "SELECTED items", "DATABASE") and its lines, each label
// (without the spacing after it) with its value as the text shows it.
struct StatisticsSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> lines;
};

struct StatisticsReport {
    std::string text;
    std::vector<StatisticsSection> sections;
    // False when a query failed: the text then ends with "\r\n[Unknown error occurred!]".
    bool complete = true;
};

// `selection` is the selection BuildSelection gave, or null when it refused one; its columns
// and sort code are not used. Aggregates over no rows read as zero for the sums ("00:00",
// "0") and as "-" for the averages, which have no value then. The text's labels and headings
// are worded by `lookup` (the sections keep them as marked, and so does the text without one).
StatisticsReport BuildStatisticsReport(CCatalogueConnection& connection, const Selection* selection,
                                       const TextLookup& lookup = {});

} // namespace tunebay
