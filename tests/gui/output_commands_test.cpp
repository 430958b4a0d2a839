// The Export and Statistic commands driven through the window: the chosen file and format, the
// options question, the written page with its support files, and the report.
#include "gui_tests.h"
#include "statistics_dialog.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QAction>
#include <QTest>

#include <filesystem>

using namespace tunebay;
using namespace tunebay::test;

class OutputCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheChosenFormatAndOpensIt() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("Waterloo", "ABBA", "Gold", 13, 171));
        builder.add(facts("Bohemian Rhapsody", "Queen", "Opera", 17, 355));
        TempDir target;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.settings.ExportFolder = target.path().string() + "/";
        window.settings.ExportFilterIndex = 2;
        window.prompter.saveFile = QString::fromStdString(target.file("songs").string());
        window.prompter.exportFilterIndex = 1; // the user picks the HTML list
        window.frame->ExportItems();

        QCOMPARE(window.prompter.exportFilters.size(), 7);
        QCOMPARE(window.prompter.exportFilters.front(), QString("HTML File (*.htm)"));
        QCOMPARE(window.prompter.offeredFilterIndex, 2);
        QCOMPARE(window.prompter.exportInitialPath,
                 QString::fromStdString(target.path().string() + "/Untitled"));
        QCOMPARE(window.prompter.exportOptionsAsked, 1);
        QCOMPARE(window.settings.ExportFilterIndex, 1);
        const auto page = target.file("songs.htm");
        QVERIFY(std::filesystem::exists(page));
        QVERIFY(std::filesystem::exists(target.file("tb.css")));
        const std::string html = readFile(page);
        QVERIFY(html.find("Waterloo") != std::string::npos);
        QVERIFY(html.find("Bohemian Rhapsody") != std::string::npos);
        QCOMPARE(window.prompter.opened, QStringList({QString::fromStdString(page.string())}));
        QVERIFY(window.prompter.messages.isEmpty());
        QCOMPARE(window.frame->StatusText(), QString());
    }

    void playlistsAskNoOptionsAndCancelledOptionsExportNothing() {
        TempCatalogue catalogue;
        CatalogueBuilder(catalogue.connection).add(facts("Song", "Band"));
        TempDir target;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.saveFile = QString::fromStdString(target.file("list.m3u").string());
        window.prompter.exportFilterIndex = 3;
        window.frame->ExportItems();
        QCOMPARE(window.prompter.exportOptionsAsked, 0);
        QVERIFY(std::filesystem::exists(target.file("list.m3u")));
        QVERIFY(window.prompter.opened.isEmpty()); // playlists are not opened

        window.prompter.saveFile = QString::fromStdString(target.file("page.htm").string());
        window.prompter.exportFilterIndex = 1;
        window.prompter.exportOptionsOk = false;
        window.frame->ExportItems();
        QVERIFY(!std::filesystem::exists(target.file("page.htm")));
    }

    void aPageWithoutAnAssociatedApplicationIsReportedAsInformation() {
        TempCatalogue catalogue;
        CatalogueBuilder(catalogue.connection).add(facts("Song", "Band"));
        TempDir target;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.settings.HTMLLaunchFile = 1;
        window.prompter.openSucceeds = false;
        window.prompter.saveFile = QString::fromStdString(target.file("songs.htm").string());
        window.prompter.exportFilterIndex = 1;
        window.frame->ExportItems();
        QCOMPARE(window.prompter.opened.size(), 1);
        QCOMPARE(window.prompter.messages,
                 QStringList({"There is no application associated with the given file name "
                              "extension!"}));
        QCOMPARE(window.prompter.icons.front(), PromptIcon::Information);
    }

    void aFileThatCannotBeWrittenIsReported() {
        TempCatalogue catalogue;
        CatalogueBuilder(catalogue.connection).add(facts("Song", "Band"));
        TempDir target;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.saveFile =
            QString::fromStdString(target.file("missing/folder/x.txt").string());
        window.prompter.exportFilterIndex = 2;
        window.frame->ExportItems();
        QCOMPARE(window.prompter.messages, QStringList({"An error occurred while exporting!"}));
        QCOMPARE(window.prompter.icons.front(), PromptIcon::Information);
    }

    void statisticShowsTheReport() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Band", "Album", 17, 60));
        builder.add(facts("Unknown", "Band", "Album", 17, 120));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowStatistic();
        QCOMPARE(window.prompter.messages.size(), 1);
        const QString report = window.prompter.messages.front();
        QVERIFY(report.startsWith("ALL items...\nMediaItems \t2 (1)\n"));
        QVERIFY(report.contains("\nSELECTED items...\nMediaItems \t2 (1)\n"));
        QVERIFY(report.contains("SumLength \t03:00"));
        QVERIFY(report.endsWith(" * values in () are used/not unknown"));
        QCOMPARE(window.prompter.icons.front(), PromptIcon::Information);
        // The charts beside the report cover the same items.
        QCOMPARE(window.prompter.charts.size(), std::size_t{5});
        QCOMPARE(window.prompter.charts.front().bars.size(), std::size_t{1});
        QCOMPARE(window.prompter.charts.front().bars.front().value, 2.0);
        // Its window names the command that opened it.
        const StatisticsDialog dialog(ReportTable(report), window.prompter.charts);
        QCOMPARE(dialog.windowTitle(),
                 window.frame->Action("Statistic")->text().remove('&').remove("..."));
    }
};

int RunOutputCommandsTests(int argc, char** argv) {
    OutputCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "output_commands_test.moc"
