// The batch tools on a catalogue's items: tools.
#include "cli_context.h"
#include "console_progress.h"
#include "scope_options.h"
#include "terminal_question.h"

#include "desktop_environment.h"
#include "store/catalogue_error.h"
#include "text/text_rules.h"
#include "tools/tools_operation_factory.h"
#include "tools/tools_run.h"

#include <iostream>
#include <map>
#include <ostream>

namespace tunebay::cli {

namespace {

// The program's texts end lines with "\r\n"; a terminal wants "\n".
const char* failureKind(ToolsFailureKind kind) {
    switch (kind) {
    case ToolsFailureKind::Identification:
        return "not identified";
    case ToolsFailureKind::Tag:
        return "tag not written";
    case ToolsFailureKind::Rename:
        return "not renamed";
    }
    return "";
}

std::string plainLines(const std::string& text) {
    std::string shown;
    for (const char c : text)
        if (c != '\r')
            shown += c;
    return shown;
}

// Clears the progress line before a question takes the terminal.
class QuestionAfterProgress : public IWorkerQuestion {
public:
    QuestionAfterProgress(IWorkerQuestion& question, ConsoleProgress& progress)
        : m_question(question), m_progress(progress) {}
    QuestionAnswer Ask(const std::string& text, const std::string& title, QuestionButtons buttons,
                       QuestionIcon icon) override {
        m_progress.ClearLine();
        return m_question.Ask(text, title, buttons, icon);
    }

private:
    IWorkerQuestion& m_question;
    ConsoleProgress& m_progress;
};

const std::map<std::string, int> kTagActions = {
    {"write", kTagWrite}, {"delete-all", kTagDeleteAll}, {"keep-v1", kTagDeleteAllButVersion1}};

// `tools`, or with `identifyOnly` the run with identification alone: `identify`.
class ToolsCommand : public Command {
public:
    explicit ToolsCommand(bool identifyOnly = false) : m_identifyOnly(identifyOnly) {}

    void Register(CLI::App& app) override {
        if (m_identifyOnly) {
            registerIdentify(app);
            return;
        }
        parser = app.add_subcommand(
            "tools", "Apply the batch tools to items: correct, capitalise, set properties, write "
                     "or delete tags, rename files");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser->add_flag("--identify", m_identify, "1. Auto-identify Media (acoustic fingerprint)");
        parser->add_flag("--identify-missing", m_identifyMissing,
                         "Identification fills in only missing properties");
        parser->add_flag("--identify-ask", m_identifyAsk,
                         "Identification asks about every candidate and shows errors");
        parser->add_flag("--correct", m_correct, "2. Correct Names");
        parser
            ->add_option("--capitalize", m_capitalize,
                         "3. Capitalize Names: 0 First Letter Uppercase, 1 ALL UPPERCASE, 2 all "
                         "lowercase")
            ->check(CLI::Range(0, 2));
        parser->add_option("--set-title", m_title, "Set the title: a text or a function")
            ->option_text("F");
        parser->add_option("--set-group", m_group, "Set the group: a text or a function")
            ->option_text("F");
        parser->add_option("--set-package", m_package, "Set the package: a text or a function")
            ->option_text("F");
        parser->add_option("--set-published", m_published, "Set the published year (4 characters)")
            ->option_text("Y");
        parser->add_option("--set-genre", m_genre, "Set the genre by its id")
            ->option_text("ID")
            ->check(CLI::Range(0, 255));
        parser->add_option("--set-comment", m_comment, "Set the comment: a text or a function")
            ->option_text("F");
        parser
            ->add_option("--tag", m_tag,
                         "5. Tag: write each format's own tag, delete-all (every tag) or "
                         "keep-v1 (delete all but ID3 version 1; all for formats without it)")
            ->check(CLI::IsMember({"write", "delete-all", "keep-v1"}));
        parser
            ->add_option("--rename", m_rename,
                         "6. Rename Filename (%Group - %Title): 0 made safe, 1 Unix-encoded")
            ->check(CLI::Range(0, 1));
        auto* yes = parser->add_flag("--yes", m_yes, "Answer every question with yes");
        auto* no = parser->add_flag("--no", m_no, "Answer every question with no");
        yes->excludes(no);
        parser->add_flag("--verbose", m_verbose,
                         "List every change made and every failure with its reason");
        parser->add_flag("--dry-run", m_dryRun,
                         "List the changes the run would make (as --verbose words them) and "
                         "change nothing");
    }

    void registerIdentify(CLI::App& app) {
        parser = app.add_subcommand(
            "identify", "Identify items by their acoustic fingerprint at the AcoustID service "
                        "and take over title, group and package");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser->add_flag("--missing-only", m_identifyMissing,
                         "Fill in only missing properties (empty or Unknown)");
        parser->add_flag("--ask", m_identifyAsk,
                         "Ask about every candidate and show errors (Ask/Show Errors)");
        auto* yes = parser->add_flag("--yes", m_yes, "Answer every question with yes");
        auto* no = parser->add_flag("--no", m_no, "Answer every question with no");
        yes->excludes(no);
    }

    int Run(CliContext& context) override {
        if (!m_scope.Given()) {
            context.err << parser->get_name()
                        << " needs the items to work on: --items, --node or --search.\n";
            return kExitUsage;
        }
        ToolsJob job = makeJob(context);
        if (job.dryRun && job.identify) {
            // Identification stores what the service answers as it goes.
            context.err << "--dry-run cannot be combined with --identify.\n";
            return kExitUsage;
        }
        if (const char* problem = ToolsJobProblem(job)) {
            context.err << problem << "\n";
            return kExitUsage;
        }
        const std::optional<QuestionAnswer> fixed = FixedAnswer(m_yes || m_dryRun, m_no);
        if (!fixed && ToolsJobMayAsk(job) && !StandardInputIsTerminal()) {
            context.err << kNeedsAnswerMessage << "\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        if (m_genre && !genreExists(context, *m_genre)) {
            context.err << "No genre " << *m_genre << " in the catalogue.\n";
            return kExitUsage;
        }
        if (const int status = m_scope.Resolve(context, context.settings.ItemOrder, job.selection);
            status != kExitSuccess)
            return status;

        CapitalizeExceptionsLoad exceptions;
        if (job.capitalize && job.capitalizeMode == kCapitalizeFirstLetters) {
            exceptions = LoadPreferredCapitalizeExceptions(context.settings.AppDirectory,
                                                           UserDataDirectory());
            if (!exceptions.errorMessage.empty())
                context.err << exceptions.errorMessage << "\n";
            if (exceptions.list)
                job.exceptions = &*exceptions.list;
        }

        TerminalQuestion terminal(std::cin, context.err, fixed);
        ConsoleProgress progress(context.err);
        QuestionAfterProgress question(terminal, progress);
        auto run = MakeToolsOperation(progress, context.connection, std::move(job), question,
                                      context.settings);
        if (m_verbose || m_dryRun)
            run->SetChangeListener(
                [&context](const std::string& change) { context.out << change << "\n"; });
        if (!progress.RunToEnd(run)) {
            context.err << "Cannot start the tools run.\n";
            return kExitReportedFailures;
        }
        const ToolsRun& result = run->Result();
        context.out << (m_dryRun ? "Would apply the tools to " : "Applied the tools to ")
                    << result.ItemsDone() << (result.ItemsDone() == 1 ? " item.\n" : " items.\n");
        if (!result.ErrorMessage().empty())
            context.err << plainLines(result.ErrorMessage()) << "\n";
        const std::string summary = result.Failures().Summary();
        if (!summary.empty())
            context.err << plainLines(summary) << "\n";
        if (m_verbose)
            for (const ToolsFailure& failure : result.Failures().All())
                context.err << failure.path << ": " << failureKind(failure.kind)
                            << (failure.reason.empty() ? "" : " (" + failure.reason + ")") << "\n";
        if (progress.Interrupted()) {
            context.err << "Stopped after " << result.ItemsDone() << " items.\n";
            return kExitInterrupted;
        }
        return summary.empty() && result.ErrorMessage().empty() ? kExitSuccess
                                                                : kExitReportedFailures;
    }

private:
    ToolsJob makeJob(const CliContext& context) const {
        ToolsJob job;
        job.identify = m_identify || m_identifyOnly;
        job.identifyMissingOnly = m_identifyMissing;
        job.identifyAsk = m_identifyAsk;
        job.dryRun = m_dryRun;
        job.correct = m_correct;
        job.capitalize = m_capitalize.has_value();
        job.capitalizeMode = m_capitalize.value_or(0);
        auto set = [&job](ToolsProperty& property, const std::optional<std::string>& value) {
            if (!value)
                return;
            job.setProperty = true;
            property.set = true;
            property.text = *value;
        };
        set(job.title, m_title);
        set(job.group, m_group);
        set(job.package, m_package);
        set(job.published, m_published);
        set(job.comment, m_comment);
        if (m_genre) {
            job.setProperty = true;
            job.genreSet = true;
            job.genreId = *m_genre;
        }
        if (m_tag) {
            job.tag = true;
            job.tagAction = kTagActions.at(*m_tag);
        }
        job.useId3v2 = context.settings.UseID3v2 != 0;
        if (m_rename) {
            job.rename = true;
            job.renameStyle = *m_rename;
        }
        return job;
    }

    static bool genreExists(CliContext& context, int id) {
        try {
            return !context.connection
                        .Execute("SELECT lID FROM tblGenre WHERE lID=" + std::to_string(id))
                        .IsEof();
        } catch (const CatalogueError&) {
            return false;
        }
    }

    bool m_identifyOnly;
    std::string m_catalogue;
    ScopeOptions m_scope;
    bool m_identify = false;
    bool m_identifyMissing = false;
    bool m_identifyAsk = false;
    bool m_correct = false;
    std::optional<int> m_capitalize;
    std::optional<std::string> m_title;
    std::optional<std::string> m_group;
    std::optional<std::string> m_package;
    std::optional<std::string> m_published;
    std::optional<int> m_genre;
    std::optional<std::string> m_comment;
    std::optional<std::string> m_tag;
    std::optional<int> m_rename;
    bool m_yes = false;
    bool m_no = false;
    bool m_verbose = false;
    bool m_dryRun = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeToolsCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ToolsCommand>());
    commands.push_back(std::make_unique<ToolsCommand>(true));
    for (auto& command : MakeFingerprintCommands())
        commands.push_back(std::move(command));
    return commands;
}

} // namespace tunebay::cli
