#include "app/app_settings.h"
#include "core/output/export_fixture.h"
#include "output/run_exporter.h"
#include "output/support_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunebay {
namespace {

using test::ExportShelf;
namespace fs = std::filesystem;

TEST(ExportFormats, TheSaveDialogListsSevenFormatsInOrder) {
    ASSERT_EQ(kExportFormats.size(), 7u);
    const char* filters[] = {"HTML File (*.htm)", "Text File (*.txt)", "M3U File (*.m3u)",
                             "PLS File (*.pls)",  "CSV File (*.csv)",  "XML File (*.xml)",
                             "WebSite (*.htm)"};
    for (int index = 1; index <= 7; ++index) {
        const ExportFormatInfo* info = FindExportFormat(index);
        ASSERT_NE(info, nullptr);
        EXPECT_STREQ(info->filterText, filters[index - 1]);
        EXPECT_EQ(info->pattern, "*" + std::string(info->extension));
        EXPECT_EQ(FindExportFormat(std::string_view(info->cliName)), info);
    }
    EXPECT_EQ(FindExportFormat(0), nullptr);
    EXPECT_EQ(FindExportFormat(8), nullptr);
    EXPECT_EQ(FindExportFormat(std::string_view("doc")), nullptr);
}

TEST(ExportFormats, PlaylistsTakeNoOptionsAndOnlyListsTextCsvAndSitesAreLaunched) {
    for (const ExportFormatInfo& info : kExportFormats) {
        const bool playlist = info.format == kExportM3u || info.format == kExportPls;
        EXPECT_EQ(info.takesOptionsSheet, !playlist) << info.cliName;
        EXPECT_EQ(info.launchesFile, !playlist && info.format != kExportXml) << info.cliName;
    }
}

TEST(ExportOptionsRecord, ComesFromTheSettings) {
    CAppSettings settings;
    settings.HTMLTitle = "Mine";
    settings.HTMLSubDivision = 1;
    settings.HTMLShowIcons = 0;
    settings.HTMLShowNumbers = 0;
    settings.HTMLColumns = 3;
    settings.HTMLOrderType = 8;
    settings.HTMLLinkType = 2;
    settings.HTMLDetailLevel = 4;
    const ExportOptions options = MakeExportOptions(settings, "/tmp/x.htm");
    EXPECT_EQ(options.path, "/tmp/x.htm");
    EXPECT_EQ(options.title, "Mine");
    EXPECT_EQ(options.subdivide, 1);
    EXPECT_EQ(options.showIcons, 0);
    EXPECT_EQ(options.showIndex, 0);
    EXPECT_EQ(options.itemsPerRow, 3);
    EXPECT_EQ(options.orderType, 8);
    EXPECT_EQ(options.linkType, 2);
    EXPECT_EQ(options.columnSet, 4);
}

TEST(ExportOptionsRecord, SelectListsFollowLinkTypeAndColumnSet) {
    EXPECT_EQ(ExportSelectList(2, 1), "SELECT tblDirectory.sUNC, tblMedia.sFileName, "
                                      "tblMedia.sName, tblGroup.sName");
    EXPECT_EQ(ExportSelectList(3, 2), "SELECT tblDirectory.sURL, tblMedia.sFileName, "
                                      "tblMedia.sName, tblGroup.sName, tblMedia.lLength");
    EXPECT_EQ(ExportSelectList(0, 7), "SELECT tblDirectory.sLocal, tblMedia.sFileName, "
                                      "tblMedia.sName");
    EXPECT_EQ(PlaylistSelectList(3), "SELECT tblDirectory.sURL, tblMedia.sFileName, "
                                     "tblMedia.sName, tblGroup.sName, tblMedia.lLength");
}

TEST(ExportOptionsRecord, TheOrderListStaysConsistentWithTheColumnSet) {
    EXPECT_EQ(OrderTypeOfPosition(1), 8);
    EXPECT_EQ(OrderTypeOfPosition(0), 7);
    EXPECT_EQ(OrderPositionOf(8), 1);
    EXPECT_EQ(OrderPositionOf(2), 0);
    EXPECT_EQ(OrderPositionAfterColumnSetChoice(2, 1), 0);
    EXPECT_EQ(OrderPositionAfterColumnSetChoice(3, 1), 1);
    EXPECT_EQ(ColumnSetPositionAfterOrderChoice(1, 1), 3);
    EXPECT_EQ(ColumnSetPositionAfterOrderChoice(1, 4), 4);
    EXPECT_EQ(ColumnSetPositionAfterOrderChoice(0, 1), 1);
}

TEST(ExportSorting, OrderTypesGiveTheirSortClauses) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.htm");
    options.orderType = 7;
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportHtmlList, options));
    EXPECT_TRUE(
        SelectionStatement(options.selection)
            .ends_with(" ORDER BY tblGroup.sName ASC, tblMedia.sName ASC, tblItem.lID ASC"));
    options.columnSet = 0;
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportText, options));
    EXPECT_TRUE(SelectionStatement(options.selection).ends_with("tblDirectory.lID"));
    options.orderType = 8;
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportCsv, options));
    EXPECT_TRUE(SelectionStatement(options.selection)
                    .ends_with(" ORDER BY tblGenre.sName ASC, tblItem.lID ASC"));
    options.columnSet = 3;
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportXml, options));
    EXPECT_TRUE(SelectionStatement(options.selection)
                    .ends_with(" ORDER BY tblGenre.sName ASC, tblGroup.sName ASC, "
                               "tblMedia.sName ASC, tblItem.lID ASC"));
    EXPECT_FALSE(RunExporter(shelf.catalogue.connection, 0, options));
}

TEST(ExportPaths, ExtensionAndFolderOfTheChosenFile) {
    EXPECT_EQ(WithExportExtension("/a/Untitled", kExportText), "/a/Untitled.txt");
    EXPECT_EQ(WithExportExtension("/a/list.htm", kExportText), "/a/list.htm");
    EXPECT_EQ(WithExportExtension("/a.b/list", kExportWebSite), "/a.b/list.htm");
    EXPECT_EQ(WithExportExtension("/a/.hidden", kExportXml), "/a/.hidden.xml");
    EXPECT_EQ(ExportFolderOf("/home/me/list.htm"), "/home/me/");
    EXPECT_EQ(ExportFolderOf("list.htm"), "");
}

TEST(ExportCommandCore, CopiesSupportFilesAndNamesTheFileToOpen) {
    ExportShelf shelf;
    test::TempDir app;
    app.write("tb.css", "style");
    app.write("mediaicon.gif", "icon");
    app.write("bullet.gif", "bullet");
    for (const ExportFormatInfo& info : kExportFormats) {
        const std::string name = std::string("out") + std::to_string(info.format) + info.extension;
        ExportOutcome outcome = RunExport(shelf.catalogue.connection, info.format,
                                          shelf.options(name), app.path().string() + "/", true);
        EXPECT_TRUE(outcome.done);
        // The web site opens its frameset page, not its folder.
        EXPECT_EQ(outcome.launchPath, info.launchesFile ? shelf.out.file(name).string() : "");
        outcome = RunExport(shelf.catalogue.connection, info.format, shelf.options(name),
                            app.path().string() + "/", false);
        EXPECT_EQ(outcome.launchPath, "");
    }
    EXPECT_EQ(test::readFile(shelf.out.file("tb.css")), "style");
    EXPECT_EQ(test::readFile(shelf.out.file("out7_files/bullet.gif")), "bullet");

    ExportOptions options = shelf.options("x.htm");
    options.path = shelf.out.path().string();
    const ExportOutcome failed =
        RunExport(shelf.catalogue.connection, kExportHtmlList, options, "/nonexistent/", true);
    EXPECT_FALSE(failed.done);
    EXPECT_EQ(failed.launchPath, "");
}

TEST(ExportFiles, EveryLineEndsWithCarriageReturnAndLineFeed) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .group = "Band", .directory = "/m/"});
    for (const ExportFormatInfo& info : kExportFormats) {
        ExportOptions options = shelf.options(std::string("all") + info.extension);
        ASSERT_TRUE(RunExporter(shelf.catalogue.connection, info.format, options));
        const std::string bytes = shelf.read(std::string("all") + info.extension);
        for (std::size_t at = bytes.find('\n'); at != std::string::npos;
             at = bytes.find('\n', at + 1))
            ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << info.cliName << " at " << at;
    }
}

TEST(SupportFiles, AreCopiedNextToThePagesOnlyWhenAbsent) {
    test::TempDir app;
    for (const char* name : {"tb.css", "mediaicon.gif", "bullet.gif"})
        app.write(name, std::string("new ") + name);
    test::TempDir out;
    out.write("tb.css", "mine");

    ExportOptions options;
    options.path = out.file("list.htm").string();
    options.showIcons = 1;
    CopySupportFiles(kExportHtmlList, options, app.path().string() + "/");
    EXPECT_EQ(test::readFile(out.file("tb.css")), "mine");
    EXPECT_EQ(test::readFile(out.file("mediaicon.gif")), "new mediaicon.gif");
    EXPECT_FALSE(fs::exists(out.file("bullet.gif")));

    fs::create_directories(out.file("Site_files"));
    options.path = out.file("Site_files").string() + "/";
    options.showIcons = 0;
    CopySupportFiles(kExportWebSite, options, app.path().string() + "/");
    EXPECT_EQ(test::readFile(out.file("Site_files/bullet.gif")), "new bullet.gif");
    EXPECT_EQ(test::readFile(out.file("Site_files/tb.css")), "new tb.css");
    EXPECT_FALSE(fs::exists(out.file("Site_files/mediaicon.gif")));

    EXPECT_TRUE(SupportFilesOf(kExportText, true).empty());
    EXPECT_TRUE(SupportFilesOf(kExportXml, true).empty());
    // A missing source is passed over.
    options.path = out.file("other/list.htm").string();
    CopySupportFiles(kExportHtmlList, options, "/nonexistent/");
}

TEST(SupportFiles, TheProgramsOwnImagesAreGifsOfTheirSize) {
    const std::string icon = test::readFile(test::dataDirectory() + "mediaicon.gif");
    ASSERT_GE(icon.size(), 10u);
    EXPECT_EQ(icon.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(icon[6]) | static_cast<unsigned char>(icon[7]) << 8, 14);
    EXPECT_EQ(static_cast<unsigned char>(icon[8]) | static_cast<unsigned char>(icon[9]) << 8, 15);
    EXPECT_EQ(test::readFile(test::dataDirectory() + "bullet.gif").substr(0, 6), "GIF89a");
    EXPECT_NE(test::readFile(test::dataDirectory() + "tb.css").find("body.tunebay"),
              std::string::npos);
}

} // namespace
} // namespace tunebay
