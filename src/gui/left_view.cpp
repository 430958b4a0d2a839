#include "left_view.h"

#include "browse/tree_node_rename.h"
#include "item_list_model.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

namespace tunebay {

namespace {

constexpr int kNodeIndexRole = Qt::UserRole + 1;

// Limits the in-place edit of a node name.
class NodeNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(static_cast<int>(kNodeNameLimit));
        return editor;
    }
};

QIcon nodeIcon(const QStyle* style, int nodeType) {
    switch (TreeImage(nodeType)) {
    case 2: // genre
        return style->standardIcon(QStyle::SP_DirIcon);
    case 3: // package
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    case 4: // group
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    default:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    }
}

} // namespace

CLeftView::CLeftView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new NodeNameDelegate(this));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!m_filling && current)
            emit nodeSelected(
                static_cast<std::size_t>(current->data(0, kNodeIndexRole).toULongLong()));
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        showChildren(static_cast<std::size_t>(item->data(0, kNodeIndexRole).toULongLong()));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!m_filling)
            emit nodeRenamed(static_cast<std::size_t>(item->data(0, kNodeIndexRole).toULongLong()),
                             item->text(0));
    });
}

void CLeftView::SetTree(FolderTree tree) {
    m_dropTarget = nullptr;
    m_filling = true;
    setUpdatesEnabled(false);
    clear();
    m_tree = std::move(tree);
    m_items.assign(m_tree.nodes.size(), nullptr);
    m_childrenShown.assign(m_tree.nodes.size(), 0);
    for (int type = kNodeEnd; type <= kNodePackage; ++type)
        m_icons[static_cast<std::size_t>(type)] = nodeIcon(style(), type);
    if (!m_tree.empty()) {
        QTreeWidgetItem* root = newItem(0);
        addTopLevelItem(root);
        root->setExpanded(true);
        QTreeWidgetItem* selected = ItemOfNode(m_tree.selected);
        if (!selected)
            selected = root;
        setCurrentItem(selected);
        selected->setExpanded(true);
        scrollToItem(selected);
    }
    setUpdatesEnabled(true);
    m_filling = false;
}

QTreeWidgetItem* CLeftView::newItem(std::size_t index) {
    const ScopeNode& node = m_tree.nodes[index];
    auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(m_tree.names[index])));
    item->setData(0, kNodeIndexRole, static_cast<qulonglong>(index));
    item->setIcon(0, m_icons[static_cast<std::size_t>(std::clamp(node.type, 0, 3))]);
    if (CanRenameNode(node))
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    // Its children are made when it is opened; until then it shows that it can be.
    if (!m_tree.children[index].empty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_items[index] = item;
    return item;
}

void CLeftView::showChildren(std::size_t index) {
    if (index >= m_items.size() || m_childrenShown[index] || !m_items[index])
        return;
    m_childrenShown[index] = 1;
    const std::vector<std::uint32_t>& children = m_tree.children[index];
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(children.size()));
    for (const std::uint32_t child : children)
        items.append(newItem(child));
    const bool filling = std::exchange(m_filling, true);
    QTreeWidgetItem* parent = m_items[index];
    parent->addChildren(items);
    parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    m_filling = filling;
}

QTreeWidgetItem* CLeftView::ItemOfNode(std::size_t index) {
    if (index >= m_items.size())
        return nullptr;
    // The parents without items, innermost first, up to the first one that has its item.
    std::vector<std::size_t> path;
    for (std::size_t at = index; !m_items[at] && at != 0;
         at = static_cast<std::size_t>(m_tree.nodes[at].parent))
        path.push_back(static_cast<std::size_t>(m_tree.nodes[at].parent));
    for (auto parent = path.rbegin(); parent != path.rend(); ++parent)
        showChildren(*parent);
    return m_items[index];
}

std::size_t CLeftView::SelectedIndex() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? static_cast<std::size_t>(item->data(0, kNodeIndexRole).toULongLong()) : 0;
}

void CLeftView::RenameSelected() {
    QTreeWidgetItem* item = currentItem();
    if (item && (item->flags() & Qt::ItemIsEditable))
        editItem(item);
}

void CLeftView::ShowNodeName(std::size_t index, const QString& name) {
    if (QTreeWidgetItem* item = ItemOfNode(index)) {
        m_filling = true;
        item->setText(0, name);
        m_filling = false;
    }
}

QString CLeftView::NodeName(std::size_t index) const {
    return index < m_tree.names.size() ? QString::fromStdString(m_tree.names[index]) : QString();
}

void CLeftView::RemoveNode(std::size_t index) {
    QTreeWidgetItem* item = ItemOfNode(index);
    if (!item)
        return;
    forgetItems(item);
    // When it was the selected node, the node that takes its place is reported as selected.
    delete item;
}

void CLeftView::forgetItems(QTreeWidgetItem* item) {
    if (item == m_dropTarget)
        m_dropTarget = nullptr;
    const auto index = static_cast<std::size_t>(item->data(0, kNodeIndexRole).toULongLong());
    if (index < m_items.size())
        m_items[index] = nullptr;
    for (int i = 0; i < item->childCount(); ++i)
        forgetItems(item->child(i));
}

void CLeftView::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    emit focusGained();
}

std::optional<std::size_t> CLeftView::nodeAt(const QPoint& position) const {
    const QTreeWidgetItem* item = itemAt(position);
    if (!item)
        return std::nullopt;
    return static_cast<std::size_t>(item->data(0, kNodeIndexRole).toULongLong());
}

void CLeftView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this || event->mimeData()->hasFormat(kItemIdsMimeType)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CLeftView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && (event->source() == this || event->mimeData()->hasFormat(kItemIdsMimeType))) {
        showDropTarget(item);
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        showDropTarget(nullptr);
        event->ignore();
    }
}

void CLeftView::dragLeaveEvent(QDragLeaveEvent* event) {
    showDropTarget(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void CLeftView::showDropTarget(QTreeWidgetItem* item) {
    if (item == m_dropTarget)
        return;
    m_filling = true; // a highlight is no rename
    if (m_dropTarget) {
        m_dropTarget->setData(0, Qt::BackgroundRole, QVariant());
        m_dropTarget->setData(0, Qt::ForegroundRole, QVariant());
    }
    m_dropTarget = item;
    if (m_dropTarget) {
        m_dropTarget->setBackground(0, palette().highlight());
        m_dropTarget->setForeground(0, palette().highlightedText());
    }
    m_filling = false;
}

void CLeftView::startDrag(Qt::DropActions supportedActions) {
    m_draggedNode = SelectedIndex();
    QTreeWidget::startDrag(supportedActions);
    m_draggedNode.reset();
}

void CLeftView::dropEvent(QDropEvent* event) {
    showDropTarget(nullptr);
    const auto target = nodeAt(event->position().toPoint());
    event->setDropAction(Qt::IgnoreAction); // the tree is rebuilt; Qt must not move items itself
    event->accept();
    if (!target)
        return;
    if (event->source() == this) {
        const auto dragged = m_draggedNode;
        if (dragged)
            emit nodeDropped(*dragged, *target);
    } else if (event->mimeData()->hasFormat(kItemIdsMimeType)) {
        emit rowsDropped(*target);
    }
}

} // namespace tunebay
