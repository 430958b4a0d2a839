#include "core/output/export_fixture.h"
#include "output/web_site_export.h"
#include "text/utf8_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace tunebay {
namespace {

using test::Crlf;
using test::ExportShelf;
namespace fs = std::filesystem;

constexpr int kGenreRockPop = 200;

const std::string kMetas =
    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
    "<META name=\"generator\" content=\"Tunebay\">\n"
    "<META name=\"author\" content=\"Tunebay by Plenwick\">\n";

std::string indexPage(const std::string& entries) {
    return "<HTML>\n<HEAD>\n<TITLE>Tunebay WebSite</TITLE>\n" + kMetas +
           "<META name=\"description\" content=\"Tunebay - The Ultimate Explorer For MP3 And Other "
           "Media Files!\">\n<LINK rel=\"stylesheet\" type=\"text/css\" href=\"tb.css\">\n"
           "<BASE target=\"main\">\n</HEAD>\n\n<BODY class=\"tunebay\">\n<BR>\n<UL>\n" +
           entries + "</UL>\n</BODY>\n</HTML>\n";
}

std::string entry(const std::string& name, int count) {
    return "  <LI><A href=\"" + name + ".htm\">" + name + "&nbsp;&nbsp;(" + std::to_string(count) +
           ")</A></LI>\n";
}

// Files below `root`, relative to it.
std::set<std::string> filesBelow(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root))
        files.insert(fs::relative(item.path(), root).string());
    return files;
}

struct SiteShelf : ExportShelf {
    SiteShelf() {
        catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (" +
                                     std::to_string(kGenreRockPop) + ", 'Rock/Pop')");
        add({.title = "P1", .group = "G", .genreId = test::kGenrePop, .directory = "/m/"});
        add({.title = "R1", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
        add({.title = "R2", .group = "G", .genreId = test::kGenreRock, .directory = "/m/"});
        add({.title = "X1", .group = "G", .genreId = kGenreRockPop, .directory = "/m/"});
    }
};

TEST(WebSiteExport, WritesTheFramesetTheIndexAndAPagePerGenre) {
    SiteShelf shelf;
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    const fs::path folder = shelf.out.file("Site_files");
    EXPECT_EQ(options.path, folder.string() + "/");

    EXPECT_EQ(filesBelow(shelf.out.path()),
              (std::set<std::string>{"Site.htm", "Site_files", "Site_files/Tunebay.htm",
                                     "Site_files/Pop.htm", "Site_files/Rock.htm",
                                     "Site_files/Rock-Pop.htm"}));
    EXPECT_EQ(test::readFile(folder / "Tunebay.htm"),
              Crlf(indexPage(entry("Pop", 1) + entry("Rock", 2) + entry("Rock-Pop", 1))));
    EXPECT_EQ(
        shelf.read("Site.htm"),
        Crlf("<HTML>\n<HEAD>\n<TITLE>List</TITLE>\n" + kMetas +
             "<META name=\"description\" content=\"Tunebay - The Ultimate Media Explorer For MP3 "
             "And Other Media Files!\">\n</HEAD>\n\n"
             "<FRAMESET framespacing=\"0\" border=\"0\" frameborder=\"NO\" cols=\"180,*\" "
             "bordercolor=\"#000000\">\n"
             "  <FRAME scrolling=\"AUTO\" noresize target=\"main\" name=\"left\" "
             "frameborder=\"NO\" marginwidth=\"0\" marginheight=\"0\" bordercolor=\"#000000\" "
             "src=\"Site_files/Tunebay.htm\">\n"
             "  <FRAME scrolling=\"AUTO\" noresize target=\"main\" name=\"main\" "
             "frameborder=\"NO\" marginwidth=\"0\" marginheight=\"18\" bordercolor=\"#000000\" "
             "src=\"Site_files/Pop.htm\">\n"
             "  <NOFRAMES>\n    <BODY>\n    <P>Sorry. This page uses frames. Get a new "
             "browser!</P>\n    </BODY>\n  </NOFRAMES>\n</FRAMESET>\n</HTML>"));

    // A genre page is an HTML list of the genre's items with the export's options.
    const std::string rock = test::readFile(folder / "Rock.htm");
    EXPECT_NE(rock.find("<TITLE>List - Rock</TITLE>"), std::string::npos);
    EXPECT_NE(rock.find("G - R1"), std::string::npos);
    EXPECT_NE(rock.find("G - R2"), std::string::npos);
    EXPECT_EQ(rock.find("G - P1"), std::string::npos);
    EXPECT_EQ(rock.find("G - X1"), std::string::npos);
}

TEST(WebSiteExport, GenrePagesKeepTheSelection) {
    SiteShelf shelf;
    ExportOptions options = shelf.options("Site.htm");
    options.selection.condition = "tblMedia.sName<>'R2'";
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "Tunebay.htm"),
              Crlf(indexPage(entry("Pop", 1) + entry("Rock", 1) + entry("Rock-Pop", 1))));
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "Rock.htm").find("R2"),
              std::string::npos);
}

TEST(WebSiteExport, AGenrePageThatFailsIsAnErrorEntry) {
    SiteShelf shelf;
    fs::create_directories(shelf.out.file("Site_files") / "Rock.htm");
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "Tunebay.htm"),
              Crlf(indexPage(entry("Pop", 1) + "  <LI>[Error]</LI>\n" + entry("Rock-Pop", 1))));
}

TEST(WebSiteExport, PagesAreNotWrittenThroughLinksInTheSiteFolder) {
    SiteShelf shelf;
    test::TempDir elsewhere;
    const fs::path victim = elsewhere.write("victim.txt", "untouched");
    fs::create_directories(shelf.out.file("Site_files"));
    fs::create_symlink(victim, shelf.out.file("Site_files") / "Rock.htm");
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_EQ(test::readFile(victim), "untouched");
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "Tunebay.htm"),
              Crlf(indexPage(entry("Pop", 1) + "  <LI>[Error]</LI>\n" + entry("Rock-Pop", 1))));

    // A site folder that is itself a link to a folder is the user's own arrangement: used.
    fs::create_directory_symlink(elsewhere.path(), shelf.out.file("Other_files"));
    options = shelf.options("Other.htm");
    EXPECT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_TRUE(fs::exists(elsewhere.file("Tunebay.htm")));
}

TEST(WebSiteExport, AnExistingSiteFolderIsReusedAndItsPagesReplaced) {
    SiteShelf shelf;
    fs::create_directories(shelf.out.file("Site_files"));
    shelf.out.write("Site_files/Pop.htm", "old page");
    shelf.out.write("Site_files/notes.txt", "keep");
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_NE(test::readFile(shelf.out.file("Site_files") / "Pop.htm").find("G - P1"),
              std::string::npos);
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "notes.txt"), "keep");
}

TEST(WebSiteExport, GenreNamesNeverLeadOutsideTheSiteFolder) {
    ExportShelf shelf;
    int id = 200;
    for (const char* name : {"../up", "..\\back", "/root", "..", "a/../../b", "Tunebay"}) {
        shelf.catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (" +
                                           std::to_string(id) + ", '" + name + "')");
        shelf.add({.title = "T", .genreId = id++, .directory = "/m/"});
    }
    fs::create_directories(shelf.out.file("deep"));
    ExportOptions options = shelf.options("deep/Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    // The genre "Tunebay" gets a page of its own instead of replacing the index.
    EXPECT_EQ(filesBelow(shelf.out.path()),
              (std::set<std::string>{"deep", "deep/Site.htm", "deep/Site_files",
                                     "deep/Site_files/Tunebay.htm", "deep/Site_files/...htm",
                                     "deep/Site_files/..-up.htm", "deep/Site_files/..!back.htm",
                                     "deep/Site_files/-root.htm", "deep/Site_files/a-..-..-b.htm",
                                     "deep/Site_files/Tunebay_2.htm"}));
    const std::string index = test::readFile(shelf.out.file("deep/Site_files/Tunebay.htm"));
    EXPECT_NE(index.find(Crlf(entry("Tunebay_2", 1))), std::string::npos) << index;
    EXPECT_NE(index.find(Crlf(entry("..-up", 1))), std::string::npos);
}

TEST(WebSiteExport, FailsWhenTheFolderOrTheFramesetCannotBeMade) {
    SiteShelf shelf;
    shelf.out.write("Site_files", "a file where the folder belongs");
    ExportOptions options = shelf.options("Site.htm");
    EXPECT_FALSE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_FALSE(fs::exists(shelf.out.file("Site.htm")));

    // A folder at the page's path: refused before anything is written.
    fs::create_directories(shelf.out.file("Folder.htm"));
    options = shelf.options("Folder.htm");
    EXPECT_FALSE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_FALSE(fs::exists(shelf.out.file("Folder_files")));
}

TEST(WebSiteExport, AnEmptySelectionGivesAnEmptyIndex) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    EXPECT_EQ(test::readFile(shelf.out.file("Site_files") / "Tunebay.htm"), Crlf(indexPage("")));
    // The main frame shows the index when there is no genre page.
    EXPECT_NE(shelf.read("Site.htm")
                  .find("name=\"main\" frameborder=\"NO\" marginwidth=\"0\" "
                        "marginheight=\"18\" bordercolor=\"#000000\" "
                        "src=\"Site_files/Tunebay.htm\">"),
              std::string::npos);
}

// The main frame must never point at a page that was not written.
TEST(WebSiteExport, TheMainFrameShowsTheFirstPageWritten) {
    const struct {
        const char* name;
        std::vector<std::string> genres; // SQL literals, in the order their items are added
        const char* failing;             // a page blocked by a folder of its name, or ""
        const char* mainPage;
    } cases[] = {
        {"EmptyAndUnnamedGenres", {"''", "NULL", "'Rock2'"}, "", "_"},
        {"FirstPageFails", {"'Alpha'", "'Beta'"}, "Alpha.htm", "Beta"},
        {"OnlyPageFails", {"'Alpha'"}, "Alpha.htm", "Tunebay"},
    };
    for (const auto& c : cases) {
        ExportShelf shelf;
        int id = 200;
        for (const std::string& genre : c.genres) {
            shelf.catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (" +
                                               std::to_string(id) + ", " + genre + ")");
            shelf.add({.title = "T" + std::to_string(id), .genreId = id, .directory = "/m/"});
            ++id;
        }
        if (*c.failing)
            fs::create_directories(shelf.out.file("Site_files") / c.failing);
        ExportOptions options = shelf.options("Site.htm");
        ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options)) << c.name;
        const std::string frameset = shelf.read("Site.htm");
        const std::string main = std::string("marginheight=\"18\" bordercolor=\"#000000\" ") +
                                 "src=\"Site_files/" + c.mainPage + ".htm\">";
        EXPECT_NE(frameset.find(main), std::string::npos) << c.name << "\n" << frameset;
        EXPECT_TRUE(
            fs::is_regular_file(shelf.out.file("Site_files") / (std::string(c.mainPage) + ".htm")))
            << c.name;
    }
}

TEST(WebSiteExport, GenresWithoutANameGetPagesOfTheirOwn) {
    ExportShelf shelf;
    shelf.catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (200, ''), "
                                       "(201, NULL)");
    shelf.add({.title = "Empty", .genreId = 200, .directory = "/m/"});
    shelf.add({.title = "None", .genreId = 201, .directory = "/m/"});
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    const fs::path folder = shelf.out.file("Site_files");
    EXPECT_EQ(test::readFile(folder / "Tunebay.htm"),
              Crlf(indexPage(entry("_", 1) + entry("__2", 1))));
    EXPECT_NE(test::readFile(folder / "_.htm").find("None"), std::string::npos);
    EXPECT_NE(test::readFile(folder / "__2.htm").find("Empty"), std::string::npos);
}

TEST(WebSiteExport, LongCollidingGenreNamesAreCutBetweenCharacters) {
    ExportShelf shelf;
    const std::string e = "\xC3\xA9"; // two bytes each
    std::string stem;
    while (stem.size() < 260)
        stem += e;
    shelf.catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (200, '" + stem +
                                       "a'), (201, '" + stem + "b')");
    shelf.add({.title = "A", .genreId = 200, .directory = "/m/"});
    shelf.add({.title = "B", .genreId = 201, .directory = "/m/"});
    ExportOptions options = shelf.options("Site.htm");
    ASSERT_TRUE(ExportWebSite(shelf.catalogue.connection, options));
    int pages = 0;
    for (const auto& item : fs::directory_iterator(shelf.out.file("Site_files"))) {
        const std::string name = item.path().filename().string();
        if (name == "Tunebay.htm")
            continue;
        ++pages;
        EXPECT_TRUE(IsValidUtf8(name)) << name;
        EXPECT_LE(name.size(), 255u);
    }
    EXPECT_EQ(pages, 2);
}

TEST(WebSitePaths, FolderAndPageNames) {
    EXPECT_EQ(WebSiteFolder("/a/b/Name.htm"), "/a/b/Name_files/");
    EXPECT_EQ(WebSiteFolder("Name.htm"), "Name_files/");
    EXPECT_EQ(WebSiteFolder("/a/b.c/Name"), "/a/b.c/Name_files/");
    EXPECT_EQ(GenrePageName("Rock/Pop"), "Rock-Pop");
    EXPECT_EQ(GenrePageName("R&B"), "R&B");
    // Cut to 251 bytes so that ".htm" still fits, never inside a character.
    const std::string cut = GenrePageName(std::string(250, 'a') + "\xC3\xA9");
    EXPECT_EQ(cut, std::string(250, 'a'));
    EXPECT_EQ(GenrePageName(std::string(300, 'a')).size(), 251u);
}

} // namespace
} // namespace tunebay
