#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"
#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
namespace fs = std::filesystem;

// A small catalogue on disk, closed again so that only the command line works on it.
struct Shelf {
    test::TempCatalogue catalogue;
    test::TempDir out;
    test::AddedItem song, nameless, live;
    std::string path;
    std::string genres; // the template's genre count

    Shelf() : path(catalogue.path().string()) {
        test::CatalogueBuilder builder(catalogue.connection);
        song = builder.add({.title = "Song",
                            .group = "Abba",
                            .genreId = 17,
                            .directory = "/music/abba/",
                            .fileName = "song.mp3",
                            .length = 125,
                            .size = 1500});
        nameless = builder.add({.title = "Unknown",
                                .group = "Abba",
                                .genreId = 13,
                                .directory = "/music/abba/",
                                .fileName = "x.mp3",
                                .length = 5,
                                .size = 500});
        live = builder.add({.title = "Live",
                            .group = "Queen",
                            .genreId = 17,
                            .directory = "/music/queen/",
                            .fileName = "live.mp3",
                            .length = 200,
                            .size = 1000000});
        genres = catalogue.scalar("SELECT COUNT(lID) FROM tblGenre");
        catalogue.connection.Open("");
    }
    std::string file(const std::string& name) const { return out.file(name).string(); }
};

TEST(ExportCommand, WritesTheFormatWithTheOptionsGiven) {
    Shelf shelf;
    CliRunner cli;
    const CliResult result =
        cli.run({"export", shelf.path, "--format", "txt", "-o", shelf.file("list.txt"), "--title",
                 "Mine", "--detail", "2", "--link", "0", "--order", "7", "--no-index"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::readFile(shelf.out.file("list.txt")),
              "Mine\r\n\r\nAbba - Song, 02:05\r\nAbba - Unknown, 00:05\r\nQueen - Live, "
              "03:20\r\n\r\n\r\nCreated with Tunebay!");
    // Text files take no support files.
    EXPECT_FALSE(fs::exists(shelf.out.file("tb.css")));
}

TEST(ExportCommand, OptionsDefaultToTheExportSettings) {
    Shelf shelf;
    CliRunner cli;
    cli.dir().write("settings.conf", "[Settings]\nPlayer=1\nHTMLTitle=From Settings\n"
                                     "HTMLShowNumbers=0\nHTMLShowIcons=0\nHTMLLinkType=0\n"
                                     "HTMLDetailLevel=0\nHTMLColumns=1\n");
    const CliResult result =
        cli.run({"export", shelf.path, "--format", "csv", "-o", shelf.file("list.csv")});
    ASSERT_EQ(result.status, 0) << result.err;
    // HTMLOrderType 2 sorts by the group, as the item list's code for it does.
    EXPECT_EQ(test::readFile(shelf.out.file("list.csv")),
              "\"MediaName\"\r\n\"Song\"\r\n\"Unknown\"\r\n\"Live\"\r\n\r\nCreated with Tunebay!");
}

TEST(ExportCommand, ScopesChooseTheItems) {
    Shelf shelf;
    CliRunner cli;
    CliResult result =
        cli.run({"export", shelf.path, "--format", "m3u", "-o", shelf.file("one.m3u"), "--items",
                 std::to_string(shelf.live.itemId)});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::readFile(shelf.out.file("one.m3u")),
              "#EXTM3U\r\n#EXTINF:200,Queen - Live\r\n/music/queen/live.mp3\r\n\r\n#Created with "
              "Tunebay!");

    result = cli.run(
        {"export", shelf.path, "--format", "pls", "-o", shelf.file("pop.pls"), "--node", "1:13"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::readFile(shelf.out.file("pop.pls")),
              "[playlist]\r\nFile1=/music/abba/x.mp3\r\nTitle1=Abba - Unknown\r\nLength1=5\r\n"
              "NumberOfEntries=1\r\nVersion=2\r\n\r\nCreated with Tunebay!");

    result = cli.run({"export", shelf.path, "--format", "xml", "-o", shelf.file("s.xml"),
                      "--search", "Title|=|Song", "--search-link", "OR", "--search2",
                      "Title|=|Live", "--detail", "0", "--no-index", "--link", "0"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string xml = test::readFile(shelf.out.file("s.xml"));
    EXPECT_NE(xml.find("<tb_medianame>Song</tb_medianame>"), std::string::npos);
    EXPECT_NE(xml.find("<tb_medianame>Live</tb_medianame>"), std::string::npos);
    EXPECT_EQ(xml.find("Unknown"), std::string::npos);
}

TEST(ExportCommand, CopiesSupportFilesOnlyWhenAbsentAndLaunchesNothing) {
    Shelf shelf;
    CliRunner cli;
    shelf.out.write("tb.css", "my own style");
    CliResult result = cli.run({"export", shelf.path, "--format", "html", "-o",
                                shelf.file("list.htm"), "--icons", "--subdivide"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::readFile(shelf.out.file("tb.css")), "my own style");
    EXPECT_EQ(test::readFile(shelf.out.file("mediaicon.gif")).substr(0, 6), "GIF89a");
    EXPECT_NE(test::readFile(shelf.out.file("list.htm")).find("<TD><B>A...</B></TD>"),
              std::string::npos);

    result = cli.run(
        {"export", shelf.path, "--format", "site", "-o", shelf.file("site.htm"), "--no-icons"});
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path folder = shelf.out.file("site_files");
    for (const char* name : {"Tunebay.htm", "Pop.htm", "Rock.htm", "tb.css", "bullet.gif"})
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_FALSE(fs::exists(folder / "mediaicon.gif"));
    EXPECT_TRUE(fs::exists(shelf.out.file("site.htm")));
}

TEST(ExportCommand, AFileThatCannotBeMadeIsAnError) {
    Shelf shelf;
    CliRunner cli;
    fs::create_directories(shelf.out.file("folder.htm"));
    for (const char* format : {"html", "txt", "m3u", "pls", "csv", "xml", "site"}) {
        for (const std::string& target :
             {shelf.file("folder.htm"), shelf.file("missing") + "/list.htm"}) {
            const CliResult result =
                cli.run({"export", shelf.path, "--format", format, "-o", target});
            EXPECT_EQ(result.status, 1) << format << " " << target;
            EXPECT_EQ(result.err.rfind("An error occurred while exporting! (", 0), 0u) << format;
            EXPECT_NE(result.err.find(target.find("missing") == std::string::npos
                                          ? ": Is a directory)"
                                          : "missing: No such file or directory)"),
                      std::string::npos)
                << result.err;
        }
    }
    // Nothing was made beside the folder, and no support file was copied.
    EXPECT_EQ(std::distance(fs::directory_iterator(shelf.out.path()), fs::directory_iterator()), 1);
}

TEST(ExportCommand, RefusesUnknownFormatsAndValuesOutOfRange) {
    Shelf shelf;
    CliRunner cli;
    const std::vector<std::vector<std::string>> lines = {
        {"--format", "doc"},
        {"--format", "txt", "--columns", "6"},
        {"--format", "txt", "--detail", "5"},
        {"--format", "txt", "--link", "4"},
        {"--format", "txt", "--order", "2"},
        {"--format", "txt", "--index", "--no-index"}};
    for (std::vector<std::string> line : lines) {
        line.insert(line.begin(), {"export", shelf.path, "-o", shelf.file("x.txt")});
        EXPECT_EQ(cli.run(line).status, 2) << line[5];
    }
    EXPECT_FALSE(fs::exists(shelf.out.file("x.txt")));
}

TEST(StatsCommand, PrintsTheReportWithLineFeeds) {
    Shelf shelf;
    CliRunner cli;
    const CliResult result = cli.run({"stats", shelf.path, "--node", "1:17"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string size = FormatThousands(static_cast<double>(fs::file_size(shelf.path)));
    EXPECT_EQ(result.out, "ALL items...\n"
                          "MediaItems \t3 (2)\n"
                          "Groups \t\t2 (2)\n"
                          "Packages \t2 (0)\n"
                          "AvgLength \t01:50\n"
                          "SumLength \t05:30\n"
                          "AvgMediaSize \t334.000\n"
                          "SumMediaSize \t1.002.000\n"
                          "Directories \t2\n"
                          "Genres \t\t" +
                              shelf.genres +
                              " (2)\n"
                              "MediaTypes \t1\n"
                              "\nSELECTED items...\n"
                              "MediaItems \t2 (2)\n"
                              "SumLength \t05:25\n"
                              "SumMediaSize \t1.001.500\n"
                              "\nDATABASE...\n"
                              "DatabaseVersion \t1,0\n"
                              "FileName \t\t" +
                              shelf.path + "\nFileSize \t\t" + size +
                              "\n\n\n * values in () are used/not unknown\n");
}

TEST(StatsCommand, ARefusedSelectionShowsItsReasonAndTheFailureLine) {
    Shelf shelf;
    CliRunner cli;
    std::string ids;
    for (int id = 1; id <= 256; ++id)
        ids += (id > 1 ? "," : "") + std::to_string(id);
    const CliResult result = cli.run({"stats", shelf.path, "--items", ids});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Only a maximum of 255 items"), std::string::npos);
    EXPECT_NE(result.out.find("\nSELECTED items...\nFailed! Cannot query information!\n\n"
                              "DATABASE...\n"),
              std::string::npos)
        << result.out;
}

// The charts of the scope go to a picture beside the unchanged report; a wrong name or a folder
// that cannot take the file is an error and leaves nothing behind.
TEST(StatsCommand, DrawsTheChartsOfTheScope) {
    Shelf shelf;
    CliRunner cli;
    const std::string report = cli.run({"stats", shelf.path, "--node", "1:17"}).out;
    const struct {
        const char* name;
        int status;
        const char* starts;
    } cases[] = {
        {"charts.svg", 0, "<?xml"},
        {"charts.png", 0, "\x89PNG"},
        {"charts.jpg", 2, nullptr},
        {"missing-folder/charts.png", 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path chart = cli.dir().file(c.name);
        const CliResult result =
            cli.run({"stats", shelf.path, "--node", "1:17", "--chart", chart.string()});
        EXPECT_EQ(result.status, c.status) << result.err;
        if (!c.starts) {
            EXPECT_FALSE(fs::exists(chart));
            EXPECT_FALSE(result.err.empty());
            continue;
        }
        EXPECT_EQ(result.out, report);
        EXPECT_TRUE(test::readFile(chart).starts_with(c.starts));
    }
    const std::string svg = test::readFile(cli.dir().file("charts.svg"));
    for (const char* title : {"Items per genre", "Items per year", "Items per bit rate",
                              "Items per media type", "Total length per group"})
        EXPECT_NE(svg.find(title), std::string::npos) << title;
}

} // namespace
} // namespace tunebay
