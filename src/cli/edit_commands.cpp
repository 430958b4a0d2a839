// Editing one item and the directory rows the way the Properties window and the Directories
// page do: details, properties, directories.
#include "cli_context.h"
#include "json_output.h"

#include "edit/directory_rows.h"
#include "edit/item_properties.h"
#include "import/item_tag.h"
#include "store/catalogue_error.h"

#include <ostream>

namespace tunebay::cli {

namespace {

// The item, or a message and none.
std::optional<ItemProperties> loadItem(CliContext& context, int itemId) {
    std::optional<ItemProperties> item = LoadItemProperties(context.connection, itemId);
    if (!item)
        context.err << "No item " << itemId << " in the catalogue.\n";
    return item;
}

class DetailsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("details", "Print the details text of one item");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("ITEM", m_item, "Item id")->required();
        parser->add_flag("--json", m_json, "Write one JSON object, keyed by the labels");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        try {
            const std::optional<ItemProperties> item = loadItem(context, m_item);
            if (!item)
                return kExitReportedFailures;
            if (m_json) {
                const auto details = ItemDetails(context.connection, *item);
                if (!details) {
                    context.err << ItemDetailsText(context.connection, *item) << "\n";
                    return kExitReportedFailures;
                }
                nlohmann::ordered_json facts = nlohmann::ordered_json::object();
                for (const ItemDetail& detail : *details)
                    facts[detail.label] = detail.value;
                WriteLabelled(context.out, facts, true);
                return kExitSuccess;
            }
            std::string text = ItemDetailsText(context.connection, *item);
            for (std::size_t at = text.find("\r\n"); at != std::string::npos;
                 at = text.find("\r\n", at))
                text.erase(at, 1);
            context.out << text;
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    int m_item = 0;
    bool m_json = false;
};

class PropertiesCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "properties",
            "Print one item's properties as NAME<TAB>VALUE lines, or change them as the "
            "Properties window saves them");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("ITEM", m_item, "Item id")->required();
        parser->add_option("--title", m_changes.title, "New title");
        parser->add_option("--group", m_changes.group,
                           "Group name: renames the item's group, or joins the group of that name");
        parser->add_flag("--new-group", m_changes.newGroup,
                         "The group name is a new group for this item alone");
        parser->add_option("--package", m_changes.package,
                           "Package name, looked up among the packages of the item's group");
        parser->add_flag("--new-package", m_changes.newPackage,
                         "The package name is a new package for this item alone");
        parser->add_option("--published", m_changes.published,
                           "Published year (two characters get \"19\" in front)");
        parser->add_option("--genre", m_changes.genreId, "Genre id");
        parser->add_option("--comment", m_changes.comment, "Comment");
        parser->add_option("--file", m_changes.file, "The item's file (a path)")
            ->type_name(kFileValue);
        parser->add_flag("--write-tag", m_writeTag,
                         "Write the item's tag into its file after the save");
        parser->add_flag("--json", m_json,
                         "Print the properties as one JSON object, keyed by the names (the "
                         "genre as [ID, NAME])");
    }

    int Run(CliContext& context) override {
        if ((m_changes.newGroup && !m_changes.group) ||
            (m_changes.newPackage && !m_changes.package)) {
            context.err << "--new-group needs --group, --new-package needs --package.\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        try {
            const std::optional<ItemProperties> item = loadItem(context, m_item);
            if (!item)
                return kExitReportedFailures;
            if (!m_changes.Any() && !m_writeTag) {
                WriteLabelled(context.out, facts(*item), m_json);
                return kExitSuccess;
            }
            if (m_json) {
                context.err << "--json prints the properties; it does not go with a change.\n";
                return kExitUsage;
            }
            const SaveResult saved = SaveItemProperties(context.connection, *item, m_changes);
            if (saved.outcome != SaveOutcome::Saved &&
                saved.outcome != SaveOutcome::NothingChanged) {
                context.err << saved.message << "\n";
                if (!saved.engineReason.empty())
                    context.err << saved.engineReason << "\n";
                return kExitReportedFailures;
            }
            if (m_writeTag) {
                const RewriteResult written =
                    WriteItemTag(context.connection, m_item, context.settings.UseID3v2 != 0);
                if (!written.ok) {
                    context.err << kMessageTagNotSaved << "\n" << written.reason << "\n";
                    return kExitReportedFailures;
                }
            }
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    static nlohmann::ordered_json facts(const ItemProperties& item) {
        nlohmann::ordered_json facts;
        facts["File"] = item.FilePath();
        facts["Title"] = item.title;
        facts["Group"] = item.group;
        facts["Package"] = item.package;
        facts["Published"] = item.published;
        facts["Genre"] = {item.genreId, item.genreName};
        facts["Comment"] = item.comment;
        return facts;
    }

    std::string m_path;
    int m_item = 0;
    PropertyChanges m_changes;
    bool m_writeTag = false;
    bool m_json = false;
};

class DirectoriesCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "directories",
            "List the directory rows (ID, local, network, web), or change them as the "
            "Directories page does");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("--set", m_set, "Set one cell: ID local|unc|url TEXT")
            ->expected(3)
            ->allow_extra_args(false);
        parser
            ->add_option("--replace", m_replace,
                         "Replace text in one column: local|unc|url FIND REPLACEMENT")
            ->expected(3)
            ->allow_extra_args(false);
        parser->add_flag("--copy-local", m_copyLocal,
                         "Copy every row's local form to its network and web forms");
        parser->add_flag("--json", m_json,
                         "List the rows as one JSON object: \"Directories\", an array of "
                         "objects with ID, Local, Network and Web");
    }

    int Run(CliContext& context) override {
        DirectoryRows::Column setColumn = DirectoryRows::kLocal;
        DirectoryRows::Column replaceColumn = DirectoryRows::kLocal;
        if ((!m_set.empty() && !DirectoryColumnFromName(m_set[1], setColumn)) ||
            (!m_replace.empty() && !DirectoryColumnFromName(m_replace[0], replaceColumn))) {
            context.err << "The column is one of local, unc and url.\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        try {
            DirectoryRows rows;
            rows.Load(context.connection);
            const bool changing = !m_set.empty() || !m_replace.empty() || m_copyLocal;
            if (!changing && m_json) {
                nlohmann::ordered_json list = nlohmann::ordered_json::array();
                for (const DirectoryRows::Row& row : rows.Rows())
                    list.push_back({{"ID", row.id},
                                    {"Local", row.forms[0]},
                                    {"Network", row.forms[1]},
                                    {"Web", row.forms[2]}});
                WriteLabelled(context.out, {{"Directories", std::move(list)}}, true);
                return kExitSuccess;
            }
            if (!changing) {
                for (const DirectoryRows::Row& row : rows.Rows())
                    context.out << row.id << "\t" << row.forms[0] << "\t" << row.forms[1] << "\t"
                                << row.forms[2] << "\n";
                return kExitSuccess;
            }
            if (m_json) {
                context.err << "--json lists the rows; it does not go with a change.\n";
                return kExitUsage;
            }
            if (m_copyLocal)
                rows.CopyLocalToOthers();
            if (!m_set.empty() && !setCell(context, rows, setColumn))
                return kExitReportedFailures;
            if (!m_replace.empty())
                rows.Replace(replaceColumn, m_replace[1], m_replace[2]);
            const DirectoryRows::WriteResult written = rows.WriteBack(context.connection);
            context.out << written.written << (written.written == 1 ? " row" : " rows")
                        << " changed.\n";
            if (written.merged != 0)
                context.out << written.merged << (written.merged == 1 ? " row" : " rows")
                            << " merged into another of the same local folder.\n";
            for (const std::string& failure : written.failed)
                context.err << "Row " << failure << "\n";
            return written.failed.empty() ? kExitSuccess : kExitReportedFailures;
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
    }

private:
    bool setCell(CliContext& context, DirectoryRows& rows, DirectoryRows::Column column) {
        const std::string& id = m_set[0];
        for (std::size_t i = 0; i < rows.Rows().size(); ++i)
            if (std::to_string(rows.Rows()[i].id) == id)
                return rows.SetCell(i, column, m_set[2]);
        context.err << "No directory row " << id << " in the catalogue.\n";
        return false;
    }

    std::string m_path;
    std::vector<std::string> m_set;
    std::vector<std::string> m_replace;
    bool m_copyLocal = false;
    bool m_json = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeEditCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<DetailsCommand>());
    commands.push_back(std::make_unique<PropertiesCommand>());
    commands.push_back(std::make_unique<DirectoriesCommand>());
    return commands;
}

} // namespace tunebay::cli
