#pragma once

#include "browse/scope_node.h"
#include "browse/selection.h"
#include "store/catalogue_connection.h"

#include <cstddef>
#include <optional>

namespace tunebay {

// What is being dragged onto the folder tree.
enum class DragMode { None, TreeNode, ListRows };

// Whether a drop onto `target` moves anything. Nothing happens without a target, onto the root,
// for a tree node dropped onto itself or onto its own parent, and for list rows dropped onto the
// root.
bool IsDropAccepted(DragMode mode, const NodeArray& nodes, std::optional<std::size_t> dragged,
                    std::optional<std::size_t> target);

// The links a drop sets: the ids of the genre, group and package nodes on the way from the
// target node up to the root; -1 leaves a link unchanged.
struct DropLevels {
    int genreId = -1;
    int groupId = -1;
    int packageId = -1;

    bool empty() const { return genreId == -1 && groupId == -1 && packageId == -1; }
};

DropLevels DropTargetLevels(const NodeArray& nodes, std::size_t target);

// Gives every item of the selection the target's links (UpdateItemLinks), all or nothing.
// Group, package and genre rows are neither made nor removed. Returns the number of items
// moved. Throws CatalogueError (nothing is changed then).
int MoveItemsToNode(CCatalogueConnection& connection, Selection selection,
                    const DropLevels& levels);

} // namespace tunebay
