#include "core/output/export_fixture.h"
#include "output/playlist_exports.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::Crlf;
using test::ExportShelf;

void addTwo(ExportShelf& shelf) {
    shelf.add({.title = "Waterloo",
               .group = "ABBA",
               .directory = "/music/abba/",
               .fileName = "waterloo.mp3",
               .length = 165});
    shelf.addWithoutGroupName(
        {.title = "Intro", .directory = "/music/", .fileName = "intro.mp3", .length = 3723});
    shelf.catalogue.connection.Execute("UPDATE tblDirectory SET sUNC='/' || sLocal");
}

TEST(M3uExport, WritesLengthNameAndPathOfEachItem) {
    ExportShelf shelf;
    addTwo(shelf);
    ExportOptions options = shelf.options("list.m3u");
    options.columnSet = 0; // a playlist always reads its own columns
    ASSERT_TRUE(ExportM3u(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.m3u"), Crlf("#EXTM3U\n"
                                           "#EXTINF:3723,Intro\n/music/intro.mp3\n"
                                           "#EXTINF:165,ABBA - Waterloo\n/music/abba/waterloo.mp3\n"
                                           "\n#Created with Tunebay!"));
    EXPECT_EQ(options.selection.columns, "SELECT tblDirectory.sLocal, tblMedia.sFileName, "
                                         "tblMedia.sName, tblGroup.sName, tblMedia.lLength");
}

TEST(M3uExport, LinkTypeTwoWritesNetworkPathsAndNoneLocalPaths) {
    ExportShelf shelf;
    addTwo(shelf);
    ExportOptions options = shelf.options("list.m3u");
    options.linkType = 2;
    ASSERT_TRUE(ExportM3u(shelf.catalogue.connection, options));
    EXPECT_NE(shelf.read("list.m3u").find("\r\n//music/intro.mp3\r\n"), std::string::npos);
    options.linkType = 0;
    ASSERT_TRUE(ExportM3u(shelf.catalogue.connection, options));
    EXPECT_NE(shelf.read("list.m3u").find("\r\n/music/intro.mp3\r\n"), std::string::npos);
}

TEST(M3uExport, AnEmptyResultAndALineBreakInsideATitle) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.m3u");
    ASSERT_TRUE(ExportM3u(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.m3u"), Crlf("#EXTM3U\n\n#Created with Tunebay!"));

    shelf.add({.title = "Two\r\nLines", .group = "G", .directory = "/m/", .fileName = "a.mp3"});
    ASSERT_TRUE(ExportM3u(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.m3u"),
              Crlf("#EXTM3U\n#EXTINF:0,G - Two  Lines\n/m/a.mp3\n\n#Created with Tunebay!"));
}

TEST(PlsExport, NumbersTheEntriesAndCountsThem) {
    ExportShelf shelf;
    addTwo(shelf);
    ExportOptions options = shelf.options("list.pls");
    ASSERT_TRUE(ExportPls(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.pls"),
              Crlf("[playlist]\n"
                   "File1=/music/intro.mp3\nTitle1=Intro\nLength1=3723\n"
                   "File2=/music/abba/waterloo.mp3\nTitle2=ABBA - Waterloo\nLength2=165\n"
                   "NumberOfEntries=2\nVersion=2\n\nCreated with Tunebay!"));
}

TEST(PlsExport, AnEmptyResultHasAnEmptyCount) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.pls");
    ASSERT_TRUE(ExportPls(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.pls"),
              Crlf("[playlist]\nNumberOfEntries=\nVersion=2\n\nCreated with Tunebay!"));
}

TEST(PlsExport, AReadErrorIsFollowedByTheCountOfTheEntriesWritten) {
    ExportShelf shelf;
    shelf.add({.title = "Fine", .group = "G", .directory = "/m/", .fileName = "a.mp3"});
    shelf.add({.title = "Broken", .group = "G", .directory = "/m/", .fileName = "b.mp3"});
    ExportOptions options = shelf.options("list.pls");
    options.orderType = 0; // no ORDER BY: rows stream until the broken one
    options.selection.condition = test::kFailingCondition;
    ASSERT_TRUE(ExportPls(shelf.catalogue.connection, options));
    const std::string text = shelf.read("list.pls");
    const std::string error = "[Unknown error occurred while writing data records!]\r\n";
    ASSERT_NE(text.find(error), std::string::npos) << text;
    const std::string written = text.find("File1=") == std::string::npos ? "" : "1";
    EXPECT_NE(text.find(error + "NumberOfEntries=" + written +
                        "\r\nVersion=2\r\n\r\nCreated "
                        "with Tunebay!"),
              std::string::npos)
        << text;
}

} // namespace
} // namespace tunebay
