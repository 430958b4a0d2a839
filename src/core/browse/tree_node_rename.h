#pragma once

#include "browse/scope_node.h"
#include "store/catalogue_connection.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tunebay {

// The longest name a tree node's edit takes, in characters.
inline constexpr std::size_t kNodeNameLimit = 255;

// Only group and package nodes can be renamed.
bool CanRenameNode(const ScopeNode& node);

enum class NodeRenameOutcome {
    Renamed, // the row has the new name; the node stays
    Merged,  // another row had the name and took over the items; the node goes
    Failed,  // nothing changed; the edit is rejected
};

// Renames the group or package row of the node (the empty text becomes "Unknown"), merging it
// into the row of the same kind that already has the name. All or nothing. Fails for nodes that
// cannot be renamed, rows that do not exist and failing statements (`error` then says why).
NodeRenameOutcome RenameTreeNode(CCatalogueConnection& connection, const ScopeNode& node,
                                 std::string_view text, std::string* error = nullptr);

} // namespace tunebay
