// The Tools window and the Function Generator driven through the main window: runs on the
// worker with questions answered by the window, the messages before a run, the exception
// list's Edit button, and the function fields.
#include "function_generator_dialog.h"
#include "gui_tests.h"
#include "support/fake_acoustid_server.h"
#include "support/temp_dir.h"
#include "support/tone_mp3.h"
#include "tools/tools_run.h"
#include "tools_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

using namespace tunebay;
using namespace tunebay::test;

namespace {

// Runs `work` on the generator once it has opened, then lets the caller's double-click return.
void onGenerator(const std::function<void(CFunctionGeneratorDialog&)>& work) {
    QTimer::singleShot(0, [work] {
        auto* generator =
            qobject_cast<CFunctionGeneratorDialog*>(QApplication::activeModalWidget());
        QVERIFY(generator);
        work(*generator);
        if (generator->isVisible())
            generator->reject();
    });
}

} // namespace

class ToolsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void aRunFromTheWindowChangesTheItemsAndShowsItsSummary() {
        TempCatalogue catalogue;
        TempDir music;
        music.write("01.MP3", "a");
        CatalogueBuilder builder(catalogue.connection);
        ItemFacts song = facts("waterloo_", "Abba");
        song.directory = music.path().string() + "/";
        song.fileName = "01.MP3";
        builder.add(song);
        ItemFacts gone = facts("gone_", "Abba");
        gone.directory = song.directory;
        gone.fileName = "gone.mp3";
        builder.add(gone);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        QVERIFY(tools && tools->isVisible());

        tools->toolBox(2)->setChecked(true);
        tools->toolBox(6)->setChecked(true);
        QTest::mouseClick(tools->moreButton(), Qt::LeftButton);
        QCOMPARE(tools->applyButton()->text(), QString("Apply && Refresh"));
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishTools}), 10000);
        QCOMPARE(tools->applyButton()->text(), QString("Apply && Refresh"));
        QCOMPARE(catalogue.scalar("SELECT sFileName FROM tblMedia WHERE sName='waterloo'"),
                 std::string("Abba - waterloo.mp3"));
        QVERIFY(std::filesystem::exists(music.file("Abba - waterloo.mp3")));
        // The missing file is the run's one failure.
        QCOMPARE(window.prompter.messages.size(), 1);
        QVERIFY(
            window.prompter.messages[0].startsWith("> 0 file/s couldn't be auto-identified!\r\n"));
        QVERIFY(
            window.prompter.messages[0].endsWith("gone.mp3 (Rename): No such file or directory"));
        QCOMPARE(window.prompter.icons[0], PromptIcon::Warning);
        // The settings follow the controls.
        QCOMPARE(window.settings.ToolsCorrect, 1);
        QCOMPARE(window.settings.ToolsRename, 1);
        // The command shows and hides the window, with a check mark while it is shown.
        QVERIFY(window.frame->Action("Tools")->isChecked());
        window.frame->Action("Tools")->trigger();
        QVERIFY(!tools->isVisible());
        QVERIFY(!window.frame->Action("Tools")->isChecked());
        window.frame->Action("Tools")->trigger();
        QVERIFY(tools->isVisible());
    }

    void questionsAreAskedByTheWindowWithTheirTitles() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("Old", "Abba"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        tools->toolBox(4)->setChecked(true);
        tools->titleField()->setText("New");
        tools->setBox(kRowTitle)->setChecked(true);
        tools->askBox(kRowTitle)->setChecked(true);
        window.prompter.answers = {QuestionAnswer::No};
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishTools}), 10000);
        QCOMPARE(window.prompter.questionTitles, QStringList({"Tunebay - Title"}));
        QCOMPARE(window.prompter.questions[0], QString("Replace 'Old' in 'file1.mp3'?"));
        QCOMPARE(catalogue.scalar("SELECT sName FROM tblMedia"), std::string("Old"));
    }

    void identificationAsksAboutAWeakCandidateAndTakesIt() {
        const std::string track = "9ff43b6a-4f16-427c-93c2-92307ca505e0";
        FakeAcoustIdServer server;
        // The recordings come with the fingerprint lookup.
        server.answerFingerprint(
            {200, recordingsAnswer(track, {{"Waterloo", {{"ABBA", ""}}, "", 168}})});
        TempCatalogue catalogue;
        TempDir music;
        music.write("01.mp3", toneMp3({5, 20, 0}));
        ItemFacts song = facts("Track 1", "Unknown");
        song.directory = music.path().string() + "/";
        song.fileName = "01.mp3";
        song.length = 20;
        CatalogueBuilder(catalogue.connection).add(song);
        WindowFixture window;
        window.settings.MusicBrainzServerURL = server.url();
        window.settings.MusicBrainzApiKey = "secret";
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        tools->toolBox(1)->setChecked(true);
        window.prompter.answers = {QuestionAnswer::Yes};
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishTools}), 20000);
        QCOMPARE(window.prompter.questionTitles, QStringList({"Tunebay: Result 1 of 1"}));
        QCOMPARE(catalogue.scalar("SELECT sName FROM tblMedia"), std::string("Waterloo"));
        QCOMPARE(catalogue.scalar("SELECT sValue FROM tblOptional WHERE lOptionalTypeID=4095"),
                 track);
    }

    void acousticDuplicatesAreReported() {
        TempCatalogue catalogue;
        TempDir music;
        CatalogueBuilder builder(catalogue.connection);
        const ToneRecipe recipes[] = {{7, 20, 0}, {8, 20, 0}, {7, 25, 37}};
        for (int i = 0; i < 3; ++i) {
            const std::string name = std::to_string(i) + ".mp3";
            music.write(name, toneMp3(recipes[i]));
            ItemFacts song = facts("Song", "Band");
            song.directory = music.path().string() + "/";
            song.fileName = name;
            builder.add(song);
        }
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->Action("AcousticDuplicates")->trigger();
        QCOMPARE(window.prompter.messages.size(), 1);
        const QString text = window.prompter.messages[0];
        QVERIFY2(text.startsWith("1 pair(s) of items sound the same:"), qPrintable(text));
        QVERIFY(text.contains("/0.mp3") && text.contains("/2.mp3") && !text.contains("/1.mp3"));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4119"),
                 std::string("3"));
    }

    void abortStopsTheRunAfterTheCurrentItem() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        for (const char* title : {"One", "Two", "Three"})
            builder.add(facts(title, "Abba"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        tools->toolBox(4)->setChecked(true);
        tools->titleField()->setText("New");
        tools->setBox(kRowTitle)->setChecked(true);
        tools->askBox(kRowTitle)->setChecked(true);
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        // The worker's first question waits for this thread, so the run is still under way.
        QCOMPARE(tools->applyButton()->text(), QString("Abort"));
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishTools}), 10000);
        QCOMPARE(tools->applyButton()->text(), QString("Apply"));
        QVERIFY(window.prompter.questions.size() <= 1);
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE sName='New'"),
                 std::string(window.prompter.questions.size() == 1 ? "1" : "0"));
    }

    void choosingAGroupOffersItsPackages() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Abba", "Gold"));
        builder.add(facts("Two", "Abba", "Arrival"));
        builder.add(facts("Three", "Queen", "Jazz"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        QComboBox* groups = window.frame->ToolsWindow()->groupField();
        const int abba = groups->findText("Abba");
        QVERIFY(abba >= 0);
        groups->setCurrentIndex(abba);
        emit groups->activated(abba);
        QComboBox* packages = window.frame->ToolsWindow()->packageField();
        QCOMPARE(packages->count(), 2);
        QCOMPARE(packages->itemText(0), QString("Arrival"));
        QCOMPARE(packages->itemText(1), QString("Gold"));
    }

    // The tag tool is named after MP3 tags only while the catalogue holds no other audio.
    void theTagToolIsNamedForTheCataloguesFormats() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Abba", "Gold"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        QCOMPARE(tools->toolBox(5)->text(), QString("5. MP3 tag"));
        catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=2");
        tools->FillLists();
        QCOMPARE(tools->toolBox(5)->text(), QString("5. Tag"));
    }

    void nothingCheckedAndAnEmptyTitleAreRefused() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        tools->toolBox(4)->setChecked(true);
        tools->setBox(kRowTitle)->setChecked(true);
        tools->titleField()->clear();
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QCOMPARE(window.prompter.messages,
                 QStringList({kMessageNothingChecked, kMessageEmptyTitle}));
        QCOMPARE(window.prompter.icons,
                 (QList<PromptIcon>{PromptIcon::Information, PromptIcon::Error}));
        QVERIFY(!window.frame->IsAnyOperationRunning());
    }

    void editOpensTheUsersOwnCopyOfTheExceptionList() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        QVERIFY(tools->Exceptions().list);
        QCOMPARE(tools->editButton()->text(),
                 QString("Edit (%1)").arg(tools->Exceptions().list->size()));
        tools->capitalizeMode()->setCurrentIndex(1);
        QVERIFY(!tools->editButton()->isEnabled());
        tools->capitalizeMode()->setCurrentIndex(0);
        QVERIFY(tools->editButton()->isEnabled());
        QTest::mouseClick(tools->editButton(), Qt::LeftButton);
        QCOMPARE(window.prompter.messages, QStringList({kMessageRestartForExceptions}));
        QCOMPARE(window.prompter.opened.size(), 1);
        const std::string copy = window.prompter.opened[0].toStdString();
        QVERIFY(window.prompter.opened[0].endsWith("/Tunebay/capitalize.txt"));
        QCOMPARE(readFile(copy), readFile(window.settings.AppDirectory + "capitalize.txt"));
        std::filesystem::remove(copy);
    }

    void functionFieldsShowItalicsAndTheGeneratorFillsThem() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowTools();
        QLineEdit* title = window.frame->ToolsWindow()->titleField();
        title->setText("Plain title");
        QVERIFY(!FieldFunctionDecorator::ShowsFunction(title));
        title->setText("Delete(0, 5);");
        QVERIFY(FieldFunctionDecorator::ShowsFunction(title));

        onGenerator([](CFunctionGeneratorDialog& generator) {
            QCOMPARE(generator.windowTitle(), QString("Function Generator"));
            QCOMPARE(generator.functionLine()->text(), QString("Replace(\"word1\", \"word2\");"));
            generator.statementList()->setCurrentIndex(1);
            QCOMPARE(generator.firstArgument()->count(), 3);
            generator.firstArgument()->setEditText("seven");
            QCOMPARE(generator.previewLine()->text(),
                     QString("\"This is a preview!\" -> !!!ERROR!!! at character 8: a number or "
                             "END expected"));
            QVERIFY(!generator.okButton()->isEnabled());
            generator.firstArgument()->setEditText("END - 1");
            generator.secondArgument()->setEditText(" again");
            QCOMPARE(generator.previewLine()->text(),
                     QString("\"This is a preview!\" -> \"This is a preview again!\""));
            QTest::mouseClick(generator.okButton(), Qt::LeftButton);
        });
        QTest::mouseDClick(title, Qt::LeftButton);
        QCOMPARE(title->text(), QString("Insert(END - 1, \" again\");"));

        // Cancel leaves the field alone.
        QLineEdit* group = window.frame->ToolsWindow()->groupField()->lineEdit();
        group->setText("Abba");
        onGenerator([](CFunctionGeneratorDialog& generator) { generator.reject(); });
        QTest::mouseDClick(group, Qt::LeftButton);
        QCOMPARE(group->text(), QString("Abba"));
    }
};

int RunToolsWindowTests(int argc, char** argv) {
    ToolsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tools_window_test.moc"
