#include "browse/item_drop.h"

#include "store/catalogue_error.h"
#include "store/classification.h"

#include <utility>
#include <vector>

namespace tunebay {

bool IsDropAccepted(DragMode mode, const NodeArray& nodes, std::optional<std::size_t> dragged,
                    std::optional<std::size_t> target) {
    if (mode == DragMode::None || !target || *target == 0 || *target >= nodes.size())
        return false;
    if (mode == DragMode::TreeNode) {
        if (!dragged || *dragged >= nodes.size())
            return false;
        if (*target == *dragged)
            return false;
        if (*target == static_cast<std::size_t>(nodes[*dragged].parent))
            return false;
    }
    return true;
}

DropLevels DropTargetLevels(const NodeArray& nodes, std::size_t target) {
    DropLevels levels;
    for (std::size_t step = 0; target < nodes.size() && step < nodes.size(); ++step) {
        const ScopeNode& node = nodes[target];
        // The innermost node of a type decides, should a path hold one type twice.
        if (node.type == kNodeGenre && levels.genreId == -1)
            levels.genreId = node.id;
        else if (node.type == kNodeGroup && levels.groupId == -1)
            levels.groupId = node.id;
        else if (node.type == kNodePackage && levels.packageId == -1)
            levels.packageId = node.id;
        else if (node.type == kNodeEnd)
            break;
        if (node.parent < 0)
            break;
        target = static_cast<std::size_t>(node.parent);
    }
    return levels;
}

int MoveItemsToNode(CCatalogueConnection& connection, Selection selection,
                    const DropLevels& levels) {
    const bool genre = levels.genreId != -1;
    selection.columns = genre ? "SELECT tblItem.lID, tblMedia.lID" : "SELECT tblItem.lID";
    // Read every id before changing links: the selection may be the very links that change.
    std::vector<std::pair<int, int>> items;
    for (ResultSet rows = RunSelection(connection, selection); !rows.IsEof(); rows.MoveNext())
        items.emplace_back(rows.GetInt(0), genre ? rows.GetInt(1) : -1);

    CatalogueTransaction transaction(connection);
    for (const auto& [itemId, mediaId] : items)
        if (!UpdateItemLinks(connection, itemId, mediaId, -1, levels.genreId, levels.groupId,
                             levels.packageId))
            throw CatalogueError("", "the links of item " + std::to_string(itemId) +
                                         " could not be changed");
    transaction.Commit();
    return static_cast<int>(items.size());
}

} // namespace tunebay
