#pragma once

#include "app/app_settings.h"
#include "app/clock.h"
#include "app/recent_files.h"

#include <QStringList>

#include <memory>

namespace tunebay {

class CMainFrame;
class IPrompter;

// The program's run: the settings (loaded first, saved last), the recent catalogues, the main
// window and what happens at start-up.
class CJukoraApp {
public:
    // Loads the settings and the recent-file list from `store`.
    CJukoraApp(ISettingsStore& store, IPrompter& prompter, const IClock& clock,
               const std::string& dataDirectory, const CAppSettings::PlayerProbe& playerProbe);
    ~CJukoraApp();

    // Creates and shows the window and opens the catalogue: the one named on the command line
    // (false when it cannot be opened: the program then ends), else the last one used when
    // LoadLastDocument is set, else on a first start a new catalogue at `firstCatalogue`. Then
    // the update reminder.
    bool InitInstance(const QStringList& catalogues, const QString& firstCatalogue);
    // Writes the settings and the recent-file list back to the store.
    void ExitInstance();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CAppSettings& Settings() { return m_settings; }
    RecentFileList& RecentFiles() { return m_recentFiles; }

private:
    void remindOfUpdate();

    ISettingsStore& m_store;
    IPrompter& m_prompter;
    const IClock& m_clock;
    CAppSettings m_settings;
    RecentFileList m_recentFiles;
    std::unique_ptr<CMainFrame> m_frame;
};

// Where a first start keeps its catalogue: Tunebay/Catalogue.tbf in the user's data folder.
QString FirstStartCataloguePath();

} // namespace tunebay
