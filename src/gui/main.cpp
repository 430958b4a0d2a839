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

#include <string_view>

namespace {

// Whether the command line asks for the help or the version: those are answered before any
// window code starts, so they work without a display.
bool asksForHelpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--")
            break;
        if (word == "-h" || word == "-?" || word == "--help" || word == "--help-all" ||
            word == "-v" || word == "--version")
            return true;
    }
    return false;
}

// Names the program and loads its translation, for the window and for the help alike.
void describeProgram(QCoreApplication& application) {
    QCoreApplication::setOrganizationName(tunebay::kCompanyName);
    QCoreApplication::setApplicationName(tunebay::kProductName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEBAY_VERSION));
    tunebay::InstallTranslations(application, tunebay::ProgramDataDirectory());
}

// The options the program takes; returns the --screenshot option.
QCommandLineOption describeOptions(QCommandLineParser& parser) {
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
    return screenshot;
}

} // namespace

int main(int argc, char* argv[]) {
    if (asksForHelpOrVersion(argc, argv)) {
        QCoreApplication application(argc, argv);
        describeProgram(application);
        QCommandLineParser parser;
        describeOptions(parser);
        parser.process(application); // prints the text and ends the program
        return 0;
    }
    QApplication application(argc, argv);
    describeProgram(application);
    QApplication::setDesktopFileName(QStringLiteral("io.github.plenwick.Tunebay"));
    new tunebay::DesktopColourScheme(application); // owned by the application

    QCommandLineParser parser;
    const QCommandLineOption screenshot = describeOptions(parser);
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
