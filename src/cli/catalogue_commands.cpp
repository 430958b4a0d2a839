// Commands on a catalogue as a whole: new, info, sql, copy-catalogue.
#include "cli_context.h"
#include "console_progress.h"
#include "json_output.h"

#include "app/catalogue_transfer.h"
#include "store/catalogue_error.h"
#include "text/text_rules.h"

#include <filesystem>
#include <ostream>

namespace tunebay::cli {

namespace {

class NewCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("new", "Create a new catalogue from the template");
        parser->add_option("CATALOGUE", m_path, "Catalogue file or postgresql:// URI to create")
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_flag("--force", m_force,
                         "Replace a file that is already there, or an earlier catalogue in the "
                         "server database");
    }

    int Run(CliContext& context) override {
        std::error_code error;
        if (!m_force && !IsServerCatalogueName(m_path) && std::filesystem::exists(m_path, error) &&
            !(std::filesystem::is_regular_file(m_path, error) &&
              std::filesystem::file_size(m_path, error) == 0)) {
            context.err << m_path << " already exists; use --force to replace it.\n";
            return kExitReportedFailures;
        }
        CatalogueDocument document(context.connection, context.settings.AppDirectory);
        const OpenResult result = document.NewCatalogue(m_path, m_force);
        if (!result.ok()) {
            context.err << result.message;
            if (!result.detail.empty())
                context.err << " (" << result.detail << ")";
            context.err << "\n";
            return result.status == OpenStatus::CreateFailed ? kExitReportedFailures
                                                             : kExitCatalogueNotOpened;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    bool m_force = false;
};

class InfoCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("info", "Show the catalogue's version and row counts");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_flag("--json", m_json, "Write one JSON object, keyed by the labels");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        auto& db = context.connection;
        nlohmann::ordered_json facts;
        try {
            ResultSet version = db.Execute("SELECT sValue FROM tblDBInfo WHERE sID='DBVersion'");
            facts["DBVersion"] = version.IsEof() ? "" : version.GetText(0);
            // A file's engine goes without saying; a server's version is worth knowing.
            if (IsServerCatalogueName(m_path))
                facts["Engine"] = db.EngineDescription();
            facts["Items"] = db.CountItems();
            for (const char* table :
                 {"tblMedia", "tblItem", "tblGroup", "tblPackage", "tblFolder", "tblGenre",
                  "tblDirectory", "tblOptional", "tblOptionalType", "tblDBInfo"}) {
                ResultSet count = db.Execute(std::string("SELECT COUNT(*) FROM ") + table);
                facts[table] = count.GetInt64(0);
            }
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        WriteLabelled(context.out, facts, m_json);
        return kExitSuccess;
    }

private:
    std::string m_path;
    bool m_json = false;
};

class SqlCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("sql", "Run one statement on the catalogue and print its rows");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("STATEMENT", m_statement, "One SQL statement")->required();
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        try {
            for (ResultSet rows = context.connection.Execute(m_statement); !rows.IsEof();
                 rows.MoveNext()) {
                for (int column = 0; column < rows.ColumnCount(); ++column)
                    context.out << (column ? "\t" : "") << rows.GetText(column);
                context.out << "\n";
            }
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    std::string m_statement;
};

class CopyCatalogueCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "copy-catalogue",
            "Copy a whole catalogue between files and server databases, ids and all");
        parser->add_option("SOURCE", m_source, "Catalogue file or postgresql:// URI to copy")
            ->required()
            ->type_name(kCatalogueValue);
        parser
            ->add_option("TARGET", m_target,
                         "Catalogue file or postgresql:// URI to make; it must not hold a "
                         "catalogue with items")
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_flag("--force", m_force,
                         "Replace what the target holds (an earlier catalogue in a server "
                         "database, or the file)");
    }

    int Run(CliContext& context) override {
        ConsoleProgress progress(context.err);
        const auto show = [&](long long copied, long long total) {
            progress.OnProgress(0, "Copying rows: " + FormatThousands(static_cast<double>(copied)) +
                                       " of " + FormatThousands(static_cast<double>(total)));
        };
        const TransferResult result =
            CopyCatalogue(m_source, m_target, m_force, context.settings.AppDirectory, show);
        progress.ClearLine();
        if (!result.ok()) {
            context.err << result.message << "\n";
            return result.status == TransferStatus::SourceNotOpened ? kExitCatalogueNotOpened
                                                                    : kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_source;
    std::string m_target;
    bool m_force = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeCatalogueCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<NewCommand>());
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<SqlCommand>());
    commands.push_back(std::make_unique<CopyCatalogueCommand>());
    return commands;
}

} // namespace tunebay::cli
