#include "core/output/export_fixture.h"
#include "output/html_list_export.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::Crlf;
using test::ExportShelf;

const std::string kHead =
    "<HTML>\n<HEAD>\n<TITLE>List</TITLE>\n"
    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
    "<META name=\"generator\" content=\"Tunebay\">\n"
    "<META name=\"author\" content=\"Tunebay by Plenwick\">\n"
    "<META name=\"description\" content=\"Tunebay - The Ultimate Explorer For MP3 And Other Media "
    "Files!\">\n"
    "<LINK rel=\"stylesheet\" type=\"text/css\" href=\"tb.css\">\n"
    "</HEAD>\n\n<BODY class=\"tunebay\">\n<H2>List</H2><P>&nbsp;</P>\n"
    "<TABLE width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"2\">\n";
const std::string kFoot =
    "</TABLE>\n<P><FONT size=\"-2\">Created with <A "
    "href=\"https://tunebay.org/\">Tunebay</A></FONT></P>\n</BODY>\n</HTML>\n";

std::string indexCell(int number) {
    return "  <TD valign=\"top\" width=\"30\" align=\"right\">" + std::to_string(number) +
           ".</TD>\n";
}

std::string iconCell(const std::string& link) {
    return "  <TD valign=\"top\" width=\"16\"><A href=\"" + link +
           "\"><IMG src=\"mediaicon.gif\" width=\"14\" height=\"15\" border=\"0\"></A></TD>\n";
}

std::string nameCell(const std::string& name) {
    return "  <TD valign=\"top\">" + name + "</TD>\n";
}

const std::string kSpacer = "  <TD width=\"40\"></TD>\n";

TEST(HtmlListExport, WritesTheWholePageExactly) {
    ExportShelf shelf;
    shelf.add({.title = "Waterloo",
               .group = "ABBA",
               .genreId = test::kGenrePop,
               .directory = "/music/abba/",
               .fileName = "waterloo.mp3",
               .length = 165,
               .publishTime = "1974",
               .comment = "Eurovision"});
    shelf.addWithoutGroupName({.title = "Intro",
                               .genreId = test::kGenreRock,
                               .directory = "/music/",
                               .fileName = "intro.mp3",
                               .length = 3723});
    ExportOptions options = shelf.options("list.htm");
    options.columnSet = 4;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));

    // The item without a group sorts first and shows its title alone.
    const std::string rows =
        "<TR>\n" + indexCell(1) + iconCell("/music/intro.mp3") + nameCell("Intro") +
        "  <TD valign=\"top\" width=\"30\">0102:03</TD>\n"
        "  <TD valign=\"top\" width=\"70\">Rock</TD>\n"
        "  <TD valign=\"top\" width=\"30\"></TD>\n"
        "  <TD valign=\"top\"></TD>\n"
        "</TR>\n"
        "<TR>\n" +
        indexCell(2) + iconCell("/music/abba/waterloo.mp3") + nameCell("ABBA - Waterloo") +
        "  <TD valign=\"top\" width=\"30\">02:45</TD>\n"
        "  <TD valign=\"top\" width=\"70\">Pop</TD>\n"
        "  <TD valign=\"top\" width=\"30\">1974</TD>\n"
        "  <TD valign=\"top\">Eurovision</TD>\n"
        "</TR>\n";
    EXPECT_EQ(shelf.read("list.htm"), Crlf(kHead + rows + kFoot));
    EXPECT_EQ(options.selection.columns,
              "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblMedia.sName, tblGroup.sName, "
              "tblMedia.lLength, tblGenre.sName, tblMedia.sPublishTime, tblMedia.sComment");
    EXPECT_EQ(options.selection.sortCode, 7);
}

TEST(HtmlListExport, AnEmptyResultGivesATableWithoutRows) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("empty.htm");
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("empty.htm"), Crlf(kHead + kFoot));
}

TEST(HtmlListExport, ItemsPerRowOutsideOneToFiveIsOne) {
    for (const int columns : {0, 7}) {
        ExportShelf shelf;
        shelf.add({.title = "A", .directory = "/m/", .fileName = "a.mp3"});
        shelf.add({.title = "B", .directory = "/m/", .fileName = "b.mp3"});
        ExportOptions options = shelf.options("list.htm");
        options.itemsPerRow = columns;
        options.columnSet = 0;
        options.showIcons = 0;
        ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
        const std::string page = shelf.read("list.htm");
        EXPECT_EQ(options.itemsPerRow, 1);
        EXPECT_NE(page.find(Crlf("<TR>\n" + indexCell(1) + nameCell("A") + "</TR>\n<TR>\n" +
                                 indexCell(2) + nameCell("B") + "</TR>\n")),
                  std::string::npos)
            << page;
        EXPECT_EQ(page.find("width=\"40\""), std::string::npos);
    }
}

TEST(HtmlListExport, ThreeItemsPerRowWithSevenItemsGiveThreeRows) {
    ExportShelf shelf;
    for (const char* title : {"T1", "T2", "T3", "T4", "T5", "T6", "T7"})
        shelf.add({.title = title, .group = "G", .directory = "/m/", .fileName = title});
    ExportOptions options = shelf.options("list.htm");
    options.itemsPerRow = 3;
    options.showIndex = 0;
    options.showIcons = 0;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    auto item = [](const char* title) { return nameCell(std::string("G - ") + title) + kSpacer; };
    const std::string rows = "<TR>\n" + item("T1") + item("T2") + item("T3") + "</TR>\n" +
                             "<TR>\n" + item("T4") + item("T5") + item("T6") + "</TR>\n" +
                             "<TR>\n" + item("T7") + "</TR>\n";
    EXPECT_EQ(shelf.read("list.htm"), Crlf(kHead + rows + kFoot));
}

TEST(HtmlListExport, LetterSubdivisionPutsDigitsUnderOneHeader) {
    ExportShelf shelf;
    for (const char* group : {"10cc", "3 Doors Down", "ABBA", "Abc"})
        shelf.add({.title = "Song", .group = group, .directory = "/m/"});
    ExportOptions options = shelf.options("list.htm");
    options.subdivide = 1;
    options.showIcons = 0;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    const std::string rows = "<TR>\n"
                             "  <TD>&nbsp;</TD>\n"
                             "  <TD><B>1...</B></TD>\n</TR>\n<TR>\n" +
                             indexCell(1) + nameCell("10cc - Song") + "</TR>\n<TR>\n" +
                             indexCell(2) + nameCell("3 Doors Down - Song") + "</TR>\n<TR>\n" +
                             "  <TD>&nbsp;</TD>\n</TR>\n<TR>\n"
                             "  <TD>&nbsp;</TD>\n"
                             "  <TD><B>A...</B></TD>\n</TR>\n<TR>\n" +
                             indexCell(3) + nameCell("ABBA - Song") + "</TR>\n<TR>\n" +
                             indexCell(4) + nameCell("Abc - Song") + "</TR>\n";
    EXPECT_EQ(shelf.read("list.htm"), Crlf(kHead + rows + kFoot));
}

TEST(HtmlListExport, GenreSubdivisionClosesAPartRowBeforeTheSpacerRow) {
    ExportShelf shelf;
    shelf.add({.title = "P1", .group = "G", .genreId = test::kGenrePop, .directory = "/m/"});
    shelf.add({.title = "R1", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
    shelf.add({.title = "R2", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
    ExportOptions options = shelf.options("list.htm");
    options.subdivide = 1;
    options.columnSet = 3;
    options.orderType = 8;
    options.itemsPerRow = 2;
    options.showIndex = 0;
    options.showIcons = 1;
    options.linkType = 0;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    const std::string icon = "  <TD valign=\"top\" width=\"16\"><IMG src=\"mediaicon.gif\" "
                             "width=\"14\" height=\"15\" border=\"0\"></TD>\n";
    auto item = [&](const char* title, const char* genre) {
        return icon + nameCell(std::string("G - ") + title) +
               "  <TD valign=\"top\" width=\"30\">00:00</TD>\n"
               "  <TD valign=\"top\" width=\"70\">" +
               genre + "</TD>\n  <TD valign=\"top\" width=\"30\"></TD>\n" + kSpacer;
    };
    const std::string rows = "<TR>\n"
                             "  <TD>&nbsp;</TD>\n"
                             "  <TD><B>Pop...</B></TD>\n</TR>\n<TR>\n" +
                             item("P1", "Pop") + "</TR>\n<TR>\n" +
                             "  <TD>&nbsp;</TD>\n</TR>\n<TR>\n"
                             "  <TD>&nbsp;</TD>\n"
                             "  <TD><B>Rock...</B></TD>\n</TR>\n<TR>\n" +
                             item("R1", "Rock") + item("R2", "Rock") + "</TR>\n";
    EXPECT_EQ(shelf.read("list.htm"), Crlf(kHead + rows + kFoot));
    EXPECT_EQ(options.selection.columns,
              "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblMedia.sName, tblGroup.sName, "
              "tblMedia.lLength, tblGenre.sName, tblMedia.sPublishTime");
}

TEST(HtmlListExport, TitleAmpersandStaysInTheTitleElementAndIsAReferenceInTheHeading) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.htm");
    options.title = "Rock & Roll <Best>";
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    const std::string page = shelf.read("list.htm");
    EXPECT_NE(page.find("<TITLE>Rock & Roll &#060;Best></TITLE>"), std::string::npos);
    EXPECT_NE(page.find("<H2>Rock &#038; Roll &#060;Best&#062;</H2>"), std::string::npos);
}

TEST(HtmlListExport, AGroupOutsideAsciiSharesTheHeaderOfDigitsAndStartsWithAReference) {
    ExportShelf shelf;
    shelf.add({.title = "One", .group = "1live", .directory = "/m/"});
    shelf.add({.title = "Two", .group = "\xC3\x84rzte", .directory = "/m/"});
    ExportOptions options = shelf.options("list.htm");
    options.subdivide = 1;
    options.showIndex = 0;
    options.showIcons = 0;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    const std::string rows = "<TR>\n  <TD><B>1...</B></TD>\n</TR>\n<TR>\n" +
                             nameCell("1live - One") + "</TR>\n<TR>\n" +
                             nameCell("&#196;rzte - Two") + "</TR>\n";
    EXPECT_EQ(shelf.read("list.htm"), Crlf(kHead + rows + kFoot));
}

TEST(HtmlListExport, LinkTypesChooseTheDirectoryFormAndNoneWritesNoLink) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .directory = "/music/", .fileName = "song.mp3"});
    shelf.catalogue.connection.Execute("UPDATE tblDirectory SET sUNC='//music/', "
                                       "sURL='http://host/music/'");
    const std::pair<int, std::string> links[] = {
        {1, "/music/song.mp3"}, {2, "//music/song.mp3"}, {3, "http://host/music/song.mp3"}};
    for (const auto& [type, link] : links) {
        ExportOptions options = shelf.options("list.htm");
        options.linkType = type;
        ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
        EXPECT_NE(shelf.read("list.htm").find(Crlf(iconCell(link))), std::string::npos) << type;
    }
    ExportOptions options = shelf.options("list.htm");
    options.linkType = 0;
    options.showIcons = 0;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.htm").find("<A href=\"/"), std::string::npos);
    EXPECT_EQ(shelf.read("list.htm").find("mediaicon.gif"), std::string::npos);
}

TEST(HtmlListExport, LinksToFilesWithQuotesAndPercentSignsStayWhole) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .directory = "/m\"x/", .fileName = "50% #1?.mp3"});
    ExportOptions options = shelf.options("list.htm");
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    EXPECT_NE(shelf.read("list.htm").find("<A href=\"/m&#034;x/50%25 %231%3F.mp3\">"),
              std::string::npos);
}

TEST(HtmlListExport, LinksToFileNamesThatAreNotUtf8PercentEncodeTheirBytes) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .directory = "/m/", .fileName = "caf\xE9 \xC3\xA9.mp3"});
    shelf.catalogue.connection.Execute("UPDATE tblDirectory SET sURL='http://host/m/'");
    const std::pair<int, std::string> links[] = {{1, "/m/caf%E9 &#233;.mp3"},
                                                 {3, "http://host/m/caf%E9 &#233;.mp3"}};
    for (const auto& [type, link] : links) {
        ExportOptions options = shelf.options("list.htm");
        options.linkType = type;
        ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
        EXPECT_NE(shelf.read("list.htm").find("<A href=\"" + link + "\">"), std::string::npos)
            << type << shelf.read("list.htm");
    }
}

TEST(HtmlListExport, AReadErrorIsWrittenIntoThePageAndThePageIsFinished) {
    ExportShelf shelf;
    shelf.add({.title = "Fine", .group = "G", .directory = "/m/"});
    shelf.add({.title = "Broken", .group = "G", .directory = "/m/"});
    ExportOptions options = shelf.options("list.htm");
    options.columnSet = 0;
    options.showIcons = 0;
    options.selection.condition = test::kFailingCondition;
    ASSERT_TRUE(ExportHtmlList(shelf.catalogue.connection, options));
    const std::string page = shelf.read("list.htm");
    const std::string tail =
        Crlf("<P>[Unknown error occurred while writing data records!]</P>\n" + kFoot);
    ASSERT_GE(page.size(), tail.size());
    EXPECT_EQ(page.substr(page.size() - tail.size()), tail);
    EXPECT_EQ(page.substr(0, Crlf(kHead).size()), Crlf(kHead));
}

TEST(HtmlListExport, FailsOnlyWhenThePageCannotBeMade) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.htm");
    options.path = shelf.out.path().string(); // a folder
    EXPECT_FALSE(ExportHtmlList(shelf.catalogue.connection, options));
    options.path = (shelf.out.path() / "missing" / "list.htm").string();
    EXPECT_FALSE(ExportHtmlList(shelf.catalogue.connection, options));
}

} // namespace
} // namespace tunebay
