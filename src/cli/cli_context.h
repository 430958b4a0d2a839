#pragma once

#include "app/app_settings.h"
#include "app/catalogue_document.h"
#include "store/catalogue_connection.h"

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tunebay::cli {

// Exit statuses of every command.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitReportedFailures = 1,
    kExitUsage = 2,
    kExitCatalogueNotOpened = 3,
    kExitInterrupted = 130, // stopped by Ctrl-C (128 + SIGINT, as shells report it)
};

// Type names of values that name something on disk, where the value's type alone says only
// "TEXT": --help shows them, and the shell completions offer files, folders or both for them.
inline constexpr const char* kFileValue = "FILE";
inline constexpr const char* kFolderValue = "FOLDER";
inline constexpr const char* kPathValue = "PATH"; // a file or a folder
inline constexpr const char* kCatalogueValue = "CATALOGUE";
// What a command's CATALOGUE names.
inline constexpr const char* kCatalogueHelp = "Catalogue file or postgresql:// URI";

// The catalogue a command uses when it is left out (see the manual page's ENVIRONMENT).
inline constexpr const char* kCatalogueVariable = "TUNEBAY_CATALOGUE";

// What every command gets: the settings of this run (read from the settings file, never
// written back, with the command line's overrides applied) and the output streams.
class CliContext {
public:
    CliContext(std::ostream& out, std::ostream& err) : out(out), err(err) {}

    // Reads the settings file (`configFile`, or the user's own when empty) and applies the
    // NAME=VALUE overrides; false (with a message) when an override names no setting or does
    // not fit its kind.
    bool LoadSettings(const std::string& configFile, const std::vector<std::string>& overrides);

    // Opens the catalogue at `path` with the same checks and messages as the window. On failure
    // the message is printed and the result is empty; the caller exits with
    // kExitCatalogueNotOpened.
    CatalogueDocument* OpenCatalogue(const std::string& path);

    CAppSettings settings;
    // The settings file of this run ("" for the user's own).
    std::string configFile;
    CCatalogueConnection connection;
    std::ostream& out;
    std::ostream& err;

private:
    std::unique_ptr<CatalogueDocument> m_document;
};

// A subcommand: registers its options on the parser and runs once parsed.
class Command {
public:
    virtual ~Command() = default;
    virtual void Register(CLI::App& app) = 0;
    virtual int Run(CliContext& context) = 0;
    CLI::App* parser = nullptr;
};

std::vector<std::unique_ptr<Command>> MakeCatalogueCommands();
std::vector<std::unique_ptr<Command>> MakeTextCommands();
std::vector<std::unique_ptr<Command>> MakeImportCommands();
// list, tree
std::vector<std::unique_ptr<Command>> MakeBrowseCommands();
// delete, rename, rename-node, move, clear
std::vector<std::unique_ptr<Command>> MakeItemCommands();
// export, stats
std::vector<std::unique_ptr<Command>> MakeExportCommands();
// tools, identify, and with them fingerprint
std::vector<std::unique_ptr<Command>> MakeToolsCommands();
std::vector<std::unique_ptr<Command>> MakeFingerprintCommands();
// copy-files, move-files
std::vector<std::unique_ptr<Command>> MakeCopyCommands();
// play
std::vector<std::unique_ptr<Command>> MakePlayCommands();
// cover
std::vector<std::unique_ptr<Command>> MakeCoverCommands();
// settings
std::vector<std::unique_ptr<Command>> MakeSettingsCommands();
// details, properties, directories
std::vector<std::unique_ptr<Command>> MakeEditCommands();

// The syntax of the Replace/Insert/Delete functions, as `text function --help` ends.
std::string FieldFunctionHelpText();

// Runs the command line; the whole front end, callable in-process.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace tunebay::cli
