#include "jukora_view.h"

#include "browse/item_list_columns.h"
#include "empty_list_hint.h"
#include "item_list_model.h"

#include <QHeaderView>

#include <algorithm>
#include <cstdlib>

namespace tunebay {

CJukoraView::CJukoraView(ItemListModel* model, QWidget* parent)
    : QTreeView(parent), m_model(model) {
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(true);
    for (size_t column = 0; column < kItemListColumns.size(); ++column)
        setColumnWidth(static_cast<int>(column), kItemListColumns[column].width);
    // A column is never narrower than its title (with the sort mark).
    fitColumnsToTitles();
    connect(header(), &QHeaderView::sectionClicked, this, &CJukoraView::headerClicked);
}

void CJukoraView::ShowSortOrder(int itemOrder) {
    for (size_t column = 0; column < kItemListColumns.size(); ++column) {
        if (kItemListColumns[column].sortCode == std::abs(itemOrder)) {
            header()->setSortIndicator(static_cast<int>(column),
                                       itemOrder < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
            return;
        }
    }
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

int CJukoraView::SelectedCount() const {
    return static_cast<int>(SelectedRows().size());
}

std::vector<int> CJukoraView::SelectedRows() const {
    // Read from the selection's ranges: a whole list selected is one range however long, where
    // asking row by row would visit every row's columns.
    const int lastColumn = m_model->columnCount() - 1;
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        const bool wholeRows = range.left() == 0 && range.right() == lastColumn;
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (wholeRows || selectionModel()->isRowSelected(row))
                rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> CJukoraView::SelectedItemIds() const {
    std::vector<int> ids;
    for (const int row : SelectedRows())
        ids.push_back(m_model->ItemId(row));
    return ids;
}

void CJukoraView::RenameFirstSelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const QModelIndex index = m_model->index(rows.front(), 0);
    setCurrentIndex(index);
    edit(index);
}

void CJukoraView::SelectNext(int step) {
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const int current = currentIndex().isValid() ? currentIndex().row() : -step;
    const int next = ((current + step) % rows + rows) % rows;
    const QModelIndex index = m_model->index(next, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void CJukoraView::SelectFirstIfNone(bool select) {
    if (m_model->rowCount() == 0)
        return;
    if (!currentIndex().isValid())
        selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    if (select && !selectionModel()->hasSelection())
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CJukoraView::showEvent(QShowEvent* event) {
    QTreeView::showEvent(event);
    if (m_columnsFitted)
        return;
    // Shown, the style and font are final: the titles are measured again.
    m_columnsFitted = true;
    fitColumnsToTitles();
}

void CJukoraView::fitColumnsToTitles() {
    for (int column = 0; column < header()->count(); ++column)
        setColumnWidth(column, std::max(columnWidth(column), header()->sectionSizeHint(column)));
}

void CJukoraView::SetEmptyHint(const QString& hint) {
    m_emptyHint = hint;
    viewport()->update();
}

void CJukoraView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_model->rowCount() == 0)
        PaintEmptyListHint(*viewport(), m_emptyHint);
}

void CJukoraView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    emit focusGained();
}

void CJukoraView::selectionChanged(const QItemSelection& selected,
                                   const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    emit selectionCountChanged();
}

} // namespace tunebay
