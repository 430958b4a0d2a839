#include "output/statistics.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"
#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunebay {
namespace {

struct StatsShelf {
    test::TempCatalogue catalogue;
    test::AddedItem song, nameless, ballad;

    StatsShelf() {
        test::CatalogueBuilder builder(catalogue.connection);
        song = builder.add({.title = "Song",
                            .group = "Abba",
                            .package = "Gold",
                            .genreId = 17,
                            .directory = "/m/a/",
                            .length = 100,
                            .size = 1000});
        nameless =
            builder.add({.title = "Unknown", .directory = "/m/b/", .length = 200, .size = 2e6});
        ballad = builder.add({.title = "Ballad",
                              .group = "Queen",
                              .package = "Jazz",
                              .genreId = 13,
                              .directory = "/m/a/",
                              .length = 3600,
                              .size = 3000});
    }

    std::string databaseSection() const {
        const std::string path = catalogue.path().string();
        return "\r\nDATABASE...\r\nDatabaseVersion \t1,0\r\nFileName \t\t" + path +
               "\r\nFileSize \t\t" +
               FormatThousands(static_cast<double>(std::filesystem::file_size(path))) + "\r\n";
    }
};

const std::string kEnding = "\r\n\r\n * values in () are used/not unknown";

TEST(Statistics, ReportOfAKnownCatalogue) {
    StatsShelf shelf;
    Selection selection;
    const std::vector<int> ids{shelf.song.itemId, shelf.nameless.itemId, shelf.ballad.itemId};
    ASSERT_EQ(ItemIdSelection(ids, 0, selection), SelectionStatus::Ok);
    const StatisticsReport report = BuildStatisticsReport(shelf.catalogue.connection, &selection);
    EXPECT_TRUE(report.complete);
    // Three of the selected items, one of them titled "Unknown": 3 and (2).
    EXPECT_EQ(report.text, "ALL items...\r\n"
                           "MediaItems \t3 (2)\r\n"
                           "Groups \t\t3 (2)\r\n"
                           "Packages \t3 (2)\r\n"
                           "AvgLength \t21:40\r\n"
                           "SumLength \t0105:00\r\n"
                           "AvgMediaSize \t668.000\r\n"
                           "SumMediaSize \t2.004.000\r\n"
                           "Directories \t2\r\n"
                           "Genres \t\t" +
                               shelf.catalogue.scalar("SELECT COUNT(lID) FROM tblGenre") +
                               " (2)\r\n"
                               "MediaTypes \t1\r\n"
                               "\r\nSELECTED items...\r\n"
                               "MediaItems \t3 (2)\r\n"
                               "SumLength \t0105:00\r\n"
                               "SumMediaSize \t2.004.000\r\n" +
                               shelf.databaseSection() + kEnding);
}

TEST(Statistics, ASelectionOfATreeNodeCountsItsItems) {
    StatsShelf shelf;
    auto nodes = std::make_shared<const NodeArray>(NodeArray{{0, 0, 0}, {1, 17, 0}});
    const Selection selection = NodeSelection(nodes, 1, 0);
    const std::string text = BuildStatisticsReport(shelf.catalogue.connection, &selection).text;
    EXPECT_NE(text.find("SELECTED items...\r\nMediaItems \t1 (1)\r\nSumLength \t01:40\r\n"
                        "SumMediaSize \t1.000\r\n"),
              std::string::npos)
        << text;
}

TEST(Statistics, ARefusedSelectionGivesTheFailureLine) {
    StatsShelf shelf;
    const StatisticsReport report = BuildStatisticsReport(shelf.catalogue.connection, nullptr);
    EXPECT_TRUE(report.complete);
    EXPECT_NE(report.text.find("\r\nSELECTED items...\r\nFailed! Cannot query information!\r\n"
                               "\r\nDATABASE...\r\n"),
              std::string::npos);
}

TEST(Statistics, AnEmptyCatalogueHasZeroSumsAndNoAverages) {
    test::TempCatalogue catalogue;
    const Selection everything = ScopeSelection(ExplorerScope{}, 0);
    const std::string text = BuildStatisticsReport(catalogue.connection, &everything).text;
    EXPECT_EQ(text.substr(0, text.find("\r\nSELECTED")),
              "ALL items...\r\nMediaItems \t0 (0)\r\nGroups \t\t0 (0)\r\nPackages \t0 (0)\r\n"
              "AvgLength \t-\r\nSumLength \t00:00\r\nAvgMediaSize \t-\r\nSumMediaSize \t0\r\n"
              "Directories \t0\r\nGenres \t\t" +
                  catalogue.scalar("SELECT COUNT(lID) FROM tblGenre") +
                  " (0)\r\nMediaTypes \t0\r\n");
    EXPECT_NE(text.find("SELECTED items...\r\nMediaItems \t0 (0)\r\nSumLength \t00:00\r\n"
                        "SumMediaSize \t0\r\n"),
              std::string::npos);
}

TEST(Statistics, MediaWithoutGenreCountNoUsedGenre) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder(catalogue.connection).add({.title = "A", .group = "Unknown"});
    const std::string text = BuildStatisticsReport(catalogue.connection, nullptr).text;
    EXPECT_NE(text.find(" (0)\r\nMediaTypes \t1\r\n"), std::string::npos);
    // The group "Unknown" counts in the first value only.
    EXPECT_NE(text.find("Groups \t\t1 (0)\r\n"), std::string::npos);
}

TEST(Statistics, AQueryErrorEndsTheReportWithTheErrorLine) {
    StatsShelf shelf;
    Selection broken;
    broken.condition = "no_such_column=1";
    const StatisticsReport report = BuildStatisticsReport(shelf.catalogue.connection, &broken);
    EXPECT_FALSE(report.complete);
    EXPECT_TRUE(report.text.ends_with("MediaTypes \t1\r\n\r\nSELECTED items...\r\n"
                                      "\r\n[Unknown error occurred!]"))
        << report.text;
}

TEST(Statistics, AFileThatCannotBeFoundLeavesOutItsSize) {
    test::TempCatalogue catalogue;
    const std::string path = catalogue.path().string();
    // A catalogue already open stays readable after its directory entry is gone.
    catalogue.scalar("SELECT COUNT(*) FROM tblMedia");
    std::filesystem::rename(path, path + ".moved");
    const std::string text = BuildStatisticsReport(catalogue.connection, nullptr).text;
    EXPECT_NE(text.find("FileName \t\t" + path + "\r\n\r\n\r\n * values"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("FileSize"), std::string::npos);
}

} // namespace
} // namespace tunebay
