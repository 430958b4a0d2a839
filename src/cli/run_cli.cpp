#include "cli_context.h"
#include "cli_reference.h"

#include "app/product.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace tunebay::cli {

namespace {

// The first word of the command line that is neither a global option nor its value: the
// command's name ("" when there is none).
std::string commandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--config" || word == "--set") {
            ++i; // its value
            continue;
        }
        if (!word.empty() && word[0] == '-')
            continue;
        return word;
    }
    return {};
}

} // namespace

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{std::string(kProductVersionText) + " - command-line catalogue tool",
                 "tunebay-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", kProductVersionText);
    std::string configFile;
    std::vector<std::string> overrides;
    app.add_option("--config", configFile, "Settings file to read instead of the user's own")
        ->option_text("FILE");
    app.add_option("--set", overrides, "Override one setting for this run (repeatable)")
        ->option_text("NAME=VALUE")
        ->allow_extra_args(false);

    std::vector<std::unique_ptr<Command>> commands;
    for (auto* make :
         {&MakeCatalogueCommands, &MakeTextCommands, &MakeImportCommands, &MakeBrowseCommands,
          &MakeItemCommands, &MakeExportCommands, &MakeToolsCommands, &MakeCopyCommands,
          &MakePlayCommands, &MakeEditCommands, &MakeCoverCommands})
        for (auto& command : make())
            commands.push_back(std::move(command));
    for (auto& command : commands)
        command->Register(app);
    if (const int status = PrintReference(app, argc, argv, out, err); status >= 0)
        return status;

    auto known = [&app](const std::string& word) {
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
            if (command->check_name(word))
                return true;
        return false;
    };
    if (const std::string word = commandWord(argc, argv); !word.empty() && !known(word)) {
        err << "Unknown command: " << word << "\nRun with --help for the list of commands.\n";
        return kExitUsage;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? kExitSuccess : kExitUsage;
    }

    std::error_code missing;
    if (!configFile.empty() && !std::filesystem::is_regular_file(configFile, missing)) {
        err << "Settings file not found: " << configFile << "\n";
        return kExitUsage;
    }
    CliContext context(out, err);
    if (!context.LoadSettings(configFile, overrides))
        return kExitUsage;
    for (auto& command : commands) {
        if (!command->parser || !command->parser->parsed())
            continue;
        int status = command->Run(context);
        // Output that never arrived (a full disk, a closed pipe) is a failure, whatever the
        // command made of its work.
        errno = 0;
        out.flush();
        if (!out) {
            err << "Cannot write the output: " << (errno ? std::strerror(errno) : "write error")
                << "\n";
            if (status == kExitSuccess)
                status = kExitReportedFailures;
        }
        return status;
    }
    return kExitUsage;
}

} // namespace tunebay::cli
