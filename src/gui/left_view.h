#pragma once

#include "browse/folder_tree.h"

#include <QIcon>
#include <QTreeWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace tunebay {

// The folder tree of the explorer bar: the catalogue's genres, groups and packages under the
// root "Tunebay". Selecting a node sets the item list's scope; group and package nodes are
// renamed in place; list rows and tree nodes are dropped onto a node to move items there. The
// window does the catalogue work; this class shows the tree and reports what the user did.
// A node's children become items when it is first opened (or one of them is to be shown), so
// a tree of hundreds of thousands of nodes is shown at once.
class CLeftView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CLeftView(QWidget* parent = nullptr);

    // Shows the tree and selects its remembered node, without reporting that selection.
    void SetTree(FolderTree tree);
    // The node index of the selected tree item (0 for the root or none).
    std::size_t SelectedIndex() const;
    const NodeArray& Nodes() const { return m_tree.nodes; }
    // Starts the in-place edit of the selected node when it is a group or a package.
    void RenameSelected();
    // Puts the item's text back after a rename that was refused.
    void ShowNodeName(std::size_t index, const QString& name);
    void RemoveNode(std::size_t index);
    // The name the node had when the tree was built.
    QString NodeName(std::size_t index) const;
    // The item of the node, its parents' children shown first when they were not yet; null for
    // a node removed or not in the tree.
    QTreeWidgetItem* ItemOfNode(std::size_t index);

signals:
    void nodeSelected(std::size_t index);
    void nodeRenamed(std::size_t index, const QString& text);
    // Rows of the item list dropped onto a node.
    void rowsDropped(std::size_t target);
    // A tree node dropped onto another node.
    void nodeDropped(std::size_t dragged, std::size_t target);
    void focusGained();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    std::optional<std::size_t> nodeAt(const QPoint& position) const;
    // Shows the item under the mouse as the drop target (none for nullptr).
    void showDropTarget(QTreeWidgetItem* item);
    QTreeWidgetItem* newItem(std::size_t index);
    // Makes the items of the node's children, once.
    void showChildren(std::size_t index);
    // Forgets the items of `item` and every shown item below it, which are about to go.
    void forgetItems(QTreeWidgetItem* item);

    FolderTree m_tree;
    std::vector<QTreeWidgetItem*> m_items; // by node index; null while not shown
    std::vector<char> m_childrenShown;     // by node index
    std::array<QIcon, 4> m_icons;          // by node type: root, genre, group, package
    bool m_filling = false;
    std::optional<std::size_t> m_draggedNode; // while a node of this tree is dragged
    QTreeWidgetItem* m_dropTarget = nullptr;
};

} // namespace tunebay
