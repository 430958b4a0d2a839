#pragma once

#include "browse/scope_node.h"
#include "browse/selection.h"
#include "cli_context.h"

#include <optional>
#include <string>

namespace tunebay::cli {

// Reads "TYPE:ID[,TYPE:ID...]" (innermost first) into a chain. Types other than the allowed
// ones, ids that are not whole numbers and empty pieces are refused (with `error` saying why).
std::optional<NodeChain> ParseNodeChain(const std::string& text, bool treeLevelsOnly,
                                        std::string& error);

// The one way every command names the items it works on:
//   --items ID[,ID...]              the items themselves (at most 255)
//   --node TYPE:ID[,TYPE:ID...]     a tree node and its parents, innermost first
//   --search "TYPE|OP|VALUE" [--link AND|OR --search2 "TYPE|OP|VALUE"]
//   nothing                         the whole catalogue
class ScopeOptions {
public:
    ScopeOptions() = default;
    // For a command whose own --link means something else: the join of the two search rows is
    // then given with `linkOption`.
    explicit ScopeOptions(std::string linkOption) : m_linkOption(std::move(linkOption)) {}

    void Register(CLI::App& command);

    // Whether the command line named a scope.
    bool Given() const;
    // The tree node named by --node, when given.
    const std::optional<NodeChain>& Node() const { return m_chain; }

    // Builds the selection of the scope with `sortCode` (`columns` is left to the caller).
    // Prints the reason and returns the exit status when the scope cannot be used.
    int Resolve(CliContext& context, int sortCode, Selection& selection);

private:
    std::string m_items;
    std::string m_node;
    std::string m_search;
    std::string m_link;
    std::string m_search2;
    std::optional<NodeChain> m_chain;
    std::string m_linkOption = "--link";
};

// The search types with what their values look like, and the comparisons, for --help.
std::string SearchHelpText();

} // namespace tunebay::cli
