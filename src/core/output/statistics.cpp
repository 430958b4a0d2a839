#include "output/statistics.h"

#include "browse/length_text.h"
#include "text/text_rules.h"

#include <sys/stat.h>

#include <cmath>
#include <exception>
#include <filesystem>

namespace tunebay {

namespace {

constexpr const char* kNoAverage = "-";

class Report {
public:
    Report(CCatalogueConnection& connection, const TextLookup& lookup)
        : m_connection(connection), m_lookup(lookup) {}

    // A line "LABEL" + `spacing` + `value`; the sections keep the label as marked.
    void line(const char* label, std::string_view spacing, const std::string& value) {
        m_text.append(Worded(m_lookup, label)).append(spacing).append(value).append("\r\n");
        if (!m_sections.empty())
            m_sections.back().lines.emplace_back(label, value);
    }
    // A marked text between `before` and `after`.
    void text(std::string_view before, const char* marked, std::string_view after = {}) {
        m_text.append(before).append(Worded(m_lookup, marked)).append(after);
    }
    // Starts a part of the report: a heading "NAME..." after `before`.
    void section(std::string_view before, const char* name) {
        text(before, name, "...\r\n");
        m_sections.push_back({name, {}});
    }
    std::string& result() { return m_text; }
    std::vector<StatisticsSection>& sections() { return m_sections; }

    ResultSet query(const std::string& sql) { return m_connection.Execute(sql); }
    std::string count(const std::string& sql) { return std::to_string(query(sql).GetInt64(0)); }

private:
    CCatalogueConnection& m_connection;
    const TextLookup& m_lookup;
    std::string m_text;
    std::vector<StatisticsSection> m_sections;
};

std::string countText(const ResultSet& rows, int column) {
    return std::to_string(rows.GetInt64(column));
}

// The sums of no rows are zero; an average of no rows has no value.
std::string lengthSum(const ResultSet& rows, int column) {
    return LengthText(rows.GetInt64(column));
}

std::string sizeSum(const ResultSet& rows, int column) {
    return FormatThousands(rows.GetDouble(column));
}

std::string lengthAverage(const ResultSet& rows, int column) {
    return rows.IsNull(column) ? kNoAverage : LengthText(std::llround(rows.GetDouble(column)));
}

std::string sizeAverage(const ResultSet& rows, int column) {
    return rows.IsNull(column) ? kNoAverage : FormatThousands(rows.GetDouble(column));
}

// The figures of a table are read in one pass over it (a million media rows take a noticeable
// time per pass); each value is the one its own statement would give, "not unknown" counting
// the rows whose name is not "Unknown".
void allItems(Report& report) {
    report.section("", TB_TRANSLATE_NOOP("Tunebay", "ALL items"));
    const ResultSet media =
        report.query("SELECT COUNT(lID), COUNT(CASE WHEN sName<>'Unknown' THEN 1 END), "
                     "AVG(lLength), SUM(lLength), AVG(fSize), SUM(fSize) FROM tblMedia");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "MediaItems"), " \t",
                countText(media, 0) + " (" + countText(media, 1) + ")");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "Groups"), " \t\t",
                report.count("SELECT COUNT(lID) FROM tblGroup") + " (" +
                    report.count("SELECT COUNT(lID) FROM tblGroup WHERE sName<>'Unknown'") + ")");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "Packages"), " \t",
                report.count("SELECT COUNT(lID) FROM tblPackage") + " (" +
                    report.count("SELECT COUNT(lID) FROM tblPackage WHERE "
                                 "sName<>'Unknown'") +
                    ")");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "AvgLength"), " \t", lengthAverage(media, 2));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "SumLength"), " \t", lengthSum(media, 3));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "AvgMediaSize"), " \t", sizeAverage(media, 4));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "SumMediaSize"), " \t", sizeSum(media, 5));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "Directories"), " \t",
                report.count("SELECT COUNT(lID) FROM tblDirectory"));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "Genres"), " \t\t",
                report.count("SELECT COUNT(lID) FROM tblGenre") + " (" +
                    report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lGenreID "
                                 "FROM tblMedia WHERE tblMedia.lGenreID <> 255 "
                                 "GROUP BY tblMedia.lGenreID)") +
                    ")");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "MediaTypes"), " \t",
                report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lMediaType "
                             "FROM tblMedia GROUP BY tblMedia.lMediaType)"));
}

void selectedItems(Report& report, CCatalogueConnection& connection, const Selection* selection) {
    report.section("\r\n", TB_TRANSLATE_NOOP("Tunebay", "SELECTED items"));
    if (!selection) {
        report.text("", TB_TRANSLATE_NOOP("Tunebay", "Failed! Cannot query information!"), "\r\n");
        return;
    }
    // One pass over the selected items. The "not unknown" count is taken inside the pass, so
    // that it covers exactly the selected items, also when their condition is a list of OR
    // terms.
    Selection figures = *selection;
    figures.columns = "SELECT COUNT(tblMedia.lID), COUNT(CASE WHEN tblMedia.sName<>'Unknown' "
                      "THEN 1 END), SUM(tblMedia.lLength), SUM(tblMedia.fSize)";
    figures.sortCode = 0;
    const ResultSet rows = RunSelection(connection, figures);
    report.line(TB_TRANSLATE_NOOP("Tunebay", "MediaItems"), " \t",
                countText(rows, 0) + " (" + countText(rows, 1) + ")");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "SumLength"), " \t", lengthSum(rows, 2));
    report.line(TB_TRANSLATE_NOOP("Tunebay", "SumMediaSize"), " \t", sizeSum(rows, 3));
}

void database(Report& report, CCatalogueConnection& connection) {
    report.section("\r\n", TB_TRANSLATE_NOOP("Tunebay", "DATABASE"));
    const ResultSet version = report.query("SELECT sValue FROM tblDBInfo WHERE sID='DBVERSION'");
    report.line(TB_TRANSLATE_NOOP("Tunebay", "DatabaseVersion"), " \t",
                version.IsEof() ? std::string() : version.GetText(0));
    std::error_code error;
    // A server catalogue's name is its address, never a file of the working folder.
    const std::filesystem::path path = IsServerCatalogueName(connection.Path())
                                           ? std::filesystem::path(connection.Path())
                                           : std::filesystem::absolute(connection.Path(), error);
    report.line(TB_TRANSLATE_NOOP("Tunebay", "FileName"), " \t\t",
                error ? connection.Path() : path.string());
    // The size is read from the directory entry: the file is never opened, so a catalogue that
    // another program holds still shows it.
    struct stat status {};
    if (::stat(connection.Path().c_str(), &status) == 0)
        report.line(TB_TRANSLATE_NOOP("Tunebay", "FileSize"), " \t\t",
                    FormatThousands(static_cast<double>(status.st_size)));
}

} // namespace

StatisticsReport BuildStatisticsReport(CCatalogueConnection& connection, const Selection* selection,
                                       const TextLookup& lookup) {
    Report report(connection, lookup);
    StatisticsReport result;
    try {
        allItems(report);
        selectedItems(report, connection, selection);
        database(report, connection);
        report.text("\r\n\r\n ",
                    TB_TRANSLATE_NOOP("Tunebay", "* values in () are used/not unknown"));
    } catch (const std::exception&) {
        report.text("\r\n", TB_TRANSLATE_NOOP("Tunebay", "[Unknown error occurred!]"));
        result.complete = false;
    }
    result.text = std::move(report.result());
    result.sections = std::move(report.sections());
    return result;
}

} // namespace tunebay
