// Bringing files into a catalogue: import, import-pls, update, and show for one item's record.
#include "cli_context.h"
#include "console_progress.h"
#include "json_output.h"

#include "app/clock.h"
#include "import/import_operations.h"
#include "store/catalogue_error.h"
#include "store/item_query.h"
#include "text/text_rules.h"
#include "tools/import_fingerprints.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <sstream>

namespace tunebay::cli {

namespace {

// What the runs of one command add up to, for the lines printed at its end.
struct RunTotals {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int processed = 0;
    int catalogued = 0; // files added (an import) or read again (an update)
    std::string error;
    std::vector<FailedImport> failed;
    std::string lookupsEnded;

    void Add(const ImportRun& run) {
        if (lookupsEnded.empty())
            lookupsEnded = run.LookupsEnded();
        processed += run.Processed();
        catalogued += run.ItemsAdded();
        if (error.empty() && !run.ErrorMessage().empty())
            error = run.ErrorMessage() +
                    (run.ErrorDetail().empty() ? std::string() : " (" + run.ErrorDetail() + ")");
        for (FailedImport& failed : run.FailedFiles())
            this->failed.push_back(std::move(failed));
    }
};

// Files not catalogued, one line each with the reason: the broken ones, at most kFailureLines
// of them; with --verbose every one, those that were catalogued already after them.
constexpr size_t kFailureLines = 20;

// Prints the files not catalogued; returns how many of them were catalogued already.
size_t printFailedFiles(CliContext& context, const RunTotals& totals, bool verbose) {
    std::vector<const FailedImport*> lines;
    size_t catalogued = 0;
    for (const FailedImport& failed : totals.failed)
        if (failed.reason != ImportFailure::AlreadyCatalogued)
            lines.push_back(&failed);
    for (const FailedImport& failed : totals.failed)
        if (failed.reason == ImportFailure::AlreadyCatalogued) {
            ++catalogued;
            if (verbose)
                lines.push_back(&failed);
        }
    const size_t shown = verbose ? lines.size() : std::min(lines.size(), kFailureLines);
    for (size_t i = 0; i < shown; ++i) {
        context.err << lines[i]->path << ": " << ImportFailureText(lines[i]->reason);
        if (!lines[i]->detail.empty())
            context.err << " (" << lines[i]->detail << ")";
        context.err << "\n";
    }
    if (shown < lines.size())
        context.err << "... and " << lines.size() - shown << " more (--verbose lists them all)\n";
    return catalogued;
}

// How the end of a run is summed up.
enum class RunKind { kImport, kUpdate, kPlaylist };

// The end of an import or update: the error that ended it, the failed files, one summary line
// (numbers written as the window writes them), and the exit status (130 after Ctrl-C). Files
// that were catalogued already are no failure.
int finishRuns(CliContext& context, const ConsoleProgress& progress, const RunTotals& totals,
               bool verbose, RunKind kind, int otherFailures = 0) {
    if (!totals.error.empty())
        context.err << totals.error << "\n";
    if (!totals.lookupsEnded.empty())
        context.err << LookupsEndedText(totals.lookupsEnded) << "\n";
    const size_t catalogued = printFailedFiles(context, totals, verbose);
    // A playlist's import ends at its first entry that cannot be catalogued, whatever the reason.
    const size_t failed = totals.failed.size() + static_cast<size_t>(otherFailures) -
                          (kind == RunKind::kPlaylist ? 0 : catalogued);
    if (progress.Interrupted())
        context.err << "Stopped after " << totals.processed << " files.\n";
    if (kind != RunKind::kPlaylist) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - totals.start).count();
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%.1f", seconds);
        std::string line = (kind == RunKind::kImport ? "Imported " : "Updated ") +
                           FormatThousands(totals.catalogued) + " files, " +
                           FormatThousands(static_cast<double>(failed)) + " failed";
        if (kind == RunKind::kImport)
            line += ", " + FormatThousands(static_cast<double>(catalogued)) + " already catalogued";
        context.err << line << " in " << elapsed << " s.\n";
    }
    if (progress.Interrupted())
        return kExitInterrupted;
    return failed == 0 && totals.error.empty() ? kExitSuccess : kExitReportedFailures;
}

class ImportCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("import", "Import files and folders into a catalogue");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("PATH", m_paths, "Files and folders to import")
            ->required()
            ->type_name(kPathValue);
        auto* recurse =
            parser->add_flag("--recurse", m_recurse,
                             "Also import the subfolders of a folder (default: RecurseSubDirs)");
        auto* noRecurse =
            parser->add_flag("--no-recurse", m_noRecurse, "Import only the folder itself");
        recurse->excludes(noRecurse);
        parser->add_flag("--all-files", m_allFiles, "Import every file, not only MP3 files");
        parser
            ->add_option("--source", m_source,
                         "1 the tag, 2 the file name, 3 both (default: ImportSource)")
            ->check(CLI::Range(0, 3));
        auto* correct =
            parser->add_flag("--correct", m_correct,
                             "Correct names taken from file names (default: ImportApplyTools)");
        auto* noCorrect =
            parser->add_flag("--no-correct", m_noCorrect, "Take names from file names as they are");
        correct->excludes(noCorrect);
        parser->add_flag("-v,--verbose", m_verbose,
                         "List every file that was not imported (otherwise the first 20)");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        ImportOptions options = ImportOptions::FromSettings(context.settings);
        if (options.generateFingerprint && context.settings.MusicBrainzApiKey.empty())
            context.err << "Fingerprints need an AcoustID client key (MusicBrainzApiKey); the "
                           "files are imported without them.\n";
        if (m_recurse || m_noRecurse)
            options.recurse = m_recurse;
        if (m_allFiles)
            options.allowAllFiles = true;
        if (m_source)
            options.source = *m_source;
        if (m_correct || m_noCorrect)
            options.correctNames = m_correct;

        ConsoleProgress progress(context.err);
        SystemClock clock;
        RunTotals totals;
        int missing = 0;
        // Files named one by one are imported together, in the order given, between folders.
        std::vector<std::string> files;
        auto importFiles = [&] {
            if (files.empty() || progress.Interrupted())
                return;
            auto run = std::make_shared<FileListImportOperation>(
                progress, context.connection, files, options, clock,
                MakeImportFingerprints(context.settings));
            progress.RunToEnd(run);
            totals.Add(*run);
            files.clear();
        };
        for (const auto& path : m_paths) {
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            if (!std::filesystem::exists(status)) {
                context.err << path << ": " << (error ? error.message() : std::strerror(ENOENT))
                            << "\n";
                ++missing;
                continue;
            }
            if (!std::filesystem::is_directory(status)) {
                files.push_back(path);
                continue;
            }
            importFiles();
            if (progress.Interrupted())
                break;
            auto run = std::make_shared<FolderImportOperation>(
                progress, context.connection, path, options, clock,
                MakeImportFingerprints(context.settings));
            progress.RunToEnd(run);
            totals.Add(*run);
            if (run->StopCode())
                break;
        }
        importFiles();
        return finishRuns(context, progress, totals, m_verbose, RunKind::kImport, missing);
    }

private:
    std::string m_catalogue;
    std::vector<std::string> m_paths;
    bool m_recurse = false;
    bool m_noRecurse = false;
    bool m_allFiles = false;
    std::optional<int> m_source;
    bool m_correct = false;
    bool m_noCorrect = false;
    bool m_verbose = false;
};

class ImportPlsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("import-pls", "Import the entries of a PLS playlist");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("FILE", m_playlist, "PLS playlist (version 2)")
            ->required()
            ->type_name(kFileValue);
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        auto playlist = std::make_unique<PlsPlaylist>();
        if (!playlist->Open(m_playlist)) {
            std::error_code error;
            const auto status = std::filesystem::status(m_playlist, error);
            context.err << kMessageBadPls << " (" << m_playlist << ": "
                        << (error                                       ? error.message()
                            : !std::filesystem::is_regular_file(status) ? "not a regular file"
                                                                        : "not a PLS playlist")
                        << ")\n";
            return kExitReportedFailures;
        }
        ConsoleProgress progress(context.err);
        SystemClock clock;
        auto run = std::make_shared<PlsImportOperation>(progress, context.connection,
                                                        std::move(playlist), clock);
        progress.RunToEnd(run);
        RunTotals totals;
        totals.Add(*run);
        // The import ends at the first entry that cannot be catalogued; that one is named.
        return finishRuns(context, progress, totals, true, RunKind::kPlaylist);
    }

private:
    std::string m_catalogue;
    std::string m_playlist;
};

class UpdateCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("update", "Re-read the files of catalogued items");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("--items", m_items, "Item ids (default: every item)")
            ->delimiter(',')
            ->option_text("ID,...");
        parser->add_flag("-v,--verbose", m_verbose,
                         "List every file that could not be read (otherwise the first 20)");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        std::string condition;
        for (const int id : m_items)
            condition += (condition.empty() ? "" : " OR ") + std::string("tblItem.lID=") +
                         std::to_string(id);
        ConsoleProgress progress(context.err);
        SystemClock clock;
        auto run = std::make_shared<UpdateOperation>(
            progress, context.connection, condition, context.settings.ItemOrder,
            ImportOptions::FromSettings(context.settings), clock,
            MakeImportFingerprints(context.settings));
        progress.RunToEnd(run);
        RunTotals totals;
        totals.Add(*run);
        return finishRuns(context, progress, totals, m_verbose, RunKind::kUpdate);
    }

private:
    std::string m_catalogue;
    std::vector<int> m_items;
    bool m_verbose = false;
};

class ShowCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("show", "Show everything the catalogue holds about one item");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("ITEM", m_item, "Item id")->required();
        parser->add_flag("--json", m_json,
                         "Write one JSON object: an object per table, keyed by column, and the "
                         "optional values under \"tblOptional\", keyed by type");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        auto& db = context.connection;
        const std::string item = std::to_string(m_item);
        nlohmann::ordered_json facts;
        try {
            ResultSet links =
                db.Execute("SELECT lMediaID, lGroupID, lPackageID FROM tblItem WHERE lID=" + item);
            if (links.IsEof()) {
                context.err << "No item " << m_item << " in the catalogue.\n";
                return kExitReportedFailures;
            }
            const std::string media = links.GetText(0);
            const std::string group = links.GetText(1);
            const std::string package = links.GetText(2);
            links = ResultSet();
            readRow(context, facts, "tblItem", "SELECT * FROM tblItem WHERE lID=" + item);
            readRow(context, facts, "tblMedia", "SELECT * FROM tblMedia WHERE lID=" + media);
            readRow(context, facts, "tblDirectory",
                    "SELECT tblDirectory.* FROM tblDirectory, tblMedia WHERE "
                    "tblDirectory.lID=tblMedia.lDirectoryID AND tblMedia.lID=" +
                        media);
            readRow(context, facts, "tblGroup", "SELECT * FROM tblGroup WHERE lID=" + group);
            readRow(context, facts, "tblPackage", "SELECT * FROM tblPackage WHERE lID=" + package);
            nlohmann::ordered_json optional = nlohmann::ordered_json::object();
            for (ResultSet values = db.Execute(
                     "SELECT tblOptional.lOptionalTypeID, tblOptionalType.lValueType, "
                     "tblOptional.sValue, tblOptional.lValue, tblOptional.fValue FROM "
                     "tblOptional, tblOptionalType WHERE "
                     "tblOptional.lOptionalTypeID=tblOptionalType.lID AND tblOptional.lTableID=" +
                     media + " ORDER BY tblOptional.lOptionalTypeID");
                 !values.IsEof(); values.MoveNext()) {
                const int kind = values.GetInt(1);
                const int column = kind == 2 || kind == 4 ? 3 : kind == 3 ? 4 : 2;
                optional[values.GetText(0)] = values.GetText(column);
            }
            if (m_json)
                facts["tblOptional"] = std::move(optional);
            WriteLabelled(context.out, facts, m_json);
            // The text output lists the optional values by their type alone.
            if (!m_json)
                WriteLabelled(context.out, optional, false);
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    static void readRow(CliContext& context, nlohmann::ordered_json& facts,
                        const std::string& table, const std::string& sql) {
        ResultSet row = context.connection.Execute(sql);
        if (row.IsEof())
            return;
        nlohmann::ordered_json& columns = facts[table];
        for (int column = 0; column < row.ColumnCount(); ++column)
            columns[row.ColumnName(column)] = row.GetText(column);
    }

    std::string m_catalogue;
    int m_item = 0;
    bool m_json = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeImportCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ImportCommand>());
    commands.push_back(std::make_unique<ImportPlsCommand>());
    commands.push_back(std::make_unique<UpdateCommand>());
    commands.push_back(std::make_unique<ShowCommand>());
    return commands;
}

} // namespace tunebay::cli
