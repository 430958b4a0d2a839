#include "cli_context.h"

#include "desktop_environment.h"
#include "qt_settings_store.h"

#include <QString>

#include <ostream>

namespace tunebay::cli {

bool CliContext::LoadSettings(const std::string& configFile,
                              const std::vector<std::string>& overrides) {
    this->configFile = configFile;
    const auto store = configFile.empty()
                           ? std::make_unique<QtSettingsStore>()
                           : std::make_unique<QtSettingsStore>(QString::fromStdString(configFile));
    settings.Load(*store, ProgramDataDirectory(), ProbeDefaultPlayer);
    for (const auto& assignment : overrides) {
        const size_t equals = assignment.find('=');
        const std::string name = assignment.substr(0, equals);
        if (equals == std::string::npos ||
            !settings.SetByName(name, std::string_view(assignment).substr(equals + 1))) {
            err << "Unknown setting or value of the wrong kind: " << assignment << "\n";
            return false;
        }
    }
    return true;
}

CatalogueDocument* CliContext::OpenCatalogue(const std::string& path) {
    m_document = std::make_unique<CatalogueDocument>(connection, settings.AppDirectory);
    const OpenResult result = m_document->OpenCatalogue(path);
    if (!result.ok()) {
        err << (result.message.empty() ? kMessageNotAccessible : result.message);
        if (!result.detail.empty())
            err << " (" << result.detail << ")";
        err << "\n";
        return nullptr;
    }
    return m_document.get();
}

} // namespace tunebay::cli
