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
    explicit Report(CCatalogueConnection& connection) : m_connection(connection) {}

    void line(std::string_view label, const std::string& value) {
        m_text.append(label).append(value).append("\r\n");
        if (!m_sections.empty())
            m_sections.back().lines.emplace_back(
                std::string(label.substr(0, label.find_first_of(" \t"))), value);
    }
    void text(std::string_view text) { m_text.append(text); }
    // Starts a part of the report: a heading "NAME..." after `before`.
    void section(std::string_view before, std::string_view name) {
        m_text.append(before).append(name).append("...\r\n");
        m_sections.push_back({std::string(name), {}});
    }
    std::string& result() { return m_text; }
    std::vector<StatisticsSection>& sections() { return m_sections; }

    ResultSet query(const std::string& sql) { return m_connection.Execute(sql); }
    std::string count(const std::string& sql) { return std::to_string(query(sql).GetInt64(0)); }

private:
    CCatalogueConnection& m_connection;
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
    report.section("", "ALL items");
    const ResultSet media =
        report.query("SELECT COUNT(lID), COUNT(CASE WHEN sName<>'Unknown' THEN 1 END), "
                     "AVG(lLength), SUM(lLength), AVG(fSize), SUM(fSize) FROM tblMedia");
    report.line("MediaItems \t", countText(media, 0) + " (" + countText(media, 1) + ")");
    report.line("Groups \t\t",
                report.count("SELECT COUNT(lID) FROM tblGroup") + " (" +
                    report.count("SELECT COUNT(lID) FROM tblGroup WHERE sName<>'Unknown'") + ")");
    report.line("Packages \t", report.count("SELECT COUNT(lID) FROM tblPackage") + " (" +
                                   report.count("SELECT COUNT(lID) FROM tblPackage WHERE "
                                                "sName<>'Unknown'") +
                                   ")");
    report.line("AvgLength \t", lengthAverage(media, 2));
    report.line("SumLength \t", lengthSum(media, 3));
    report.line("AvgMediaSize \t", sizeAverage(media, 4));
    report.line("SumMediaSize \t", sizeSum(media, 5));
    report.line("Directories \t", report.count("SELECT COUNT(lID) FROM tblDirectory"));
    report.line("Genres \t\t", report.count("SELECT COUNT(lID) FROM tblGenre") + " (" +
                                   report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lGenreID "
                                                "FROM tblMedia WHERE tblMedia.lGenreID <> 255 "
                                                "GROUP BY tblMedia.lGenreID)") +
                                   ")");
    report.line("MediaTypes \t", report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lMediaType "
                                              "FROM tblMedia GROUP BY tblMedia.lMediaType)"));
}

void selectedItems(Report& report, CCatalogueConnection& connection, const Selection* selection) {
    report.section("\r\n", "SELECTED items");
    if (!selection) {
        report.text("Failed! Cannot query information!\r\n");
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
    report.line("MediaItems \t", countText(rows, 0) + " (" + countText(rows, 1) + ")");
    report.line("SumLength \t", lengthSum(rows, 2));
    report.line("SumMediaSize \t", sizeSum(rows, 3));
}

void database(Report& report, CCatalogueConnection& connection) {
    report.section("\r\n", "DATABASE");
    const ResultSet version = report.query("SELECT sValue FROM tblDBInfo WHERE sID='DBVERSION'");
    report.line("DatabaseVersion \t", version.IsEof() ? std::string() : version.GetText(0));
    std::error_code error;
    // A server catalogue's name is its address, never a file of the working folder.
    const std::filesystem::path path = IsServerCatalogueName(connection.Path())
                                           ? std::filesystem::path(connection.Path())
                                           : std::filesystem::absolute(connection.Path(), error);
    report.line("FileName \t\t", error ? connection.Path() : path.string());
    // The size is read from the directory entry: the file is never opened, so a catalogue that
    // another program holds still shows it.
    struct stat status {};
    if (::stat(connection.Path().c_str(), &status) == 0)
        report.line("FileSize \t\t", FormatThousands(static_cast<double>(status.st_size)));
}

} // namespace

StatisticsReport BuildStatisticsReport(CCatalogueConnection& connection,
                                       const Selection* selection) {
    Report report(connection);
    StatisticsReport result;
    try {
        allItems(report);
        selectedItems(report, connection, selection);
        database(report, connection);
        report.text("\r\n\r\n * values in () are used/not unknown");
    } catch (const std::exception&) {
        report.text("\r\n[Unknown error occurred!]");
        result.complete = false;
    }
    result.text = std::move(report.result());
    result.sections = std::move(report.sections());
    return result;
}

} // namespace tunebay
