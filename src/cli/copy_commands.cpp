// Copying and moving the media files of a scope into a folder: copy-files, move-files.
#include "cli_context.h"
#include "console_progress.h"
#include "scope_options.h"
#include "terminal_question.h"

#include "output/copy_move_run.h"
#include "store/local_paths.h"

#include <algorithm>
#include <iostream>
#include <ostream>
#include <vector>

namespace tunebay::cli {

namespace {

// Failed files listed unless every one is asked for.
constexpr size_t kFailureLines = 20;

class CopyFilesCommand : public Command {
public:
    explicit CopyFilesCommand(int mode) : m_mode(mode) {}

    void Register(CLI::App& app) override {
        parser = m_mode == kMoveFiles
                     ? app.add_subcommand("move-files", "Move (sort) the files of a scope into a "
                                                        "folder, keeping the catalogue in step")
                     : app.add_subcommand("copy-files", "Copy the files of a scope into a folder");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser
            ->add_option("--to", m_folder,
                         "Destination folder (a relative one is taken from the current folder)")
            ->required()
            ->type_name(kFolderValue);
        parser->add_option("--limit", m_limit, "Pack into Disk01, Disk02... of at most MB each")
            ->check(CLI::PositiveNumber);
        parser->add_flag("--genre-folders", m_genre, "A folder \"!Genre\" per genre");
        auto* group = parser->add_flag("--group-folders", m_group, "A folder per group");
        parser
            ->add_option("--only-if-more", m_onlyIfMore,
                         "Make a group folder only when the group has more than N titles in its "
                         "genre; otherwise the file goes to the genre folder")
            ->check(CLI::PositiveNumber)
            ->needs(group);
        if (m_mode == kCopyFiles)
            parser->add_flag("--hard-links", m_hardLinks, "Create hard links instead of copying");
        auto* yes = parser->add_flag("--yes", m_yes, "Answer every question with Yes");
        parser->add_flag("--no", m_no, "Answer every question with No")->excludes(yes);
        parser->add_flag("--verbose", m_verbose,
                         "List every file copied or moved, and every file that failed "
                         "(otherwise the first 20)");
        parser->add_flag("--dry-run", m_dryRun,
                         "List the files the run would copy or move (as --verbose words them) "
                         "and change nothing");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        const auto fixed = FixedAnswer(m_yes || m_dryRun, m_no);
        if (!fixed && !StandardInputIsTerminal()) {
            context.err << kNeedsAnswerMessage << "\n";
            return kExitUsage;
        }
        TerminalQuestion question(std::cin, context.err, fixed);

        CopyMoveOptions options;
        options.mode = m_mode;
        // The run itself refuses a relative folder (a setting has no current folder to go by);
        // here the user typed it, so it means the folder they are in.
        options.destination = m_folder.empty() ? m_folder : NormalLocalPath(m_folder);
        options.genreFolders = m_genre;
        options.groupFolders = m_group;
        options.groupOnlyIfMore = m_onlyIfMore.has_value();
        options.groupMoreThan = m_onlyIfMore.value_or(1);
        options.limitOn = m_limit.has_value();
        if (m_limit)
            options.limitBytes = *m_limit * 1048576.0;
        options.hardLinks = m_hardLinks;
        options.dryRun = m_dryRun;

        std::string message;
        switch (PrepareDestination(options, question, message)) {
        case DestinationCheck::Refused:
            context.err << message << "\n";
            return kExitReportedFailures;
        case DestinationCheck::Declined:
            return kExitSuccess;
        case DestinationCheck::Ready:
            break;
        }
        Selection selection;
        if (const int status = m_scope.Resolve(context, context.settings.ItemOrder, selection);
            status != kExitSuccess)
            return status;

        ConsoleProgress progress(context.err);
        auto run = std::make_shared<CopyMoveRun>(progress, context.connection, options,
                                                 std::move(selection), question);
        if (m_verbose || m_dryRun)
            run->SetChangeListener(
                [&context](const std::string& change) { context.out << change << "\n"; });
        progress.RunToEnd(run);
        progress.ClearLine();
        bool failures = false;
        for (std::string text :
             {run->ErrorMessage(), CopyMoveFailureSummary(run->Failed(), run->Done()),
              OtherVolumeSummary(run->OtherVolume())}) {
            if (text.empty())
                continue;
            std::erase(text, '\r');
            context.out << text << "\n";
            failures = true;
        }
        if (!failures && m_dryRun)
            context.out << run->Done() << " files would be "
                        << (m_mode == kMoveFiles ? "moved" : "copied") << ".\n";
        else if (!failures)
            context.out << run->Done() << " files have been "
                        << (m_mode == kMoveFiles ? "moved" : "copied") << ".\n";
        const std::vector<CopyMoveFailure> failed = run->FailedFiles();
        const size_t shown = m_verbose ? failed.size() : std::min(failed.size(), kFailureLines);
        for (size_t i = 0; i < shown; ++i)
            context.err << failed[i].path << ": " << failed[i].reason << "\n";
        if (shown < failed.size())
            context.err << "... and " << failed.size() - shown
                        << " more (--verbose lists them all)\n";
        if (progress.Interrupted()) {
            context.err << "Stopped after " << run->Done() + run->Failed() << " items.\n";
            return kExitInterrupted;
        }
        return failures ? kExitReportedFailures : kExitSuccess;
    }

private:
    int m_mode;
    std::string m_catalogue;
    ScopeOptions m_scope;
    std::string m_folder;
    std::optional<double> m_limit;
    bool m_genre = false;
    bool m_group = false;
    std::optional<int> m_onlyIfMore;
    bool m_hardLinks = false;
    bool m_yes = false;
    bool m_no = false;
    bool m_verbose = false;
    bool m_dryRun = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeCopyCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<CopyFilesCommand>(kCopyFiles));
    commands.push_back(std::make_unique<CopyFilesCommand>(kMoveFiles));
    return commands;
}

} // namespace tunebay::cli
