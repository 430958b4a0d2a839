#include "output/statistics.h"

#include "browse/length_text.h"
#include "tools/text_rules.h"

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
    }
    void text(std::string_view text) { m_text.append(text); }
    std::string& result() { return m_text; }

    std::string count(const std::string& sql) {
        return std::to_string(m_connection.Execute(sql).GetInt64(0));
    }
    std::string count(Selection selection, std::string columns) {
        selection.columns = std::move(columns);
        selection.sortCode = 0;
        return std::to_string(RunSelection(m_connection, selection).GetInt64(0));
    }
    ResultSet value(const std::string& sql) { return m_connection.Execute(sql); }
    ResultSet value(Selection selection, std::string columns) {
        selection.columns = std::move(columns);
        selection.sortCode = 0;
        return RunSelection(m_connection, selection);
    }

private:
    CCatalogueConnection& m_connection;
    std::string m_text;
};

std::string lengthSum(const ResultSet& rows) {
    return LengthText(rows.IsEof() ? 0 : rows.GetInt64(0));
}

std::string sizeSum(const ResultSet& rows) {
    return FormatThousands(rows.IsEof() ? 0.0 : rows.GetDouble(0));
}

void allItems(Report& report) {
    report.text("ALL items...\r\n");
    report.line("MediaItems \t",
                report.count("SELECT COUNT(lID) FROM tblMedia") + " (" +
                    report.count("SELECT COUNT(lID) FROM tblMedia WHERE sName<>'Unknown'") + ")");
    report.line("Groups \t\t",
                report.count("SELECT COUNT(lID) FROM tblGroup") + " (" +
                    report.count("SELECT COUNT(lID) FROM tblGroup WHERE sName<>'Unknown'") + ")");
    report.line("Packages \t", report.count("SELECT COUNT(lID) FROM tblPackage") + " (" +
                                   report.count("SELECT COUNT(lID) FROM tblPackage WHERE "
                                                "sName<>'Unknown'") +
                                   ")");
    {
        const ResultSet rows = report.value("SELECT AVG(lLength) FROM tblMedia");
        report.line("AvgLength \t", rows.IsEof() || rows.IsNull(0)
                                        ? kNoAverage
                                        : LengthText(std::llround(rows.GetDouble(0))));
    }
    report.line("SumLength \t", lengthSum(report.value("SELECT SUM(lLength) FROM tblMedia")));
    {
        const ResultSet rows = report.value("SELECT AVG(fSize) FROM tblMedia");
        report.line("AvgMediaSize \t", rows.IsEof() || rows.IsNull(0)
                                           ? kNoAverage
                                           : FormatThousands(rows.GetDouble(0)));
    }
    report.line("SumMediaSize \t", sizeSum(report.value("SELECT SUM(fSize) FROM tblMedia")));
    report.line("Directories \t", report.count("SELECT COUNT(lID) FROM tblDirectory"));
    report.line("Genres \t\t", report.count("SELECT COUNT(lID) FROM tblGenre") + " (" +
                                   report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lGenreID "
                                                "FROM tblMedia WHERE tblMedia.lGenreID <> 255 "
                                                "GROUP BY tblMedia.lGenreID)") +
                                   ")");
    report.line("MediaTypes \t", report.count("SELECT COUNT(*) FROM (SELECT tblMedia.lMediaType "
                                              "FROM tblMedia GROUP BY tblMedia.lMediaType)"));
}

void selectedItems(Report& report, const Selection* selection) {
    report.text("\r\nSELECTED items...\r\n");
    if (!selection) {
        report.text("Failed! Cannot query information!\r\n");
        return;
    }
    Selection named = *selection;
    // In parentheses: a list of items is a chain of OR terms, which the added term would
    // otherwise join only to the last of them.
    named.condition = selection->condition.empty()
                          ? "tblMedia.sName<>'Unknown'"
                          : "(" + selection->condition + ") AND tblMedia.sName<>'Unknown'";
    report.line("MediaItems \t", report.count(*selection, "SELECT COUNT(tblMedia.lID)") + " (" +
                                     report.count(named, "SELECT COUNT(tblMedia.lID)") + ")");
    report.line("SumLength \t",
                lengthSum(report.value(*selection, "SELECT SUM(tblMedia.lLength)")));
    report.line("SumMediaSize \t", sizeSum(report.value(*selection, "SELECT SUM(tblMedia.fSize)")));
}

void database(Report& report, CCatalogueConnection& connection) {
    report.text("\r\nDATABASE...\r\n");
    const ResultSet version = report.value("SELECT sValue FROM tblDBInfo WHERE sID='DBVERSION'");
    report.line("DatabaseVersion \t", version.IsEof() ? std::string() : version.GetText(0));
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(connection.Path(), error);
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
        selectedItems(report, selection);
        database(report, connection);
        report.text("\r\n\r\n * values in () are used/not unknown");
    } catch (const std::exception&) {
        report.text("\r\n[Unknown error occurred!]");
        result.complete = false;
    }
    result.text = std::move(report.result());
    return result;
}

} // namespace tunebay
