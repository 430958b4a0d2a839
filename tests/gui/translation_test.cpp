// The window speaks the user's language when a translation for it is installed, and its own
// texts otherwise.
#include "about_dialog.h"
#include "gui_tests.h"
#include "translation_loader.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>
#include <QTranslator>

namespace tunebay {

class TranslationTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        // A translator leaves the application when it is deleted.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
        QLocale::setDefault(QLocale::c());
    }

    void installedTranslationIsUsedForTheLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("title");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << true
                                << QStringLiteral("Über Tunebay");
        QTest::newRow("Austrian German")
            << QLocale(QLocale::German, QLocale::Austria) << true << QStringLiteral("Über Tunebay");
        QTest::newRow("French, none installed") << QLocale(QLocale::French, QLocale::France)
                                                << false << QStringLiteral("About Tunebay");
    }

    void installedTranslationIsUsedForTheLocale() {
#ifndef TUNEBAY_TEST_TRANSLATIONS_DIR
        QSKIP("lrelease is not installed");
#else
        QFETCH(QLocale, locale);
        QFETCH(bool, found);
        QFETCH(QString, title);
        QLocale::setDefault(locale);
        QCOMPARE(InstallTranslations(*QCoreApplication::instance(), TUNEBAY_TEST_TRANSLATIONS_DIR),
                 found);
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), title);
#endif
    }

    void missingFolderKeepsTheOwnTexts() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!InstallTranslations(*QCoreApplication::instance(), "/nonexistent/"));
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Tunebay"));
    }
};

} // namespace tunebay

int RunTranslationTests(int argc, char** argv) {
    tunebay::TranslationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "translation_test.moc"
