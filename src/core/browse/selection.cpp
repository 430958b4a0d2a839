#include "browse/selection.h"

#include "browse/node_condition.h"
#include "store/item_query.h"

namespace tunebay {

namespace {

void clearAllButColumns(Selection& selection) {
    std::string columns = std::move(selection.columns);
    selection = Selection{};
    selection.columns = std::move(columns);
}

} // namespace

Selection ScopeSelection(const ExplorerScope& scope, int itemOrder) {
    Selection selection;
    if (scope.view == kExplorerSearch && !scope.searchCondition.empty()) {
        selection.condition = scope.searchCondition;
    } else {
        selection.nodeType = scope.selectedNode.type;
        selection.nodeId = scope.selectedNode.id;
        selection.nodeParent = scope.selectedNode.parent;
        selection.nodes = scope.nodes;
    }
    if (!scope.filterCondition.empty())
        selection.condition = selection.condition.empty()
                                  ? scope.filterCondition
                                  : "(" + selection.condition + ") AND " + scope.filterCondition;
    selection.sortCode = itemOrder;
    return selection;
}

SelectionStatus ItemIdSelection(std::span<const int> itemIds, int itemOrder, Selection& selection) {
    if (itemIds.size() > kMaxDirectSelection)
        return SelectionStatus::TooManyItems;
    if (itemIds.empty())
        return SelectionStatus::NothingSelected;
    clearAllButColumns(selection);
    std::string condition;
    for (const int id : itemIds) {
        if (!condition.empty())
            condition += "OR";
        condition += " tblItem.lID=" + std::to_string(id) + " ";
    }
    selection.condition = std::move(condition);
    selection.sortCode = itemOrder;
    return SelectionStatus::Ok;
}

SelectionStatus BuildSelection(const ListState& list, Selection& selection) {
    if (list.selectedRows == list.listedRows) {
        std::string columns = std::move(selection.columns);
        selection = ScopeSelection(list.scope, list.itemOrder);
        selection.columns = std::move(columns);
        return SelectionStatus::Ok;
    }
    return ItemIdSelection(list.selectedItemIds, list.itemOrder, selection);
}

Selection NodeSelection(std::shared_ptr<const NodeArray> nodes, std::size_t index, int itemOrder) {
    Selection selection;
    selection.sortCode = itemOrder;
    if (nodes && index < nodes->size()) {
        const ScopeNode& node = (*nodes)[index];
        selection.nodeType = node.type;
        selection.nodeId = node.id;
        selection.nodeParent = node.parent;
    }
    selection.nodes = std::move(nodes);
    return selection;
}

std::string SelectionCondition(const Selection& selection) {
    if (selection.nodeType == kNodeEnd || !selection.nodes)
        return selection.condition;
    std::string condition = NodePathCondition(
        {selection.nodeType, selection.nodeId, selection.nodeParent}, *selection.nodes);
    if (condition.empty())
        return selection.condition;
    // In parentheses, so that a condition made of OR terms still applies only below the node.
    if (!selection.condition.empty())
        condition += " AND (" + selection.condition + ")";
    return condition;
}

std::string SelectionStatement(const Selection& selection) {
    return BuildItemQuery(selection.columns, SelectionCondition(selection), selection.sortCode);
}

ResultSet RunSelection(CCatalogueConnection& connection, const Selection& selection) {
    return QueryItems(connection, selection.columns, SelectionCondition(selection),
                      selection.sortCode);
}

} // namespace tunebay
