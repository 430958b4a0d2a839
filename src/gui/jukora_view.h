#pragma once

#include <QTreeView>

#include <vector>

namespace tunebay {

class ItemListModel;

// The item list in the details style: the listed items in seven columns, sorted by a click on a
// column header (the window decides the order and lists again), titles renamed in place, rows
// dragged onto the folder tree.
class CJukoraView : public QTreeView {
    Q_OBJECT
public:
    CJukoraView(ItemListModel* model, QWidget* parent = nullptr);

    ItemListModel* Model() const { return m_model; }
    // Marks the column that ItemOrder sorts by.
    void ShowSortOrder(int itemOrder);

    int SelectedCount() const;
    // The item ids of the selected rows, in list order.
    std::vector<int> SelectedItemIds() const;
    // The selected rows, in list order.
    std::vector<int> SelectedRows() const;
    // Starts the in-place edit of the first selected row's title.
    void RenameFirstSelected();
    // Moves the selection to the next (previous) row, wrapping around at the ends.
    void SelectNext(int step);
    // Makes the first row the current one when rows exist and none is current; `select` also
    // selects it when no row is selected.
    void SelectFirstIfNone(bool select);
    // The text shown in the empty list (how to fill it), or "".
    void SetEmptyHint(const QString& hint);
    const QString& EmptyHint() const { return m_emptyHint; }

signals:
    void headerClicked(int column);
    void selectionCountChanged();
    void focusGained();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    void fitColumnsToTitles();

    ItemListModel* m_model;
    QString m_emptyHint;
    bool m_columnsFitted = false;
};

} // namespace tunebay
