#pragma once

#include "app/settings_store.h"

#include <QSettings>

#include <memory>

namespace tunebay {

// The settings file: ~/.config/Plenwick/Tunebay.conf (INI), or another file given by name.
class QtSettingsStore : public ISettingsStore {
public:
    // The user's own settings file.
    QtSettingsStore();
    // A named INI file (the command line's --config).
    explicit QtSettingsStore(const QString& fileName);

    std::optional<std::string> Read(std::string_view section, std::string_view name) const override;
    void WriteInt(std::string_view section, std::string_view name, int value) override;
    void WriteText(std::string_view section, std::string_view name,
                   std::string_view value) override;
    // Writes the file now; false when it could not be written.
    bool Sync();

    QString FileName() const { return m_settings->fileName(); }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace tunebay
