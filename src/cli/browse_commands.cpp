// Reading the catalogue the way the window shows it: list (the item list of a scope) and tree
// (the folder tree).
#include "cli_context.h"
#include "json_output.h"
#include "scope_options.h"

#include "browse/folder_tree.h"
#include "browse/item_listing.h"
#include "browse/length_text.h"
#include "browse/sort_order.h"
#include "store/catalogue_error.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace tunebay::cli {

namespace {

// One line per item: a tab, carriage return or line feed inside a value would break the line.
std::string cell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

class ListCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("list", "List the items of a scope, one line per item");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser
            ->add_option("--sort", m_sort,
                         "Sort code: 6 title, 7 group, 12 package, 5 length, 8 genre, 9 publishing "
                         "time, 10 comment; negative for descending, 0 unsorted (default: the "
                         "ItemOrder setting)")
            ->check([](const std::string& text) -> std::string {
                try {
                    const int code = std::stoi(text);
                    if (code == 0 || IsItemSortCode(code))
                        return {};
                } catch (const std::exception&) {
                }
                return "not a sort code: " + text;
            });
        parser->add_flag("--json", m_json, "Write the items as a JSON array");
        parser->add_flag("--show-sql", m_showSql, "Print the statement to stderr");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        Selection selection;
        selection.columns =
            std::string(kListingColumns) + ", tblDirectory.sLocal, tblMedia.sFileName";
        if (const int status =
                m_scope.Resolve(context, m_sort.value_or(context.settings.ItemOrder), selection);
            status != kExitSuccess)
            return status;
        if (m_showSql)
            context.err << SelectionStatement(selection) << "\n";

        std::ostream& out = context.out;
        bool first = true;
        if (m_json)
            out << "[";
        try {
            for (ResultSet rows = RunSelection(context.connection, selection); !rows.IsEof();
                 rows.MoveNext()) {
                const ListedItem item = ReadListedItem(rows);
                const std::string path = rows.GetText(8) + rows.GetText(9);
                if (m_json) {
                    const nlohmann::ordered_json object{
                        {"id", item.itemId},       {"title", item.title},
                        {"group", item.group},     {"package", item.package},
                        {"length", item.length},   {"lengthText", LengthText(item.length)},
                        {"genre", item.genre},     {"publishTime", item.publishTime},
                        {"comment", item.comment}, {"path", path}};
                    out << (first ? "\n" : ",\n") << JsonText(object);
                } else {
                    out << item.itemId << '\t' << cell(item.title) << '\t' << cell(item.group)
                        << '\t' << cell(item.package) << '\t' << LengthText(item.length) << '\t'
                        << cell(item.genre) << '\t' << cell(item.publishTime) << '\t'
                        << cell(item.comment) << '\t' << cell(path) << '\n';
                }
                first = false;
            }
        } catch (const CatalogueError& error) {
            if (m_json)
                out << "\n]\n";
            context.err << kMessageListingFailed << "\n" << error.what() << "\n";
            return kExitReportedFailures;
        }
        if (m_json)
            out << (first ? "]\n" : "\n]\n");
        return kExitSuccess;
    }

private:
    std::string m_path;
    ScopeOptions m_scope;
    std::optional<int> m_sort;
    bool m_json = false;
    bool m_showSql = false;
};

class TreeCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("tree", "Show the folder tree");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser
            ->add_option("--view", m_view,
                         "Levels to show: 4 genre + 1 group + 2 package (default: the FolderView "
                         "setting)")
            ->check(CLI::Range(0, 7));
        parser->add_flag("--json", m_json,
                         "Write the tree as one JSON object: the root's name and its nodes, each "
                         "with type, id, name and nodes");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        FolderTree tree;
        try {
            tree =
                PopulateTree(context.connection, m_view.value_or(context.settings.FolderView), {});
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        if (m_json) {
            WriteLabelled(context.out, {{"name", tree.names[0]}, {"nodes", nodes(tree, 0)}}, true);
            return kExitSuccess;
        }
        context.out << tree.names[0] << "\n";
        print(context.out, tree, 0, 0);
        return kExitSuccess;
    }

private:
    static nlohmann::ordered_json nodes(const FolderTree& tree, std::uint32_t index) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const std::uint32_t child : tree.children[index]) {
            const ScopeNode& node = tree.nodes[child];
            list.push_back({{"type", node.type},
                            {"id", node.id},
                            {"name", tree.names[child]},
                            {"nodes", nodes(tree, child)}});
        }
        return list;
    }

    static void print(std::ostream& out, const FolderTree& tree, std::uint32_t index, int depth) {
        for (const std::uint32_t child : tree.children[index]) {
            const ScopeNode& node = tree.nodes[child];
            out << std::string(2 * (depth + 1), ' ') << node.type << ':' << node.id << '\t'
                << cell(tree.names[child]) << '\n';
            print(out, tree, child, depth + 1);
        }
    }

    std::string m_path;
    std::optional<int> m_view;
    bool m_json = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeBrowseCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<TreeCommand>());
    return commands;
}

} // namespace tunebay::cli
