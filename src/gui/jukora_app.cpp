#include "jukora_app.h"
#include "shown_text.h"

#include "app/product.h"
#include "app/update_reminder.h"
#include "desktop_environment.h"
#include "jukora_view.h"
#include "main_frame.h"
#include "prompter.h"
#include "store/catalogue_connection.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tunebay {

CJukoraApp::CJukoraApp(ISettingsStore& store, IPrompter& prompter, const IClock& clock,
                       const std::string& dataDirectory,
                       const CAppSettings::PlayerProbe& playerProbe)
    : m_store(store), m_prompter(prompter), m_clock(clock) {
    m_settings.Load(store, dataDirectory, playerProbe);
    m_settings.ImportFolder = UsableFolder(m_settings.ImportFolder);
    m_settings.ImportFilesDir = UsableFolder(m_settings.ImportFilesDir);
    m_recentFiles.Load(store);
}

CJukoraApp::~CJukoraApp() = default;

bool CJukoraApp::InitInstance(const QStringList& catalogues, const QString& firstCatalogue) {
    m_frame = std::make_unique<CMainFrame>(
        MainFrameServices{m_settings, m_recentFiles, m_store, m_prompter, m_clock});
    if (!catalogues.isEmpty()) {
        bool opened = false;
        for (const QString& path : catalogues)
            opened = m_frame->OpenCatalogue(IsServerCatalogueName(path.toStdString())
                                                ? path
                                                : QFileInfo(path).absoluteFilePath());
        if (!opened)
            return false;
    } else {
        const bool firstStart = m_recentFiles.Entries().empty();
        if (m_settings.LoadLastDocument && !firstStart)
            m_frame->OpenRecentCatalogue(QString::fromStdString(m_recentFiles.MostRecent()));
        if (firstStart && !firstCatalogue.isEmpty()) {
            // A first start gets a catalogue of its own to import into.
            if (QFileInfo::exists(firstCatalogue)) {
                m_frame->OpenCatalogue(firstCatalogue);
            } else {
                QDir().mkpath(QFileInfo(firstCatalogue).path());
                m_frame->CreateCatalogue(firstCatalogue);
            }
        }
    }
    m_frame->show();
    m_frame->FocusItemList();
    remindOfUpdate();
    return true;
}

void CJukoraApp::remindOfUpdate() {
    if (!CheckUpdateReminder(m_settings.NextUpdate, m_clock))
        return;
    if (m_prompter.AskYesNo(QString::fromStdString(UpdateReminderQuestion(ShownTextLookup())),
                            PromptIcon::Question))
        m_frame->ShowWebsite();
}

void CJukoraApp::ExitInstance() {
    m_settings.Save(m_store);
    m_recentFiles.Save(m_store);
}

QString FirstStartCataloguePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tunebay/Catalogue.tbf");
}

} // namespace tunebay
