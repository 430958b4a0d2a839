// The Options sheet: each page shows the settings, OK writes them back, Cancel changes nothing,
// numbers out of range keep the sheet open.
#include "fake_prompter.h"
#include "gui_tests.h"
#include "options_general_page.h"
#include "options_html_page.h"
#include "options_import_page.h"
#include "options_player_page.h"
#include "options_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace tunebay;
using namespace tunebay::test;

class OptionsSheetTest : public QObject {
    Q_OBJECT
private slots:
    void orderTypeTwoShowsGroupTitleAndStoresSeven() {
        CAppSettings settings;
        QCOMPARE(settings.HTMLOrderType, 2);
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        QCOMPARE(sheet.htmlPage->orderType->currentText(), QString("Group, Title"));
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(settings.HTMLOrderType, 7);
    }

    void clearingLoadTagKeepsTheOtherBits() {
        CAppSettings settings;
        settings.ImportSource = 3 | 8;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        QVERIFY(sheet.importPage->loadTag->isChecked());
        sheet.importPage->loadTag->setChecked(false);
        sheet.accept();
        QCOMPARE(settings.ImportSource, 2 | 8);
    }

    void cancelChangesNothing() {
        CAppSettings settings;
        const CAppSettings before = settings;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        sheet.generalPage->loadLast->setChecked(false);
        sheet.importPage->proxy->setText("proxy.example");
        sheet.playerPage->standardPlayer->setChecked(true);
        sheet.htmlPage->title->setText("Other");
        sheet.reject();
        QCOMPARE(settings.LoadLastDocument, before.LoadLastDocument);
        QCOMPARE(settings.MusicBrainzProxyURL, before.MusicBrainzProxyURL);
        QCOMPARE(settings.Player, before.Player);
        QCOMPARE(settings.HTMLTitle, before.HTMLTitle);
    }

    void okWritesEveryPage() {
        CAppSettings settings;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        sheet.generalPage->loadLast->setChecked(false);
        sheet.generalPage->limitSize->setText("700");
        sheet.importPage->proxyPort->setText("3128");
        sheet.importPage->apiKey->setText(" k3y ");
        QCOMPARE(sheet.importPage->extensions->text().toStdString(), settings.ImportExtensions);
        sheet.importPage->extensions->setText(" .FLAC; mp3;; opus ");
        sheet.playerPage->standardPlayer->setChecked(true);
        sheet.playerPage->linkType->setCurrentIndex(2);
        sheet.htmlPage->title->setText("My List");
        sheet.accept();
        QCOMPARE(settings.LoadLastDocument, 0);
        QCOMPARE(settings.GeneralLimitSize, 700);
        QCOMPARE(settings.MusicBrainzProxyPort, 3128);
        QCOMPARE(settings.MusicBrainzApiKey, std::string("k3y"));
        QCOMPARE(settings.ImportExtensions, std::string("flac;mp3;opus"));
        QCOMPARE(settings.Player, 1);
        QCOMPARE(settings.PlayerLinkType, 3);
        QCOMPARE(settings.HTMLTitle, std::string("My List"));
    }

    void folderLimitOutOfRangeIsRefused_data() {
        QTest::addColumn<QString>("limit");
        QTest::newRow("zero") << "0";
        QTest::newRow("ten thousand") << "10000";
        QTest::newRow("text") << "abc";
    }
    void folderLimitOutOfRangeIsRefused() {
        QFETCH(QString, limit);
        CAppSettings settings;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        sheet.generalPage->limitSize->setText(limit);
        sheet.generalPage->loadLast->setChecked(false);
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(settings.LoadLastDocument, 1);
        QCOMPARE(settings.GeneralLimitSize, 650);
    }

    void proxyPortOutOfRangeIsRefused() {
        CAppSettings settings;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        sheet.importPage->proxyPort->setText("65536");
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
        QCOMPARE(prompter.messages.size(), 1);
    }

    void detailLevelWithoutGenreResetsTheOrder() {
        CAppSettings settings;
        settings.HTMLOrderType = 8;
        settings.HTMLDetailLevel = 3;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        QCOMPARE(sheet.htmlPage->orderType->currentIndex(), 1);
        sheet.htmlPage->detailLevel->setCurrentIndex(0);
        emit sheet.htmlPage->detailLevel->activated(0);
        QCOMPARE(sheet.htmlPage->orderType->currentIndex(), 0);
        sheet.htmlPage->orderType->setCurrentIndex(1);
        emit sheet.htmlPage->orderType->activated(1);
        QCOMPARE(sheet.htmlPage->detailLevel->currentIndex(), 3);
    }

    void groupSubfolderBoxControlsTheMoreThanOneBox() {
        CAppSettings settings;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        QVERIFY(!sheet.generalPage->subfolderGroupMore->isEnabled());
        sheet.generalPage->subfolderGroup->setChecked(true);
        QVERIFY(sheet.generalPage->subfolderGroupMore->isEnabled());
    }

    void customPlayerEnablesTheCommandLine() {
        CAppSettings settings;
        settings.Player = 1;
        FakePrompter prompter;
        COptionsSheet sheet(settings, prompter);
        QVERIFY(!sheet.playerPage->command->isEnabled());
        sheet.playerPage->customPlayer->setChecked(true);
        QVERIFY(sheet.playerPage->command->isEnabled());
    }
};

int RunOptionsSheetTests(int argc, char** argv) {
    OptionsSheetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "options_sheet_test.moc"
