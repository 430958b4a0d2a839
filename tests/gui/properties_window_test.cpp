// The Properties window and General Properties driven through the main window: open, step,
// edit and save with the question, and the Directories page's write-back on OK only.
#include "general_properties_sheet.h"
#include "gui_tests.h"
#include "properties_directory_page.h"
#include "properties_window.h"
#include "support/encoded_audio.h"
#include "support/mutagen_tags.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

using namespace tunebay;
using namespace tunebay::test;

class PropertiesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void stepsEditsAndSavesWithTheQuestion() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Abba", "Gold"));
        builder.add(facts("Two", "Abba", "Gold"));
        WindowFixture window;
        window.settings.WriteTag = 0;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowProperties();
        CPropertiesWindow* properties = window.frame->PropertiesWindow();
        QVERIFY(properties && properties->isVisible());
        const int first = properties->CurrentItem();
        QVERIFY(first != 0);
        const QString firstTitle = properties->titleField()->text();

        // Stepping with a change asks first; No discards.
        QTest::keyClicks(properties->titleField(), "!");
        window.prompter.answers = {QuestionAnswer::No};
        QTest::mouseClick(properties->nextButton(), Qt::LeftButton);
        QCOMPARE(window.prompter.questions.size(), 1);
        QVERIFY(window.prompter.questions.last().startsWith("Save changes to \"Abba - "));
        QVERIFY(properties->CurrentItem() != first);
        QTest::mouseClick(properties->previousButton(), Qt::LeftButton);
        QCOMPARE(properties->titleField()->text(), firstTitle);

        // "New" group and a two-digit year, saved with Apply.
        QTest::mouseClick(properties->newGroupButton(), Qt::LeftButton);
        properties->groupField()->setEditText("Solo");
        emit properties->groupField()->lineEdit()->textEdited("Solo");
        QTest::keyClicks(properties->publishedField(), "85");
        QSignalSpy saved(properties, &CPropertiesWindow::itemsSaved);
        QTest::mouseClick(properties->applyButton(), Qt::LeftButton);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), std::string("2"));
        QCOMPARE(catalogue.scalar("SELECT sPublishTime FROM tblMedia WHERE lID=(SELECT lMediaID "
                                  "FROM tblItem WHERE lID=" +
                                  std::to_string(first) + ")"),
                 std::string("1985"));
        QCOMPARE(properties->groupField()->currentText(), QString("Solo"));

        // An empty title is refused and the window stays.
        properties->titleField()->clear();
        emit properties->titleField()->textEdited("");
        QTest::mouseClick(properties->applyButton(), Qt::LeftButton);
        QCOMPARE(window.prompter.messages.last(), QString("You cannot set an empty title!"));
        QCOMPARE(properties->CurrentItem(), first);

        // Shown low on the screen, the taller window with its details keeps its lower edge on it.
        const QRect work = properties->screen()->availableGeometry();
        properties->move(properties->x(), work.bottom() - properties->frameGeometry().height());
        properties->detailsBox()->setChecked(true);
        QVERIFY(properties->detailsText()->isVisible());
        QVERIFY(properties->detailsText()->toPlainText().startsWith("Exists local\t\t no"));
        QTRY_VERIFY2(work.contains(properties->frameGeometry()),
                     qPrintable(QString("%1,%2 %3x%4")
                                    .arg(properties->frameGeometry().x())
                                    .arg(properties->frameGeometry().y())
                                    .arg(properties->frameGeometry().width())
                                    .arg(properties->frameGeometry().height())));
    }

    void generalPropertiesOpensWithItsPathsWhole() {
        TempCatalogue catalogue;
        ItemFacts item = facts("One", "Abba");
        item.directory = "/srv/music/Albums by the year/";
        CatalogueBuilder(catalogue.connection).add(item);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        CGeneralPropertiesSheet sheet(window.frame->Connection(), window.prompter);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QTableWidget* grid = sheet.directoryPage()->grid();
        int shown = 0;
        for (int column = 0; column < 3; ++column) {
            const QString path = grid->item(0, column)->text();
            QVERIFY2(grid->columnWidth(column) > grid->fontMetrics().horizontalAdvance(path),
                     qPrintable(path));
            shown += grid->columnWidth(column);
        }
        QVERIFY2(shown <= grid->viewport()->width(), qPrintable(QString("%1 > %2 (sheet %3)")
                                                                    .arg(shown)
                                                                    .arg(grid->viewport()->width())
                                                                    .arg(sheet.width())));
    }

    // The check box names the tag it writes: an MP3 tag for MPEG audio, the format's own tag
    // for the others, which Apply writes into the file with everything else kept.
    void writesEachFormatsOwnTag() {
        if (!HaveMutagen())
            QSKIP("python3 with mutagen is missing");
        TempCatalogue catalogue;
        const auto flac = EncodeAudio(catalogue.dir().path(), "song.flac", {AudioFormat::Flac, 1});
        if (flac.empty() || !MutagenPrepare(flac))
            QSKIP("flac is missing");
        CatalogueBuilder builder(catalogue.connection);
        ItemFacts item = facts("Mpeg", "Abba");
        builder.add(item);
        item = facts("Flac", "Abba", "Gold", 17);
        item.directory = catalogue.dir().path().string() + "/";
        item.fileName = "song.flac";
        const AddedItem added = builder.add(item);
        catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=2 WHERE lID=" +
                                     std::to_string(added.mediaId));
        WindowFixture window;
        window.settings.WriteTag = 1;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowProperties();
        CPropertiesWindow* properties = window.frame->PropertiesWindow();
        QVERIFY(properties);
        if (properties->titleField()->text() != "Flac")
            QTest::mouseClick(properties->nextButton(), Qt::LeftButton);
        QCOMPARE(properties->titleField()->text(), QString("Flac"));
        QCOMPARE(properties->writeTagBox()->text(), QString("Write tag"));
        QTest::keyClicks(properties->titleField(), " Written");
        QTest::mouseClick(properties->applyButton(), Qt::LeftButton);
        const auto tags = MutagenRead(flac);
        QCOMPARE(tags.at("title"), std::string("Flac Written"));
        QCOMPARE(tags.at("genre"), std::string("Rock"));
        QCOMPARE(tags.at("pictures"), std::string("1"));
        QCOMPARE(tags.at("albumartist"), std::string("Album Artist"));
        window.prompter.answers = {QuestionAnswer::No};
        QTest::mouseClick(properties->nextButton(), Qt::LeftButton);
        QCOMPARE(properties->titleField()->text(), QString("Mpeg"));
        QCOMPARE(properties->writeTagBox()->text(), QString("Write MP3 tag"));
    }

    void directoriesAreWrittenOnOkOnly() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        ItemFacts item = facts("One", "Abba");
        item.directory = "/m/a/";
        builder.add(item);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        {
            CGeneralPropertiesSheet sheet(window.frame->Connection(), window.prompter);
            sheet.show();
            CPropertiesDirectoryPage* page = sheet.directoryPage();
            QCOMPARE(page->grid()->rowCount(), 1);
            QCOMPARE(page->grid()->horizontalHeaderItem(1)->text(), QString("UNC"));
            QTest::mouseClick(page->copyButton(), Qt::LeftButton);
            page->columnButton(1)->setChecked(true);
            page->findField()->setText("/m/");
            page->replaceField()->setText("//nas/");
            QTest::mouseClick(page->replaceButton(), Qt::LeftButton);
            QCOMPARE(page->grid()->item(0, 1)->text(), QString("//nas/a/"));
            QCOMPARE(page->grid()->item(0, 2)->text(), QString("/m/a/"));
            sheet.reject();
        }
        QCOMPARE(catalogue.scalar("SELECT sUNC FROM tblDirectory"), std::string("//m/a/"));
        CGeneralPropertiesSheet sheet(window.frame->Connection(), window.prompter);
        sheet.directoryPage()->grid()->item(0, 2)->setText("http://host/a/");
        sheet.accept();
        QCOMPARE(catalogue.scalar("SELECT sURL FROM tblDirectory"), std::string("http://host/a/"));
    }
};

int RunPropertiesWindowTests(int argc, char** argv) {
    PropertiesWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "properties_window_test.moc"
