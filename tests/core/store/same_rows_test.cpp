// The statements the program issues give the same rows in the same order on a catalogue file
// and on a catalogue in a PostgreSQL database (the test run's private server), over rows made
// to catch the engines apart: names that differ in ASCII case only, accented names whose case
// SQLite does not fold, NULLs, ties under every order, file names that are not UTF-8.
#include "browse/folder_tree.h"
#include "browse/search_row.h"
#include "browse/selection.h"
#include "output/statistics_charts.h"
#include "store/catalogue_connection.h"
#include "store/classification.h"
#include "support/private_postgres.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::Engine;
using test::EngineCatalogue;

const std::vector<std::string> kAwkwardRows = {
    // groups are unique without ASCII case; "ärzte" is not "Ärzte" (only A-Z fold)
    "INSERT INTO tblGroup (sName) VALUES ('beatles')",
    "INSERT INTO tblGroup (sName) VALUES ('Abba')",
    "INSERT INTO tblGroup (sName) VALUES ('Ärzte')",
    "INSERT INTO tblGroup (sName) VALUES ('ärzte')",
    "INSERT INTO tblGroup (sName) VALUES ('zappa')",
    // packages are not unique by name
    "INSERT INTO tblPackage (sName) VALUES ('gold')",
    "INSERT INTO tblPackage (sName) VALUES (NULL)",
    "INSERT INTO tblPackage (sName) VALUES ('Gold')",
    "INSERT INTO tblPackage (sName) VALUES ('GOLD')",
    "INSERT INTO tblPackage (sName) VALUES ('Été')",
    "INSERT INTO tblDirectory (sLocal, sUNC) VALUES ('/music/', '//music/')",
    "INSERT INTO tblDirectory (sLocal, sUNC) VALUES ('/m\xE9sica/', NULL)",
    // media 1-10
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID, sComment, "
    "sPublishTime) VALUES ('Waterloo', 'w.mp3', 1, 170, 4000000, 13, 'Live', '1974')",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID, sComment) "
    "VALUES ('help!', 'h.mp3', 1, 140, 3000000.5, 17, 'live')",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize) VALUES "
    "(NULL, 'n.mp3', 1, 0, 0)",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID) VALUES "
    "('Help!', 'caf\xE9.mp3', 2, 140, 3000001, 17)",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID, "
    "sPublishTime) VALUES ('waterloo', 'w2.mp3', 2, 170, 4000000, 13, 'may 1974')",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID) VALUES "
    "('Émile', '\xFF\xFE.mp3', 2, 99, 10, 255)",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID, "
    "sPublishTime) VALUES ('émile', 'e.mp3', 1, 99, 10, 255, 'May 1974')",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize) VALUES "
    "(NULL, 'n2.mp3', 1, 0, 0)",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID) VALUES "
    "('HELP!', 'H.MP3', 1, 140, 5, 17)",
    "INSERT INTO tblMedia (sName, sFileName, lDirectoryID, lLength, fSize, lGenreID) VALUES "
    "('Zebra', 'z.mp3', 1, 1, 1, 13)",
    // items: several with the same group and title, ties under every sort order
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (1, 2, 1)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (2, 1, 3)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (3, 5, 2)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (4, 1, 4)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (5, 2, 3)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (6, 3, 5)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (7, 4, 5)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (8, 5, 2)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (9, 1, 1)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (10, 2, 4)",
    "INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (2, 1, 1)",
    // sizes, fingerprint ids that differ in case only, volume names, bit rates
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, fValue) VALUES (1, 4118, 4000000)",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, fValue) VALUES (5, 4118, 4000000)",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, fValue) VALUES (2, 4118, 7)",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (2, 4095, 'ab-cd')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (4, 4095, 'AB-CD')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (9, 4095, 'Ab-Cd')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (6, 4095, 'é-1')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (7, 4095, 'É-1')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (1, 4117, 'Disc')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (4, 4117, 'DISC')",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, lValue) VALUES (1, 4103, 192)",
    "INSERT INTO tblOptional (lTableID, lOptionalTypeID, lValue) VALUES (2, 4103, 128)",
};

// The item list's columns, with the item id so that ties show.
constexpr const char* kListColumns =
    "SELECT tblItem.lID, tblGroup.sName, tblPackage.sName, tblMedia.sName, tblMedia.sFileName";

class SameRows : public testing::Test {
protected:
    void SetUp() override {
        if (!server.unavailable().empty())
            GTEST_SKIP() << server.unavailable();
        for (const auto& statement : kAwkwardRows) {
            file.connection.Execute(statement);
            server.connection.Execute(statement);
        }
    }
    void expectSame(const std::string& sql) {
        const std::string expected = file.rows(sql);
        EXPECT_EQ(server.rows(sql), expected) << sql;
    }

    EngineCatalogue server{Engine::Server};
    EngineCatalogue file{Engine::File};
};

TEST_F(SameRows, SearchesInEverySortOrder) {
    const std::vector<SearchRow> searches = {
        {"Title", "=", "help!"},      {"Title", "<>", "HELP"},   {"Title", "=", ""},
        {"Title", "<", "H"},          {"Title", ">=", "w"},      {"Group", "=", "ÄRZTE"},
        {"Group", ">", "B"},          {"Package", "=", "gOLD"},  {"Package", "=", ""},
        {"*", "=", "live"},           {"*", "=", "é"},           {"FileName", "=", "caf\xE9"},
        {"FileName", "=", "h.mp"},    {"Comment", "<=", "LIVE"}, {"LocalPath", "=", "\xE9"},
        {"VolumeName", "=", "disc"},  {"Bitrate", ">=", "128"},  {"Genre", "=", "rock"},
        {"PublishTime", "=", "1974"},
    };
    const int orders[] = {6, -6, 7, -7, 8, 12, -12, 5, 9, 10};
    for (const SearchRow& search : searches) {
        const SearchText condition = BuildSearchRow(search);
        ASSERT_TRUE(condition.ok()) << condition.message;
        for (const int order : orders) {
            Selection selection;
            selection.columns = kListColumns;
            selection.condition = condition.sql;
            selection.sortCode = order;
            expectSame(SelectionStatement(selection));
        }
    }
}

TEST_F(SameRows, DuplicateSearchesAndStoredQueries) {
    for (const char* type : {"Duplicates:Name", "Duplicates:Size", "Duplicates:TRM"}) {
        const SearchText condition = BuildSearchRow({type, "=", ""});
        ASSERT_TRUE(condition.ok()) << condition.message;
        for (const int order : {6, 7, -12}) {
            Selection selection;
            selection.columns = kListColumns;
            selection.condition = condition.sql;
            selection.sortCode = order;
            expectSame(SelectionStatement(selection));
        }
    }
    // Titles that occur twice, beside a row that finds untitled media or others.
    for (const char* link : {"OR", "AND"})
        for (const SearchRow& other :
             {SearchRow{"Title", "=", ""}, SearchRow{"FileName", "=", "w"}}) {
            const SearchText condition =
                BuildSearchCondition(other, link, SearchRow{"Duplicates:Name", "=", ""});
            ASSERT_TRUE(condition.ok()) << condition.message;
            Selection selection;
            selection.columns = kListColumns;
            selection.condition = condition.sql;
            selection.sortCode = 6;
            expectSame(SelectionStatement(selection));
        }
    for (const char* sql : {
             "SELECT sName FROM tblMediaDuplicates ORDER BY sName",
             "SELECT fValue FROM tblMediaDuplicatesSize ORDER BY fValue",
             "SELECT sValue FROM tblMediaDuplicatesTRM ORDER BY sValue",
             "SELECT COUNT(*) FROM tblMediaDuplicates",
             "SELECT sName, COUNT(*) FROM tblPackage GROUP BY sName ORDER BY sName",
             "SELECT tblMedia.sName, COUNT(*), SUM(tblMedia.lLength) FROM tblMedia "
             "GROUP BY tblMedia.sName HAVING COUNT(*) > 1 ORDER BY tblMedia.sName",
             "SELECT lID FROM tblMedia WHERE sName IN ('HELP!', 'émile', 'none') ORDER BY lID",
             "SELECT lID FROM tblMedia WHERE sName NOT IN (SELECT sName FROM tblPackage WHERE "
             "sName IS NOT NULL) ORDER BY lID",
             "SELECT DISTINCT sName FROM tblPackage ORDER BY sName",
             "SELECT COUNT(*) FROM (SELECT DISTINCT tblMedia.sName, tblItem.lGroupID FROM "
             "tblMedia, tblItem WHERE tblItem.lMediaID=tblMedia.lID)",
         })
        expectSame(sql);
}

TEST_F(SameRows, PackageNamesOfAGroupOnceWhateverTheirCase) {
    // The Beatles' items have "Gold", "GOLD" and "gold": the oldest spelling stands for them.
    EXPECT_EQ(GroupPackageNames(file.connection, 1), std::vector<std::string>{"gold"});
    for (int group = 1; group <= 6; ++group)
        EXPECT_EQ(GroupPackageNames(server.connection, group),
                  GroupPackageNames(file.connection, group))
            << group;
    for (const char* group : {"BEATLES", "abba", "Ärzte", "ärzte", "nobody"})
        EXPECT_EQ(GroupPackageNames(server.connection, std::string_view(group)),
                  GroupPackageNames(file.connection, std::string_view(group)))
            << group;
}

// The tree as the window shows it: each node's type, id and name, children in their order.
std::string treeText(CCatalogueConnection& connection, int view) {
    const FolderTree tree = PopulateTree(connection, view, {});
    std::string out;
    const auto walk = [&](const auto& self, std::uint32_t node, int depth) -> void {
        out += std::string(depth * 2, ' ') + std::to_string(tree.nodes[node].type) + ":" +
               std::to_string(tree.nodes[node].id) + " " + tree.names[node] + "\n";
        for (const std::uint32_t child : tree.children[node])
            self(self, child, depth + 1);
    };
    if (!tree.empty())
        walk(walk, 0, 0);
    return out;
}

TEST_F(SameRows, FolderTreeInEveryView) {
    for (int view = 0; view <= 7; ++view)
        EXPECT_EQ(treeText(server.connection, view), treeText(file.connection, view)) << view;
}

TEST_F(SameRows, StatisticsCharts) {
    const auto text = [](CCatalogueConnection& connection) {
        std::string out;
        for (const StatisticsChart& chart : BuildStatisticsCharts(connection, nullptr))
            for (const ChartBar& bar : chart.bars)
                out += chart.title + ": " + bar.label + " " + std::to_string(bar.value) + "\n";
        return out;
    };
    EXPECT_EQ(text(server.connection), text(file.connection));
}

} // namespace
} // namespace tunebay
