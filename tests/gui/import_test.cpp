// The import commands driven through the window: the chosen folder is imported by a worker,
// the views refresh, and files already catalogued are reported.
#include "gui_tests.h"
#include "import/import_operations.h"
#include "item_list_model.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace tunebay;
using namespace tunebay::test;

namespace {

std::string taggedMp3(const std::string& title, const std::string& artist) {
    Mp3Recipe recipe;
    Id3v1Fields tag;
    tag.title = title;
    tag.artist = artist;
    tag.album = "Album";
    recipe.id3v1 = tag;
    return makeMp3(recipe);
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void folderImportFillsTheWindow() {
        TempCatalogue catalogue;
        TempDir music;
        music.write("one.mp3", taggedMp3("Song One", "Group A"));
        music.write("two.mp3", taggedMp3("Song Two", "Group B"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.folder = QString::fromStdString(music.path().string());

        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QSignalSpy listed(window.frame.get(), &CMainFrame::listingFinished);
        window.frame->ImportFolder();
        QVERIFY(window.frame->IsAnyOperationRunning());
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(listed.count() > 0, 10000);
        QCOMPARE(window.frame->ItemModel()->rowCount(), 2);
        QCOMPARE(window.frame->CounterText(), QString("2/2 (2)"));
        QVERIFY(window.prompter.messages.isEmpty());
        QCOMPARE(window.settings.ImportFolder, music.path().string() + "/");

        // The same folder again: nothing new, both files reported.
        finished.clear();
        window.frame->ImportFolder();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 10000);
        QCOMPARE(window.prompter.messages, QStringList({"2 file/s couldn't be imported!"}));
        QCOMPARE(window.frame->TotalCount(), 2);
    }

    void fileImportRunsInTheWindow() {
        TempCatalogue catalogue;
        TempDir music;
        const auto path = music.write("single.mp3", taggedMp3("Single", "Solo"));
        music.write("notes.txt", "not audio");
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.openFiles = {QString::fromStdString(path.string()),
                                     QString::fromStdString(music.file("notes.txt").string())};
        QVERIFY(window.listAfter([&] { window.frame->ImportFiles(); }));
        QCOMPARE(window.frame->ItemModel()->rowCount(), 1);
        QCOMPARE(window.prompter.messages, QStringList({"1 file/s couldn't be imported!"}));
        QCOMPARE(window.settings.ImportFilesDir, music.path().string() + "/");
    }

    void theItemTotalGrowsAsBatchesAreCommitted() {
        TempCatalogue catalogue;
        TempDir music;
        constexpr int kFiles = 12;
        for (int i = 0; i < kFiles; ++i)
            music.write("f" + std::to_string(i) + ".mp3", taggedMp3("T" + std::to_string(i), "G"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        // Fingerprinting paces the run: a tenth of a second a file, and it holds at the
        // tenth file until the test has seen the total, so a batch is committed midway.
        std::atomic<int> fingerprinted{0};
        std::atomic<bool> released{false};
        ImportOptions options = ImportOptions::FromSettings(window.settings);
        options.generateFingerprint = true;
        auto run = std::make_shared<FolderImportOperation>(
            window.frame->ProgressSink(), window.frame->Connection(), music.path().string() + "/",
            options, window.clock, [&](const std::string&, const std::function<bool()>&) {
                if (++fingerprinted == 10)
                    while (!released)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return FileFingerprint();
            });
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QVERIFY(window.frame->StartOperation(run));
        QTRY_VERIFY_WITH_TIMEOUT(window.frame->TotalCount() > 0, 10000);
        QVERIFY(window.frame->TotalCount() < kFiles);
        QVERIFY(finished.isEmpty());
        released = true;
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 10000);
        QCOMPARE(window.frame->TotalCount(), kFiles);
    }

    void badPlaylistIsRefused() {
        TempCatalogue catalogue;
        TempDir music;
        const auto playlist = music.write("list.pls", "[playlist]\nFile1=a.mp3\n");
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.openFile = QString::fromStdString(playlist.string());
        window.frame->ImportPls();
        QCOMPARE(window.prompter.messages,
                 QStringList({"No, corrupt or empty PLS file Version 2!"}));
        QVERIFY(!window.frame->IsAnyOperationRunning());
    }

    void playlistImportCataloguesItsEntries() {
        TempCatalogue catalogue;
        TempDir music;
        const auto playlist = music.write(
            "list.pls", "[playlist]\nFile1=/music/a.mp3\nTitle1=Group - Song\nLength1=61\n"
                        "NumberOfEntries=1\nVersion=2\n");
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.openFile = QString::fromStdString(playlist.string());
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->ImportPls();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishPlsImport}), 10000);
        QCOMPARE(catalogue.scalar("SELECT sName FROM tblMedia"), std::string("Song"));
        QCOMPARE(window.frame->TotalCount(), 1);
    }

    void escapeStopsAFolderImportAndItsSummaryAppears() {
        TempCatalogue catalogue;
        TempDir music;
        // Junk named .mp3: every file the run gets to fails, so the stopped run has a summary.
        constexpr int kFiles = 20000;
        for (int i = 0; i < kFiles; ++i)
            music.write("f" + std::to_string(i) + ".mp3", "not audio " + std::to_string(i));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.folder = QString::fromStdString(music.path().string());
        window.prompter.answerYes = true;
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->ImportFolder();
        // ESC once the worker has moved from searching to importing.
        QTRY_VERIFY_WITH_TIMEOUT(window.frame->StatusText().startsWith("Importing files...  "),
                                 20000);
        window.frame->StopAll(true);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 20000);
        QCOMPARE(window.prompter.questions.value(0), QString("Stop all running operations?"));
        QCOMPARE(window.prompter.messages.size(), 1);
        const QString summary = window.prompter.messages.front();
        QVERIFY(summary.endsWith(" file/s couldn't be imported!"));
        QVERIFY(summary.section(' ', 0, 0).toInt() < kFiles);
        // What is left is the listing that the refresh after the import started.
        QTRY_VERIFY_WITH_TIMEOUT(!window.frame->IsAnyOperationRunning(), 10000);
    }

    void disconnectDuringAnImportIsRefused() {
        TempCatalogue catalogue;
        TempDir music;
        for (int i = 0; i < 40; ++i)
            music.write("f" + std::to_string(i) + ".mp3", taggedMp3("T" + std::to_string(i), "G"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.folder = QString::fromStdString(music.path().string());
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->ImportFolder();
        if (window.frame->IsAnyOperationRunning() && finished.isEmpty()) {
            window.frame->Disconnect();
            QVERIFY(window.frame->IsCatalogueOpen());
            QCOMPARE(window.prompter.messages.value(0),
                     QString("There is at least one operation running! Press ESC to stop them!"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 20000);
    }

    void updateAsksFirst() {
        TempCatalogue catalogue;
        TempDir music;
        music.write("one.mp3", taggedMp3("Song One", "Group A"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.folder = QString::fromStdString(music.path().string());
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->ImportFolder();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishImport}), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.frame->IsAnyOperationRunning(), 10000);

        music.write("one.mp3", taggedMp3("Song Renamed", "Group A"));
        window.prompter.answerYes = false;
        window.frame->UpdateItems();
        QCOMPARE(window.prompter.questions.size(), 1);
        QVERIFY(!window.frame->IsAnyOperationRunning());
        window.prompter.answerYes = true;
        finished.clear();
        window.frame->UpdateItems();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishUpdate}), 10000);
        QCOMPARE(catalogue.scalar("SELECT sName FROM tblMedia"), std::string("Song Renamed"));
    }
};

int RunImportTests(int argc, char** argv) {
    ImportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "import_test.moc"
