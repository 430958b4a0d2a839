// Bringing files into a catalogue: import, import-pls, update, and show for one item's record.
#include "cli_context.h"
#include "console_progress.h"

#include "app/clock.h"
#include "import/import_operations.h"
#include "store/catalogue_error.h"
#include "store/item_query.h"

#include <filesystem>
#include <ostream>
#include <sstream>

namespace tunebay::cli {

namespace {

// The error that ended a run early, if any, as the command's result.
int reportRunError(CliContext& context, const ImportRun& run) {
    if (run.ErrorMessage().empty())
        return kExitSuccess;
    context.err << run.ErrorMessage() << "\n";
    return kExitReportedFailures;
}

class ImportCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("import", "Import files and folders into a catalogue");
        parser->add_option("CATALOGUE", m_catalogue, "Catalogue file")->required();
        parser->add_option("PATH", m_paths, "Files and folders to import")->required();
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
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        ImportOptions options = ImportOptions::FromSettings(context.settings);
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
        int failures = 0;
        std::string error;
        // Files named one by one are imported together, in the order given, between folders.
        std::vector<std::string> files;
        auto importFiles = [&] {
            if (files.empty())
                return;
            auto run = std::make_shared<FileListImportOperation>(progress, context.connection,
                                                                 files, options, clock);
            run->RunHere();
            failures += run->Failures();
            if (error.empty())
                error = run->ErrorMessage();
            files.clear();
        };
        for (const auto& path : m_paths) {
            std::error_code ignored;
            if (!std::filesystem::is_directory(path, ignored)) {
                files.push_back(std::filesystem::absolute(path, ignored).string());
                continue;
            }
            importFiles();
            auto run = std::make_shared<FolderImportOperation>(
                progress, context.connection, std::filesystem::absolute(path, ignored).string(),
                options, clock);
            progress.RunToEnd(run);
            failures += run->Failures();
            if (error.empty())
                error = run->ErrorMessage();
            if (run->StopCode())
                break;
        }
        importFiles();
        if (!error.empty())
            context.err << error << "\n";
        if (failures > 0)
            context.err << ImportFailureSummary(failures) << "\n";
        return failures > 0 || !error.empty() ? kExitReportedFailures : kExitSuccess;
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
};

class ImportPlsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("import-pls", "Import the entries of a PLS playlist");
        parser->add_option("CATALOGUE", m_catalogue, "Catalogue file")->required();
        parser->add_option("FILE", m_playlist, "PLS playlist (version 2)")->required();
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        auto playlist = std::make_unique<PlsPlaylist>();
        std::error_code ignored;
        if (!playlist->Open(std::filesystem::absolute(m_playlist, ignored).string())) {
            context.err << kMessageBadPls << "\n";
            return kExitReportedFailures;
        }
        ConsoleProgress progress(context.err);
        SystemClock clock;
        auto run = std::make_shared<PlsImportOperation>(progress, context.connection,
                                                        std::move(playlist), clock);
        progress.RunToEnd(run);
        return reportRunError(context, *run);
    }

private:
    std::string m_catalogue;
    std::string m_playlist;
};

class UpdateCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("update", "Re-read the files of catalogued items");
        parser->add_option("CATALOGUE", m_catalogue, "Catalogue file")->required();
        parser->add_option("--items", m_items, "Item ids (default: every item)")
            ->delimiter(',')
            ->option_text("ID,...");
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
            ImportOptions::FromSettings(context.settings), clock);
        progress.RunToEnd(run);
        return reportRunError(context, *run);
    }

private:
    std::string m_catalogue;
    std::vector<int> m_items;
};

class ShowCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("show", "Show everything the catalogue holds about one item");
        parser->add_option("CATALOGUE", m_catalogue, "Catalogue file")->required();
        parser->add_option("ITEM", m_item, "Item id")->required();
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        auto& db = context.connection;
        const std::string item = std::to_string(m_item);
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
            printRow(context, "tblItem", "SELECT * FROM tblItem WHERE lID=" + item);
            printRow(context, "tblMedia", "SELECT * FROM tblMedia WHERE lID=" + media);
            printRow(context, "tblDirectory",
                     "SELECT tblDirectory.* FROM tblDirectory, tblMedia WHERE "
                     "tblDirectory.lID=tblMedia.lDirectoryID AND tblMedia.lID=" +
                         media);
            printRow(context, "tblGroup", "SELECT * FROM tblGroup WHERE lID=" + group);
            printRow(context, "tblPackage", "SELECT * FROM tblPackage WHERE lID=" + package);
            for (ResultSet values = db.Execute(
                     "SELECT tblOptional.lOptionalTypeID, tblOptionalType.lValueType, "
                     "tblOptional.sValue, tblOptional.lValue, tblOptional.fValue FROM "
                     "tblOptional, tblOptionalType WHERE "
                     "tblOptional.lOptionalTypeID=tblOptionalType.lID AND tblOptional.lTableID=" +
                     media + " ORDER BY tblOptional.lOptionalTypeID");
                 !values.IsEof(); values.MoveNext()) {
                const int kind = values.GetInt(1);
                const int column = kind == 2 || kind == 4 ? 3 : kind == 3 ? 4 : 2;
                context.out << values.GetText(0) << "\t" << values.GetText(column) << "\n";
            }
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    static void printRow(CliContext& context, const std::string& table, const std::string& sql) {
        ResultSet row = context.connection.Execute(sql);
        if (row.IsEof())
            return;
        for (int column = 0; column < row.ColumnCount(); ++column)
            context.out << table << "." << row.ColumnName(column) << "\t" << row.GetText(column)
                        << "\n";
    }

    std::string m_catalogue;
    int m_item = 0;
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
