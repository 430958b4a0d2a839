#include "core/output/export_fixture.h"
#include "output/text_exports.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::Crlf;
using test::ExportShelf;

void addTwo(ExportShelf& shelf) {
    shelf.add({.title = "Waterloo",
               .group = "ABBA",
               .genreId = test::kGenrePop,
               .directory = "/music/abba/",
               .fileName = "waterloo.mp3",
               .length = 165,
               .publishTime = "1974",
               .comment = "Eurovision, winner,"});
    shelf.addWithoutGroupName({.title = "Intro",
                               .genreId = test::kGenreRock,
                               .directory = "/music/",
                               .fileName = "intro.mp3",
                               .length = 3723});
}

TEST(TextExport, WritesEveryColumnAndStripsTrailingCommas) {
    ExportShelf shelf;
    addTwo(shelf);
    ExportOptions options = shelf.options("list.txt");
    options.columnSet = 4;
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    // The comma that ends the comment is lost with the empty values after the line's end.
    EXPECT_EQ(shelf.read("list.txt"),
              Crlf("List\n\n"
                   "    1, /music/intro.mp3, Intro, 0102:03, Rock\n"
                   "    2, /music/abba/waterloo.mp3, ABBA - Waterloo, 02:45, Pop, 1974, "
                   "Eurovision, winner\n"
                   "\n\nCreated with Tunebay!"));
}

TEST(TextExport, IndexWithoutLinkAndTitleOnly) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .group = "Band", .directory = "/m/"});
    ExportOptions options = shelf.options("list.txt");
    options.linkType = 0;
    options.columnSet = 0;
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.txt"), Crlf("List\n\n    1, Song\n\n\nCreated with Tunebay!"));
    EXPECT_EQ(options.selection.columns,
              "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblMedia.sName");
}

TEST(TextExport, AnEmptyResultHoldsTheTitleAndTheTrailer) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.txt");
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.txt"), Crlf("List\n\n\n\nCreated with Tunebay!"));
    options.title.clear();
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.txt"), Crlf("\n\nCreated with Tunebay!"));
}

TEST(TextExport, SubdivisionWritesAnEmptyLineBeforeEachGroup) {
    ExportShelf shelf;
    for (const char* group : {"10cc", "3 Doors Down", "\xC3\x84rzte", "ABBA", "Abc", "beatles"})
        shelf.add({.title = "S", .group = group, .directory = "/m/"});
    ExportOptions options = shelf.options("list.txt");
    options.subdivide = 1;
    options.showIndex = 0;
    options.linkType = 0;
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    // An initial outside ASCII counts as below "A": it sorts last, after "beatles", and gets
    // the break of digits and punctuation.
    EXPECT_EQ(shelf.read("list.txt"),
              Crlf("List\n\n\n10cc - S\n3 Doors Down - S\n\nABBA - S\nAbc - S\n\nbeatles - "
                   "S\n\n\xC3\x84rzte - S\n\n\nCreated with Tunebay!"));
}

TEST(TextExport, GenreSubdivisionBreaksWhereTheGenreChanges) {
    ExportShelf shelf;
    shelf.add({.title = "P", .group = "G", .genreId = test::kGenrePop, .directory = "/m/"});
    shelf.add({.title = "R1", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
    shelf.add({.title = "R2", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
    ExportOptions options = shelf.options("list.txt");
    options.subdivide = 1;
    options.columnSet = 3;
    options.orderType = 8;
    options.showIndex = 0;
    options.linkType = 0;
    options.title.clear();
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.txt"), Crlf("\nG - P, 00:00, Pop\n\nG - R1, 00:00, Rock\nG - R2, "
                                           "00:00, Rock\n\n\nCreated with Tunebay!"));
}

TEST(TextExport, AReadErrorIsWrittenAndTheTrailerFollows) {
    ExportShelf shelf;
    shelf.add({.title = "Broken", .directory = "/m/"});
    ExportOptions options = shelf.options("list.txt");
    options.columnSet = 0;
    options.selection.condition = test::kFailingCondition;
    ASSERT_TRUE(ExportText(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.txt"),
              Crlf("List\n\n[Unknown error occurred while writing data records!]\n\n\nCreated "
                   "with Tunebay!"));
}

TEST(CsvExport, WritesTheHeaderAndQuotedValues) {
    ExportShelf shelf;
    addTwo(shelf);
    ExportOptions options = shelf.options("list.csv");
    options.columnSet = 4;
    ASSERT_TRUE(ExportCsv(shelf.catalogue.connection, options));
    // The closing quote keeps the comma that ends the comment.
    EXPECT_EQ(shelf.read("list.csv"),
              Crlf("\"Index\",\"FileName\",\"MediaName\",\"Length\",\"Genre\",\"PublishTime\","
                   "\"Comment\"\n"
                   "\"1\",\"/music/intro.mp3\",\"Intro\",\"0102:03\",\"Rock\",\"\",\"\"\n"
                   "\"2\",\"/music/abba/waterloo.mp3\",\"ABBA - Waterloo\",\"02:45\",\"Pop\","
                   "\"1974\",\"Eurovision, winner,\"\n"
                   "\nCreated with Tunebay!"));
}

TEST(CsvExport, HeaderFollowsTheColumnSet) {
    ExportShelf shelf;
    const std::pair<int, std::string> headers[] = {
        {0, "\"MediaName\""},
        {1, "\"MediaName\""},
        {2, "\"MediaName\",\"Length\""},
        {3, "\"MediaName\",\"Length\",\"Genre\",\"PublishTime\""},
        {9, "\"MediaName\""}};
    for (const auto& [columnSet, header] : headers) {
        ExportOptions options = shelf.options("list.csv");
        options.showIndex = 0;
        options.linkType = 0;
        options.columnSet = columnSet;
        ASSERT_TRUE(ExportCsv(shelf.catalogue.connection, options));
        // An empty result: the header line and the trailer.
        EXPECT_EQ(shelf.read("list.csv"), Crlf(header + "\n\nCreated with Tunebay!"));
    }
}

TEST(CsvExport, QuotesInsideAValueAreDoubled) {
    ExportShelf shelf;
    shelf.add({.title = "12\" Mix", .group = "Band", .directory = "/m/"});
    ExportOptions options = shelf.options("list.csv");
    options.showIndex = 0;
    options.linkType = 0;
    ASSERT_TRUE(ExportCsv(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.csv"),
              Crlf("\"MediaName\"\n\"Band - 12\"\" Mix\"\n\nCreated with Tunebay!"));
}

TEST(CsvExport, LinkTypeTwoWritesTheNetworkForm) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .directory = "/music/", .fileName = "a.mp3"});
    shelf.catalogue.connection.Execute("UPDATE tblDirectory SET sUNC='//music/'");
    ExportOptions options = shelf.options("list.csv");
    options.linkType = 2;
    options.columnSet = 0;
    ASSERT_TRUE(ExportCsv(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.csv"),
              Crlf("\"Index\",\"FileName\",\"MediaName\"\n\"1\",\"//music/a.mp3\",\"Song\"\n\n"
                   "Created with Tunebay!"));
}

} // namespace
} // namespace tunebay
