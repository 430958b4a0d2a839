// Changing what the catalogue holds the way the window's Edit commands do: delete, rename,
// rename-node, move (the drop onto a tree node) and clear (Remove All).
#include "cli_context.h"
#include "confirmation.h"
#include "console_progress.h"
#include "scope_options.h"

#include "browse/catalogue_clearing.h"
#include "browse/edited_name.h"
#include "browse/item_deletion.h"
#include "browse/item_drop.h"
#include "browse/item_rename.h"
#include "browse/node_condition.h"
#include "browse/tree_node_rename.h"
#include "store/catalogue_error.h"

#include <functional>
#include <map>
#include <ostream>

namespace tunebay::cli {

namespace {

// The scope's items with their files, in the order the list shows them.
std::vector<std::pair<int, std::string>> scopeItemFiles(CliContext& context, Selection selection) {
    selection.columns = "SELECT tblItem.lID, tblDirectory.sLocal, tblMedia.sFileName";
    std::vector<std::pair<int, std::string>> items;
    for (ResultSet rows = RunSelection(context.connection, selection); !rows.IsEof();
         rows.MoveNext())
        items.emplace_back(rows.GetInt(0), rows.GetText(1) + rows.GetText(2));
    return items;
}

// How --verbose and --dry-run word the deletion of one item.
std::string deletionText(int id, const std::string& file) {
    return "delete item " + std::to_string(id) + " (" + file + ")";
}

int requireScope(CliContext& context, const ScopeOptions& scope, const char* command) {
    if (scope.Given())
        return kExitSuccess;
    context.err << command << " needs the items to work on: --items, --node or --search.\n";
    return kExitUsage;
}

std::string itemCount(int count) {
    return std::to_string(count) + (count == 1 ? " item" : " items");
}

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

class DeleteCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("delete", "Delete the items of a scope from the catalogue");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser->add_flag("--yes", m_yes, "Do not ask");
        parser->add_flag("--verbose", m_verbose, "List every item deleted");
        parser->add_flag("--dry-run", m_dryRun,
                         "List the items that would be deleted (as --verbose words them) and "
                         "change nothing");
    }

    int Run(CliContext& context) override {
        if (const int status = requireScope(context, m_scope, "delete"); status != kExitSuccess)
            return status;
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        Selection selection;
        if (const int status = m_scope.Resolve(context, context.settings.ItemOrder, selection);
            status != kExitSuccess)
            return status;
        std::vector<std::pair<int, std::string>> items;
        try {
            items = scopeItemFiles(context, selection);
        } catch (const CatalogueError& error) {
            context.err << kMessageDeleteFailed << "\n" << error.what() << "\n";
            return kExitReportedFailures;
        }
        if (m_dryRun) {
            for (const auto& [id, file] : items)
                context.out << deletionText(id, file) << "\n";
            context.out << "Would delete " << itemCount(static_cast<int>(items.size())) << ".\n";
            return kExitSuccess;
        }
        if (items.empty()) {
            context.out << "Deleted " << itemCount(0) << ".\n";
            return kExitSuccess;
        }
        std::vector<int> ids;
        std::map<int, std::string> files;
        for (const auto& [id, file] : items) {
            ids.push_back(id);
            files.emplace(id, file);
        }
        std::function<void(int)> onDeleted;
        if (m_verbose)
            onDeleted = [&](int id) { context.out << deletionText(id, files[id]) << "\n"; };
        if (!Confirm(context, kQuestionDeleteItems, m_yes)) {
            context.err << "Nothing deleted.\n";
            return kExitReportedFailures;
        }
        DeletionOutcome outcome;
        {
            StopSignals signals;
            outcome = DeleteItems(context.connection, ids, onDeleted, &StopSignals::Requested);
        }
        context.out << "Deleted " << itemCount(outcome.deleted) << ".\n";
        if (outcome.failed) {
            context.err << kMessageDeleteFailed << "\n" << outcome.error << "\n";
            return kExitReportedFailures;
        }
        if (outcome.stopped) {
            context.err << "Stopped after " << outcome.deleted << " items.\n";
            return kExitInterrupted;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    ScopeOptions m_scope;
    bool m_yes = false;
    bool m_verbose = false;
    bool m_dryRun = false;
};

class RenameCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("rename", "Give an item a new title (\"\" gives \"Unknown\")");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("ITEM", m_item, "Item id")->required();
        parser->add_option("TITLE", m_title, "New title")->required();
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        if (!RenameItemTitle(context.connection, m_item, EditedName(m_title))) {
            context.err << kMessageRenameItemFailed << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    int m_item = 0;
    std::string m_title;
};

class RenameNodeCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "rename-node",
            "Rename a group or package; the name of another row of its kind merges the two");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_option("KIND", m_kind, "group or package")
            ->required()
            ->check(CLI::IsMember({"group", "package"}));
        parser->add_option("ID", m_id, "Group or package id")->required();
        parser->add_option("NAME", m_name, "New name (\"\" gives \"Unknown\")")->required();
    }

    int Run(CliContext& context) override {
        if (codePoints(m_name) > kNodeNameLimit) {
            context.err << "A name has at most " << kNodeNameLimit << " characters.\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        const ScopeNode node{m_kind == "group" ? kNodeGroup : kNodePackage, m_id, 0};
        std::string error;
        switch (RenameTreeNode(context.connection, node, m_name, &error)) {
        case NodeRenameOutcome::Renamed:
            context.out << "renamed\n";
            return kExitSuccess;
        case NodeRenameOutcome::Merged:
            context.out << "merged\n";
            return kExitSuccess;
        case NodeRenameOutcome::Failed:
            break;
        }
        context.err << "Couldn't rename the " << m_kind << ": " << error << "\n";
        return kExitReportedFailures;
    }

private:
    std::string m_path;
    std::string m_kind;
    int m_id = 0;
    std::string m_name;
};

class MoveCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "move", "Give the items of a scope the genre, group and package of a tree node");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser
            ->add_option("--to", m_to,
                         "The node dropped on, with its parents, innermost first (2:5,1:17 is "
                         "group 5 in genre 17)")
            ->option_text("TYPE:ID[,TYPE:ID...]")
            ->required();
    }

    int Run(CliContext& context) override {
        if (const int status = requireScope(context, m_scope, "move"); status != kExitSuccess)
            return status;
        std::string error;
        const auto target = ParseNodeChain(m_to, true, error);
        if (!target) {
            context.err << error << "\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        Selection selection;
        if (const int status = m_scope.Resolve(context, context.settings.ItemOrder, selection);
            status != kExitSuccess)
            return status;

        const NodeArray targetNodes = NodeArrayFromChain(*target);
        // A tree node dropped onto itself or its own parent stays where it is.
        if (const auto& dragged = m_scope.Node()) {
            const NodeChain parent(dragged->begin() + 1, dragged->end());
            if (*dragged == *target || parent == *target) {
                context.out << "Moved " << itemCount(0) << ".\n";
                return kExitSuccess;
            }
        }
        const DropLevels levels = DropTargetLevels(targetNodes, targetNodes.size() - 1);
        try {
            if (!rowsExist(context, levels))
                return kExitReportedFailures;
            const int moved = MoveItemsToNode(context.connection, selection, levels);
            context.out << "Moved " << itemCount(moved) << ".\n";
        } catch (const CatalogueError& failure) {
            context.err << "Couldn't move the items: " << failure.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    // Links to rows that do not exist would take the items out of every listing.
    static bool rowsExist(CliContext& context, const DropLevels& levels) {
        const struct {
            int id;
            const char* table;
            const char* kind;
        } targets[] = {{levels.genreId, "tblGenre", "genre"},
                       {levels.groupId, "tblGroup", "group"},
                       {levels.packageId, "tblPackage", "package"}};
        for (const auto& target : targets) {
            if (target.id == -1)
                continue;
            if (context.connection
                    .Execute(std::string("SELECT lID FROM ") + target.table +
                             " WHERE lID=" + std::to_string(target.id))
                    .IsEof()) {
                context.err << "The catalogue has no " << target.kind << " " << target.id << ".\n";
                return false;
            }
        }
        return true;
    }

    std::string m_path;
    ScopeOptions m_scope;
    std::string m_to;
};

class ClearCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("clear", "Remove all data from the catalogue");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_flag("--yes", m_yes, "Do not ask");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        if (!Confirm(context, kQuestionClearCatalogue, m_yes)) {
            context.err << "Nothing removed.\n";
            return kExitReportedFailures;
        }
        try {
            ClearCatalogue(context.connection);
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_path;
    bool m_yes = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeItemCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<DeleteCommand>());
    commands.push_back(std::make_unique<RenameCommand>());
    commands.push_back(std::make_unique<RenameNodeCommand>());
    commands.push_back(std::make_unique<MoveCommand>());
    commands.push_back(std::make_unique<ClearCommand>());
    return commands;
}

} // namespace tunebay::cli
