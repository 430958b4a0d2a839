#pragma once

#include "browse/scope_node.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tunebay {

// The column a node of this type compares, with its "=" ("tblGroup.lID=" for a group); empty
// for a type that stands for no table.
std::string_view NodeTypePrefix(int type);

// The SQL condition of a node and its parents: one term per node ("tblPackage.lID=12"), joined
// by " AND ", innermost first. The chain ends at a node of type 0 (or of no known type) or at a
// parent index outside the array; a malformed array whose parents form a loop still ends.
std::string NodePathCondition(const ScopeNode& node, std::span<const ScopeNode> nodes);

// A node array made from a chain of keys (innermost first): the root at index 0, then the
// outermost node under it and each inner node under the one before. The innermost node is the
// last entry.
NodeArray NodeArrayFromChain(const NodeChain& chain);

// The chain of the node at `index`: it and its parents up to the root, innermost first.
NodeChain NodeChainOf(std::span<const ScopeNode> nodes, std::size_t index);

} // namespace tunebay
