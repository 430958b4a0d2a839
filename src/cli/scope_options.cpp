#include "scope_options.h"

#include "browse/node_condition.h"
#include "browse/search_row.h"
#include "browse/search_types.h"

#include <charconv>
#include <memory>
#include <ostream>
#include <vector>

namespace tunebay::cli {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        pieces.push_back(text.substr(start, at - start));
        if (at == std::string::npos)
            return pieces;
        start = at + 1;
    }
}

std::optional<int> parseId(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isNodeType(int type, bool treeLevelsOnly) {
    if (type == kNodeGenre || type == kNodeGroup || type == kNodePackage)
        return true;
    return !treeLevelsOnly && (type == kNodeMedia || type == kNodeItem);
}

// "TYPE|OP|VALUE"; the comparison and the value may be left off ("Duplicates:Name").
SearchRow parseSearchRow(const std::string& text) {
    SearchRow row;
    const std::size_t first = text.find('|');
    row.type = text.substr(0, first);
    if (first == std::string::npos)
        return row;
    const std::size_t second = text.find('|', first + 1);
    row.compare = text.substr(first + 1, second - first - 1);
    row.value = second == std::string::npos ? std::string() : text.substr(second + 1);
    return row;
}

const char* kindName(int kind) {
    switch (kind) {
    case kSearchNumber:
        return "number";
    case kSearchFixed:
        return "no comparison or value";
    case kSearchDate:
        return "date or time: 2003-05-01, 12:30, 20030501";
    case kSearchLength:
        return "length M:SS (a plain number counts minutes)";
    default:
        return "text (= finds it anywhere, <> nowhere)";
    }
}

} // namespace

std::string SearchHelpText() {
    std::string text = "Search types (TYPE of --search and --search2):\n";
    for (const SearchType& type : kSearchTypes)
        text += "  " + std::string(type.label) + std::string(18 - type.label.size(), ' ') +
                kindName(type.kind) + "\n";
    text += "Comparisons (OP):";
    for (const std::string_view compare : kSearchComparisons)
        text += " " + std::string(compare);
    text += "\nExample: --search \"Group|=|ABBA\" --link AND --search2 \"Length|>|3:00\"";
    return text;
}

std::optional<NodeChain> ParseNodeChain(const std::string& text, bool treeLevelsOnly,
                                        std::string& error) {
    NodeChain chain;
    for (const std::string& piece : split(text, ',')) {
        const std::size_t colon = piece.find(':');
        const auto type = parseId(piece.substr(0, colon));
        const auto id =
            colon == std::string::npos ? std::nullopt : parseId(piece.substr(colon + 1));
        if (!type || !id || !isNodeType(*type, treeLevelsOnly)) {
            error = "\"" + piece + "\" is no node: use TYPE:ID with the type " +
                    (treeLevelsOnly ? "1 (genre), 2 (group) or 3 (package)"
                                    : "1 (genre), 2 (group), 3 (package), 4 (media) or 11 (item)");
            return std::nullopt;
        }
        chain.push_back({*type, *id});
    }
    return chain;
}

void ScopeOptions::Register(CLI::App& command) {
    auto* items = command.add_option("--items", m_items, "The items with these ids (at most 255)")
                      ->option_text("ID[,ID...]");
    auto* node = command
                     .add_option("--node", m_node,
                                 "Everything below a tree node, given with its parents, innermost "
                                 "first (3:12,2:5,1:17 is package 12 of group 5 in genre 17)")
                     ->option_text("TYPE:ID[,TYPE:ID...]");
    auto* search = command.add_option("--search", m_search, "The items a search row finds")
                       ->option_text("\"TYPE|OP|VALUE\"");
    auto* link =
        command.add_option(m_linkOption, m_link, "How the second search row joins the first")
            ->option_text("AND|OR")
            ->check(CLI::IsMember({"AND", "OR"}));
    auto* search2 = command.add_option("--search2", m_search2, "The second search row")
                        ->option_text("\"TYPE|OP|VALUE\"");
    items->excludes(node)->excludes(search);
    node->excludes(search);
    command.footer(SearchHelpText());
    link->needs(search)->needs(search2);
    search2->needs(link);
}

bool ScopeOptions::Given() const {
    return !m_items.empty() || !m_node.empty() || !m_search.empty();
}

int ScopeOptions::Resolve(CliContext& context, int sortCode, Selection& selection) {
    std::string columns = std::move(selection.columns);
    selection = Selection{};
    if (!m_items.empty()) {
        std::vector<int> ids;
        for (const std::string& piece : split(m_items, ',')) {
            const auto id = parseId(piece);
            if (!id) {
                context.err << "\"" << piece << "\" is no item id.\n";
                return kExitUsage;
            }
            ids.push_back(*id);
        }
        if (ItemIdSelection(ids, sortCode, selection) == SelectionStatus::TooManyItems) {
            context.err << kMessageTooManyItems << "\n";
            return kExitReportedFailures;
        }
    } else if (!m_node.empty()) {
        std::string error;
        m_chain = ParseNodeChain(m_node, false, error);
        if (!m_chain) {
            context.err << error << "\n";
            return kExitUsage;
        }
        auto nodes = std::make_shared<const NodeArray>(NodeArrayFromChain(*m_chain));
        const std::size_t innermost = nodes->size() - 1;
        selection = NodeSelection(std::move(nodes), innermost, sortCode);
    } else if (!m_search.empty()) {
        const SearchText condition = BuildSearchCondition(
            parseSearchRow(m_search), m_link.empty() ? "-" : m_link, parseSearchRow(m_search2));
        if (!condition.ok()) {
            context.err << condition.message << "\n";
            return kExitUsage;
        }
        ExplorerScope scope;
        scope.view = kExplorerSearch;
        scope.searchCondition = condition.sql;
        selection = ScopeSelection(scope, sortCode);
    } else {
        selection = ScopeSelection(ExplorerScope{}, sortCode);
    }
    selection.columns = std::move(columns);
    return kExitSuccess;
}

} // namespace tunebay::cli
