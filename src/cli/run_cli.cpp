#include "cli_context.h"
#include "cli_reference.h"

#include "app/product.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <string_view>
#include <vector>

namespace tunebay::cli {

namespace {

// Where the command's name stands: the first word of the command line that is neither a global
// option nor its value (argc when there is none).
int commandIndex(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--config" || word == "--set") {
            ++i; // its value
            continue;
        }
        if (!word.empty() && word[0] == '-')
            continue;
        return i;
    }
    return argc;
}

// Whether everything written to `out` arrived; false with errno telling why (0 when unknown).
// Standard output is also asked at the C library's level, where a short write leaves its mark
// even when the stream saw nothing wrong.
bool outputArrived(std::ostream& out) {
    if (!out)
        return false; // errno still holds the failed write's reason
    errno = 0;
    out.flush();
    if (!out)
        return false;
    if (&out == &std::cout)
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    return true;
}

// With TUNEBAY_CATALOGUE set, a command may leave its catalogue out: unless the first argument
// after the command is an existing file or a PostgreSQL address, the variable's catalogue is put
// in front of the arguments.
void supplyCatalogue(const CLI::App& command, std::vector<char*>& arguments, int at,
                     std::string& catalogue) {
    if (!command.get_option_no_throw("CATALOGUE"))
        return;
    for (std::size_t i = static_cast<std::size_t>(at) + 1; i < arguments.size(); ++i) {
        const std::string_view given = arguments[i];
        if (given.starts_with("-") && given != "-") {
            const std::string name(given.substr(0, given.find('=')));
            const CLI::Option* option = command.get_option_no_throw(name);
            if (option && name == given && option->get_expected_max() > 0)
                ++i; // its value
            continue;
        }
        std::error_code error;
        if (given.starts_with("postgresql:") ||
            std::filesystem::is_regular_file(std::string(given), error))
            return;
        break;
    }
    arguments.insert(arguments.begin() + at + 1, catalogue.data());
}

// Output that never arrived (a full disk, a closed pipe, a closed standard output) is a failure,
// whatever the command made of its work, and so is a help text that was lost. Reported once.
int checkOutput(std::ostream& out, std::ostream& err, int status, bool& reported) {
    if (outputArrived(out))
        return status;
    const int reason = errno;
    err << "Cannot write the output: "
        << (reason == EBADF && &out == &std::cout ? "standard output is closed"
            : reason                              ? std::strerror(reason)
                                                  : "write error")
        << "\n";
    reported = true;
    return status == kExitSuccess ? kExitReportedFailures : status;
}

int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   bool& outputReported) {
    CLI::App app{std::string(kProductVersionText) + " - command-line catalogue tool",
                 "tunebay-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", kProductVersionText);
    std::string configFile;
    std::vector<std::string> overrides;
    app.add_option("--config", configFile, "Settings file to read instead of the user's own")
        ->type_name(kFileValue);
    app.add_option("--set", overrides, "Override one setting for this run (repeatable)")
        ->option_text("NAME=VALUE")
        ->allow_extra_args(false);

    std::vector<std::unique_ptr<Command>> commands;
    for (auto* make :
         {&MakeCatalogueCommands, &MakeTextCommands, &MakeImportCommands, &MakeBrowseCommands,
          &MakeItemCommands, &MakeExportCommands, &MakeToolsCommands, &MakeCopyCommands,
          &MakePlayCommands, &MakeEditCommands, &MakeCoverCommands, &MakeSettingsCommands})
        for (auto& command : make())
            commands.push_back(std::move(command));
    for (auto& command : commands)
        command->Register(app);
    std::vector<std::string> helpTopic;
    app.add_subcommand("help", "Show the help of the program, or of a command as its --help does")
        ->add_option("COMMAND", helpTopic, "A command, with its subcommand where it has them");
    if (const int status = PrintReference(app, argc, argv, out, err); status >= 0)
        return status;

    auto known = [&app](const std::string& word) {
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
            if (command->check_name(word))
                return true;
        return false;
    };
    const int command = commandIndex(argc, argv);
    const std::string word = command < argc ? argv[command] : "";
    const std::string topic = word == "help" && command + 1 < argc && argv[command + 1][0] != '-'
                                  ? argv[command + 1]
                                  : word;
    if (!topic.empty() && !known(topic)) {
        err << "Unknown command: " << topic << "\nRun with --help for the list of commands.\n";
        return kExitUsage;
    }
    // An option before the command that the program does not know is named (the parser would
    // only miss the command).
    for (int i = 1; i < command; ++i) {
        const std::string_view given = argv[i];
        const std::string name(given.substr(0, given.find('=')));
        const CLI::Option* option = app.get_option_no_throw(name);
        if (!option) {
            err << "Unknown option: " << given << "\nRun with --help for the list of options.\n";
            return kExitUsage;
        }
        if (name == given && option->get_expected_max() > 0)
            ++i; // its value
    }
    // `help [COMMAND...]` is `[COMMAND...] --help`.
    std::vector<char*> arguments(argv, argv + argc);
    static char helpFlag[] = "--help";
    auto asksForHelp = [&] {
        for (int i = command + 1; i < argc; ++i)
            if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h")
                return true;
        return false;
    };
    if (word == "help" && !asksForHelp()) {
        arguments.erase(arguments.begin() + command);
        arguments.push_back(helpFlag);
    }
    std::string fallback = std::getenv(kCatalogueVariable) ? std::getenv(kCatalogueVariable) : "";
    if (!fallback.empty() && command < argc && word != "help" && word != "new")
        supplyCatalogue(*app.get_subcommand(word), arguments, command, fallback);

    try {
        app.parse(static_cast<int>(arguments.size()), arguments.data());
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
        // Checked while the catalogue is still open: closing it may change errno.
        return checkOutput(out, err, command->Run(context), outputReported);
    }
    return kExitUsage;
}

} // namespace

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    bool reported = false;
    const int status = runCommandLine(argc, argv, out, err, reported);
    return reported ? status : checkOutput(out, err, status, reported);
}

} // namespace tunebay::cli
