#include "output/statistics_charts.h"

#include "import/audio_format.h"
#include "store/optional_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

namespace tunebay {

namespace {

// Lower case, so that it is not taken for the genre of that name.
constexpr const char* kOther = kChartOtherBar;
constexpr const char* kUnknown = kChartUnknownBar;

// The scope's items, each once, with the columns the charts group by.
std::string scopeQuery(const Selection* selection) {
    Selection scope = selection ? *selection : Selection();
    scope.columns = "SELECT DISTINCT tblItem.lID AS lItem, tblMedia.lID AS lMedia, tblGenre.sName "
                    "AS sGenre, tblMedia.sPublishTime AS sPublish, tblMedia.lMediaType AS lType, "
                    "tblMedia.lLength AS lLength, tblGroup.sName AS sGroup";
    scope.sortCode = 0;
    return "(" + SelectionStatement(scope) + ") scope";
}

// Bars of names with their values, largest first (ties by name); beyond the first
// kMaxNamedBars the rest become one "Other" bar.
std::vector<ChartBar> largestNamed(ResultSet rows) {
    std::vector<ChartBar> bars;
    for (; !rows.IsEof(); rows.MoveNext())
        bars.push_back({rows.GetText(0), rows.GetDouble(1)});
    std::stable_sort(bars.begin(), bars.end(), [](const ChartBar& a, const ChartBar& b) {
        return a.value != b.value ? a.value > b.value : a.label < b.label;
    });
    if (bars.size() > kMaxNamedBars) {
        double rest = 0;
        for (std::size_t i = kMaxNamedBars; i < bars.size(); ++i)
            rest += bars[i].value;
        bars.resize(kMaxNamedBars);
        bars.push_back({kOther, rest});
    }
    return bars;
}

std::vector<ChartBar> perYear(ResultSet rows) {
    std::map<std::string, double> years;
    double unknown = 0;
    for (; !rows.IsEof(); rows.MoveNext()) {
        const std::string year = PublishedYear(rows.GetText(0));
        (year.empty() ? unknown : years[year]) += rows.GetDouble(1);
    }
    std::vector<ChartBar> bars;
    for (const auto& [year, count] : years)
        bars.push_back({year, count});
    if (unknown > 0)
        bars.push_back({kUnknown, unknown});
    return bars;
}

std::vector<ChartBar> perBitrateBand(ResultSet rows) {
    static constexpr std::array<const char*, 5> kBands{"under 128", "128-191", "192-255", "256-319",
                                                       "320 and more"};
    static constexpr std::array<long long, 4> kBandStarts{128, 192, 256, 320};
    std::array<double, kBands.size()> counts{};
    double unknown = 0;
    for (; !rows.IsEof(); rows.MoveNext()) {
        const double count = rows.GetDouble(1);
        if (rows.IsNull(0) || rows.GetInt64(0) <= 0) {
            unknown += count;
            continue;
        }
        const auto band =
            std::upper_bound(kBandStarts.begin(), kBandStarts.end(), rows.GetInt64(0)) -
            kBandStarts.begin();
        counts[static_cast<std::size_t>(band)] += count;
    }
    std::vector<ChartBar> bars;
    for (std::size_t i = 0; i < kBands.size(); ++i)
        bars.push_back({kBands[i], counts[i]});
    if (unknown > 0)
        bars.push_back({kUnknown, unknown});
    return bars;
}

std::string mediaTypeName(long long type) {
    if (IsAudioMediaType(type))
        return std::string(AudioFormatName(AudioFormatOfMediaType(type)));
    return type == 0 ? std::string(kChartNotAudioBar) : "Type " + std::to_string(type);
}

std::vector<ChartBar> perMediaType(ResultSet rows) {
    std::vector<ChartBar> bars;
    for (; !rows.IsEof(); rows.MoveNext())
        bars.push_back({mediaTypeName(rows.GetInt64(0)), rows.GetDouble(1)});
    return bars;
}

} // namespace

std::string PublishedYear(std::string_view published) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < published.size(); ++i) {
        run = std::isdigit(static_cast<unsigned char>(published[i])) ? run + 1 : 0;
        if (run == 4)
            return std::string(published.substr(i - 3, 4));
    }
    return {};
}

std::vector<StatisticsChart> BuildStatisticsCharts(CCatalogueConnection& connection,
                                                   const Selection* selection) {
    const std::string scope = scopeQuery(selection);
    std::vector<StatisticsChart> charts;
    charts.push_back({TB_TRANSLATE_NOOP("Tunebay", "Items per genre"), ChartUnit::Items,
                      largestNamed(connection.Execute("SELECT scope.sGenre, COUNT(*) FROM " +
                                                      scope + " GROUP BY scope.sGenre"))});
    charts.push_back({TB_TRANSLATE_NOOP("Tunebay", "Items per year"), ChartUnit::Items,
                      perYear(connection.Execute("SELECT scope.sPublish, COUNT(*) FROM " + scope +
                                                 " GROUP BY scope.sPublish"))});
    charts.push_back({TB_TRANSLATE_NOOP("Tunebay", "Items per bit rate (kbit/s)"), ChartUnit::Items,
                      perBitrateBand(connection.Execute(
                          "SELECT tblOptional.lValue, COUNT(*) FROM " + scope +
                          " LEFT JOIN tblOptional ON tblOptional.lTableID=scope.lMedia AND "
                          "tblOptional.lOptionalTypeID=" +
                          std::to_string(kOptionalBitrate) + " GROUP BY tblOptional.lValue"))});
    charts.push_back(
        {TB_TRANSLATE_NOOP("Tunebay", "Items per media type"), ChartUnit::Items,
         perMediaType(connection.Execute("SELECT scope.lType, COUNT(*) FROM " + scope +
                                         " GROUP BY scope.lType ORDER BY scope.lType"))});
    charts.push_back(
        {TB_TRANSLATE_NOOP("Tunebay", "Total length per group"), ChartUnit::Seconds,
         largestNamed(connection.Execute("SELECT scope.sGroup, SUM(scope.lLength) FROM " + scope +
                                         " GROUP BY scope.sGroup"))});
    return charts;
}

} // namespace tunebay
