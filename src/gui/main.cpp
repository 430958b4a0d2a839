// tunebay: the desktop window. Arguments: catalogue files to open; --screenshot FILE saves a
// picture of the window shortly after start and ends the program.
#include "app/clock.h"
#include "app/product.h"
#include "desktop_colour_scheme.h"
#include "desktop_environment.h"
#include "jukora_app.h"
#include "main_frame.h"
#include "prompter.h"
#include "qt_settings_store.h"
#include "translation_loader.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(tunebay::kCompanyName);
    QApplication::setApplicationName(tunebay::kProductName);
    QApplication::setApplicationVersion(QStringLiteral(TUNEBAY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tunebay"));
    new tunebay::DesktopColourScheme(application); // owned by the application
    tunebay::InstallTranslations(application, tunebay::ProgramDataDirectory());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "A cataloguer for MP3 files."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QCoreApplication::translate("main", "Save a picture of the window and end."),
        QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(
        QStringLiteral("catalogue"),
        QCoreApplication::translate("main", "The catalogue (.tbf) to open."));
    parser.process(application);

    tunebay::QtSettingsStore store;
    tunebay::DialogPrompter prompter;
    tunebay::SystemClock clock;
    tunebay::CJukoraApp app(store, prompter, clock, tunebay::ProgramDataDirectory(),
                            tunebay::ProbeDefaultPlayer);
    if (!app.InitInstance(parser.positionalArguments(), tunebay::FirstStartCataloguePath()))
        return 1;
    prompter.SetParent(app.MainFrame());

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(1500, app.MainFrame(), [&app, file] {
            app.MainFrame()->grab().save(file);
            app.MainFrame()->close();
        });
    }
    const int status = QApplication::exec();
    app.ExitInstance();
    store.Sync();
    return status;
}
