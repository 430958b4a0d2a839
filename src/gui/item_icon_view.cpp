#include "item_icon_view.h"

#include "empty_list_hint.h"
#include "item_list_model.h"

#include <algorithm>

namespace tunebay {

ItemIconView::ItemIconView(ItemListModel* model, QItemSelectionModel* selection, QWidget* parent)
    : QListView(parent) {
    setModel(model);
    setSelectionModel(selection);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ItemIconView::SetItemStyle(int style) {
    if (style == 0) {
        setViewMode(QListView::IconMode);
        setFlow(QListView::LeftToRight); // rows of icons, as the desktop's file views show them
        setIconSize(QSize(48, 48));
        setGridSize(QSize(128, 96));
        setUniformItemSizes(false); // an item's size follows its wrapped title
        setWordWrap(true);
    } else {
        setViewMode(QListView::ListMode);
        setIconSize(QSize(16, 16));
        // Rows of one size keep a long list fast; the cells are wide enough for most titles.
        setGridSize(
            QSize(fontMetrics().averageCharWidth() * 32, std::max(fontMetrics().height(), 16) + 4));
        setUniformItemSizes(true);
        setWordWrap(false);
        // Small icons run across the lines, the list down the columns.
        setFlow(style == 2 ? QListView::LeftToRight : QListView::TopToBottom);
    }
    setWrapping(true);
    setMovement(QListView::Static);
}

void ItemIconView::SetEmptyHint(const QString& hint) {
    m_emptyHint = hint;
    viewport()->update();
}

void ItemIconView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (model()->rowCount() == 0)
        PaintEmptyListHint(*viewport(), m_emptyHint);
}

void ItemIconView::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    emit focusGained();
}

} // namespace tunebay
