// The user's settings as the options pages keep them: settings.
#include "cli_context.h"

#include "desktop_environment.h"
#include "qt_settings_store.h"

#include <QString>

#include <algorithm>
#include <memory>
#include <ostream>

namespace tunebay::cli {

namespace {

class SettingsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "settings",
            "List the settings (NAME<TAB>VALUE, \"(default)\" after a value that is the "
            "default), show one (its value), or set one in the settings file as the options "
            "pages do (a running window keeps its own until it starts again)");
        parser->add_option("KEY", m_key, "The setting's name, as the settings file spells it")
            ->option_text("KEY");
        parser->add_option("VALUE", m_value, "Its new value: a whole number or a text");
    }

    int Run(CliContext& context) override {
        // The file's own values: --set overrides of this run are not what it holds.
        const auto store =
            context.configFile.empty()
                ? std::make_unique<QtSettingsStore>()
                : std::make_unique<QtSettingsStore>(QString::fromStdString(context.configFile));
        CAppSettings stored;
        stored.Load(*store, ProgramDataDirectory(), {});
        if (!m_key) {
            const CAppSettings defaults;
            for (const std::string_view name : CAppSettings::Names()) {
                const std::string value = stored.GetByName(name);
                context.out << name << "\t" << value
                            << (value == defaults.GetByName(name) ? "\t(default)" : "") << "\n";
            }
            return kExitSuccess;
        }
        const std::vector<std::string_view> names = CAppSettings::Names();
        if (std::find(names.begin(), names.end(), *m_key) == names.end()) {
            context.err << "Unknown setting: " << *m_key
                        << "\nRun \"tunebay-cli settings\" for the list of settings.\n";
            return kExitUsage;
        }
        if (!m_value) {
            context.out << stored.GetByName(*m_key) << "\n";
            return kExitSuccess;
        }
        if (!stored.SetByName(*m_key, *m_value)) {
            context.err << "Not a value for " << *m_key << ": \"" << *m_value << "\" ("
                        << (CAppSettings::IsNumber(*m_key)
                                ? "a whole number is expected"
                                : "a text of fewer than 256 characters is expected")
                        << ").\n";
            return kExitUsage;
        }
        stored.SaveByName(*store, *m_key);
        if (!store->Sync()) {
            context.err << "Cannot write the settings file: " << store->FileName().toStdString()
                        << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::optional<std::string> m_key;
    std::optional<std::string> m_value;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeSettingsCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<SettingsCommand>());
    return commands;
}

} // namespace tunebay::cli
