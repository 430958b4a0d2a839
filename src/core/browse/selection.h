#pragma once

#include "browse/scope_node.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tunebay {

// The items a command works on: a tree node with its parents, a condition, or both, and the
// order to read them in. Commands set `columns` to the select list they need and read the items
// with RunSelection.
struct Selection {
    std::string columns;
    std::string condition; // over the item join; empty for none
    int sortCode = 0;
    int nodeType = kNodeEnd; // 0 when the selection is not a tree node
    int nodeId = 0;
    int nodeParent = 0;
    // Shared, so that a worker still reading a selection is not disturbed by a tree rebuild.
    std::shared_ptr<const NodeArray> nodes;
};

// The most rows a selection names one by one; more must come from the explorer bar's scope.
inline constexpr std::size_t kMaxDirectSelection = 255;

inline constexpr const char* kMessageTooManyItems = TB_TRANSLATE_NOOP(
    "Tunebay",
    "Only a maximum of 255 items can be selected directly! Please focus left side or reduce "
    "amount of items!");

// ExplorerbarView: which pane the explorer bar shows.
enum ExplorerbarPane : int {
    kExplorerFolders = 1,
    kExplorerSearch = 2,
};

// What the explorer bar makes the list show: the selected tree node, or the search condition
// while the search pane is shown and has a condition.
struct ExplorerScope {
    int view = kExplorerFolders;
    std::string searchCondition;
    ScopeNode selectedNode; // type 0: the root, the whole catalogue
    std::shared_ptr<const NodeArray> nodes;
    // The list's filter box (ListFilter::Condition), narrowing either; "" for none.
    std::string filterCondition;
};

// The item list as BuildSelection sees it.
struct ListState {
    std::size_t listedRows = 0;
    // The window's selected counter. It equals listedRows after a listing and while the tree has
    // the focus, whatever rows the list shows as selected: the whole scope is meant then.
    std::size_t selectedRows = 0;
    // The item ids of the rows the list has selected, in list order.
    std::vector<int> selectedItemIds;
    ExplorerScope scope;
    int itemOrder = 0; // the ItemOrder setting
};

enum class SelectionStatus {
    Ok,
    NothingSelected, // a failure without a message
    TooManyItems,    // a failure with kMessageTooManyItems
};

// Turns the list's state into a selection. Every field but `columns` is set anew.
SelectionStatus BuildSelection(const ListState& list, Selection& selection);

// The explorer bar's scope as a selection (the search condition when the search pane shows one,
// else the selected tree node), narrowed by the filter condition.
Selection ScopeSelection(const ExplorerScope& scope, int itemOrder);

// Items named one by one: " tblItem.lID=1 OR tblItem.lID=2 ", at most kMaxDirectSelection.
// Every field but `columns` is set anew.
SelectionStatus ItemIdSelection(std::span<const int> itemIds, int itemOrder, Selection& selection);

// The selection of everything below the node at `index` of the array.
Selection NodeSelection(std::shared_ptr<const NodeArray> nodes, std::size_t index, int itemOrder);

// The condition RunSelection passes on: the node-path condition of a tree node, followed by
// " AND (" + the selection's own condition + ")" when it has one; else that condition alone.
std::string SelectionCondition(const Selection& selection);

// The statement RunSelection runs (empty without columns).
std::string SelectionStatement(const Selection& selection);

// Runs the selection through the shared item query. Throws CatalogueError.
ResultSet RunSelection(CCatalogueConnection& connection, const Selection& selection);

} // namespace tunebay
