#include "cli_context.h"

#include "app/product.h"

#include <ostream>

namespace tunebay::cli {

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
          &MakeItemCommands, &MakeExportCommands, &MakeCopyCommands})
        for (auto& command : make())
            commands.push_back(std::move(command));
    for (auto& command : commands)
        command->Register(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? kExitSuccess : kExitUsage;
    }

    CliContext context(out, err);
    if (!context.LoadSettings(configFile, overrides))
        return kExitUsage;
    for (auto& command : commands)
        if (command->parser && command->parser->parsed())
            return command->Run(context);
    return kExitUsage;
}

} // namespace tunebay::cli
