// Copy files and Move files from the window: the copy settings on the General page, the checks
// of the destination folder before a run, and real runs into temporary folders with their
// summaries.
#include "fake_prompter.h"
#include "gui_tests.h"
#include "jukora_view.h"
#include "options_general_page.h"
#include "options_sheet.h"
#include "output/copy_move_run.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

using namespace tunebay;
using namespace tunebay::test;

namespace {

namespace fs = std::filesystem;

// Catalogues a real file written into `folder`.
AddedItem addFile(CatalogueBuilder& builder, const TempDir& folder, const std::string& name,
                  const std::string& group, int genreId) {
    const fs::path path = folder.write(name, "bytes of " + name);
    ItemFacts item = facts(name, group, "Unknown", genreId);
    item.directory = folder.path().string() + "/";
    item.fileName = name;
    item.size = static_cast<double>(fs::file_size(path));
    return builder.add(item);
}

} // namespace

class CopyMoveTest : public QObject {
    Q_OBJECT
private slots:
    void generalPageEditsEveryCopySetting() {
        CAppSettings settings;
        FakePrompter prompter;
        prompter.folder = "/srv/sorted";
        COptionsSheet sheet(settings, prompter);
        COptionsGeneralPage& page = *sheet.generalPage;
        // Defaults: no folder, no subfolders, "only if more" on but waiting for the group box.
        QCOMPARE(page.copyFolder->text(), QString());
        QVERIFY(!page.subfolderGroup->isChecked());
        QVERIFY(page.subfolderGroupMore->isChecked());
        QVERIFY(!page.subfolderGroupMore->isEnabled());
        QCOMPARE(page.limitSize->text(), QString("650"));

        page.browse->click();
        QCOMPARE(page.copyFolder->text(), QString("/srv/sorted/"));
        page.subfolderGroup->setChecked(true);
        QVERIFY(page.subfolderGroupMore->isEnabled());
        page.subfolderGroupMore->setChecked(false);
        page.subfolderGenre->setChecked(true);
        page.limit->setChecked(true);
        page.limitSize->setText("700");
        page.hardLinks->setChecked(true);
        sheet.accept();
        QCOMPARE(settings.GeneralCopyFolder, std::string("/srv/sorted/"));
        QCOMPARE(settings.GeneralCreateSubfolderGroup, 1);
        QCOMPARE(settings.GeneralCreateSubfolderGroupMore, 0);
        QCOMPARE(settings.GeneralCreateSubfolderGenre, 1);
        QCOMPARE(settings.GeneralLimit, 1);
        QCOMPARE(settings.GeneralLimitSize, 700);
        QCOMPARE(settings.GeneralUseHardLinks, 1);

        // A second opening shows what was stored.
        COptionsSheet again(settings, prompter);
        QCOMPARE(again.generalPage->copyFolder->text(), QString("/srv/sorted/"));
        QVERIFY(again.generalPage->subfolderGroup->isChecked());
        QVERIFY(!again.generalPage->subfolderGroupMore->isChecked());
        QVERIFY(again.generalPage->limit->isChecked());
        QVERIFY(again.generalPage->hardLinks->isChecked());
    }

    void commandsFollowTheOpenCatalogue() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(!window.frame->Action("CopyFiles")->isEnabled());
        QVERIFY(!window.frame->Action("MoveFiles")->isEnabled());
        QVERIFY(window.open(catalogue.path()));
        QVERIFY(window.frame->Action("CopyFiles")->isEnabled());
        QVERIFY(window.frame->Action("MoveFiles")->isEnabled());
        QVERIFY(window.frame->ItemView()->actions().contains(window.frame->Action("CopyFiles")));
    }

    // Each check ends the command before anything is copied.
    void startChecksRefuse_data() {
        QTest::addColumn<QString>("folder"); // "@" stands for the temporary target
        QTest::addColumn<bool>("limit");
        QTest::addColumn<bool>("occupied");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("questions");
        QTest::newRow("no folder, none chosen") << "" << false << false << "" << 0;
        QTest::newRow("relative folder")
            << "sorted/music" << false << false << QString(kMessageRelativeFolder) << 0;
        QTest::newRow("limit needs an empty folder")
            << "@" << true << true << "You set up a limit! You have to specify an empty folder!"
            << 0;
        QTest::newRow("missing folder, not created") << "@/new" << false << false << "" << 1;
    }
    void startChecksRefuse() {
        QFETCH(QString, folder);
        QFETCH(bool, limit);
        QFETCH(bool, occupied);
        QFETCH(QString, message);
        QFETCH(int, questions);
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        TempDir music;
        TempDir target;
        addFile(builder, music, "song.mp3", "Band", 13);
        if (occupied)
            target.write("keep.txt", "k");
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.settings.GeneralCopyFolder =
            folder.replace("@", QString::fromStdString(target.path().string())).toStdString();
        window.settings.GeneralLimit = limit ? 1 : 0;
        window.prompter.answerYes = false;
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->Action("CopyFiles")->trigger();

        QCOMPARE(window.prompter.questions.size(), questions);
        if (questions)
            QCOMPARE(window.prompter.questions[0],
                     QString("Specified folder doesn't exist! Do you want to create it?"));
        QCOMPARE(window.prompter.messages,
                 message.isEmpty() ? QStringList() : QStringList({message}));
        if (!message.isEmpty())
            QCOMPARE(window.prompter.icons[0], PromptIcon::Error);
        QVERIFY(!window.frame->IsAnyOperationRunning());
        QVERIFY(finished.isEmpty());
        QVERIFY(!fs::exists(target.file("song.mp3")));
        QVERIFY(!fs::exists(target.file("new")));
        QCOMPARE(fs::exists(target.file("keep.txt")), occupied);
    }

    void copyRunsIntoACreatedFolderWithGenreFolders() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        TempDir music;
        TempDir target;
        addFile(builder, music, "one.mp3", "Duo", 13);
        addFile(builder, music, "two.mp3", "Duo", 13);
        addFile(builder, music, "solo.mp3", "Solo", 17);
        const std::string genre13 = catalogue.scalar("SELECT sName FROM tblGenre WHERE lID=13");
        const std::string genre17 = catalogue.scalar("SELECT sName FROM tblGenre WHERE lID=17");
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        const std::string destination = (target.path() / "sorted" / "out").string();
        window.settings.GeneralCopyFolder = destination;
        window.settings.GeneralCreateSubfolderGenre = 1;
        window.settings.GeneralCreateSubfolderGroup = 1;
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->Action("CopyFiles")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishCopyMove}), 10000);

        // The folder was asked for, made, and completed with its slash in the settings.
        QCOMPARE(window.prompter.questions,
                 QStringList({"Specified folder doesn't exist! Do you want to create it?"}));
        QCOMPARE(window.settings.GeneralCopyFolder, destination + "/");
        const fs::path out(destination);
        QCOMPARE(readFile(out / ("!" + genre13) / "Duo" / "one.mp3"),
                 std::string("bytes of one.mp3"));
        QVERIFY(fs::exists(out / ("!" + genre13) / "Duo" / "two.mp3"));
        // A group with one title in its genre stays in the genre folder.
        QVERIFY(fs::exists(out / ("!" + genre17) / "solo.mp3"));
        QVERIFY(fs::exists(music.file("one.mp3")));
        // A run without failures ends with a short summary.
        QCOMPARE(window.prompter.messages,
                 QStringList({QString::fromStdString("3 files have been copied to " + destination +
                                                     "/.")}));
        QCOMPARE(window.prompter.icons, QList<PromptIcon>({PromptIcon::Information}));
        QCOMPARE(window.frame->StatusText(), QString());
        QVERIFY(!window.frame->IsAnyOperationRunning());
    }

    void withoutAFolderOneIsChosenAndKept() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        TempDir music;
        TempDir target;
        addFile(builder, music, "song.mp3", "Band", 13);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.prompter.folder = QString::fromStdString(target.path().string());
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->Action("MoveFiles")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishCopyMove}), 10000);

        QVERIFY(fs::exists(target.file("song.mp3")));
        QCOMPARE(window.settings.GeneralCopyFolder, target.path().string() + "/");
        QCOMPARE(window.prompter.messages,
                 QStringList({QString::fromStdString("1 files have been moved to " +
                                                     target.path().string() + "/.")}));
        // The options page shows the folder that was chosen.
        COptionsSheet sheet(window.settings, window.prompter);
        QCOMPARE(sheet.generalPage->copyFolder->text(),
                 QString::fromStdString(target.path().string() + "/"));
    }

    void moveKeepsTheCatalogueInStepAndReportsFailures() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        TempDir music;
        TempDir target;
        const AddedItem moved = addFile(builder, music, "here.mp3", "Band", 13);
        addFile(builder, music, "gone.mp3", "Band", 13);
        fs::remove(music.file("gone.mp3"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.settings.GeneralCopyFolder = target.path().string() + "/";
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->Action("MoveFiles")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishCopyMove}), 10000);

        QVERIFY(fs::exists(target.file("here.mp3")));
        QVERIFY(!fs::exists(music.file("here.mp3")));
        QCOMPARE(catalogue.scalar("SELECT tblDirectory.sLocal FROM tblMedia, tblDirectory WHERE "
                                  "tblMedia.lDirectoryID=tblDirectory.lID AND tblMedia.lID=" +
                                  std::to_string(moved.mediaId)),
                 target.path().string() + "/");
        QCOMPARE(window.prompter.messages,
                 QStringList({QString::fromStdString(
                     "> 1 files couldn't be copied/moved!\r\n> 1 files have been "
                     "copied/moved successfully!\r\n\r\n" +
                     music.file("gone.mp3").string() + " (No such file or directory)")}));
        QCOMPARE(window.prompter.icons, QList<PromptIcon>({PromptIcon::Warning}));
    }
};

int RunCopyMoveTests(int argc, char** argv) {
    CopyMoveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "copy_move_test.moc"
