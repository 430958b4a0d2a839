#pragma once

#include "browse/item_listing.h"
#include "browse/list_filter.h"

#include <QAbstractTableModel>

#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The rows of the item list: one listed item per row, in the seven columns of the list. Rows
// arrive in batches from the listing run; each run has a number, and batches of an earlier run
// that arrive late are dropped. The filter box narrows the rows shown to the items it matches;
// the others are kept, so that changing the filter needs no new listing run.
class ItemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ItemListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    // Empties the list and starts a new run number, which it returns.
    int Clear();
    int CurrentRun() const { return m_run; }
    void AppendBatch(int run, std::vector<ListedItem> batch);
    // Removes the rows (any order); many rows at once in one pass.
    void RemoveRows(std::vector<int> rows);
    // Removes the rows of these items.
    void RemoveItems(const std::vector<int>& itemIds);

    int ItemId(int row) const { return Item(row).itemId; }
    const ListedItem& Item(int row) const {
        return m_rows[static_cast<size_t>(m_shown.at(static_cast<size_t>(row)))];
    }

    // Shows only the items the filter matches (all when it is empty); the model is reset.
    void SetFilter(ListFilter filter);
    const ListFilter& Filter() const { return m_filter; }
    // Every item of the run, shown or not.
    int ListedItemCount() const { return static_cast<int>(m_rows.size()); }
    // Shows the title the catalogue now holds for the row.
    void AcceptTitle(int row, const std::string& title);

signals:
    // The user finished editing a title in place: the window stores it and, when that worked,
    // calls AcceptTitle.
    void titleEdited(int row, const QString& text);

private:
    const ListedItem& shown(int row) const {
        return m_rows[static_cast<size_t>(m_shown[static_cast<size_t>(row)])];
    }

    // The filter's view of the item at `index` of m_rows.
    std::string_view folded(size_t index) const {
        return std::string_view(m_folded).substr(m_foldedStart[index],
                                                 m_foldedStart[index + 1] - m_foldedStart[index]);
    }
    // Makes the folded fields of every item afresh.
    void refold();

    std::vector<ListedItem> m_rows; // every item of the run
    std::vector<int> m_shown;       // per row shown, its index in m_rows
    // The filtered fields of all items side by side (ListFilter::AppendFoldedFields), so that a
    // keystroke in the filter box scans one block of memory; item i's start at m_foldedStart[i].
    std::string m_folded;
    std::vector<size_t> m_foldedStart{0};
    ListFilter m_filter;
    int m_run = 0;
};

// The mime type of dragged list rows: the item ids, one per line.
inline constexpr const char* kItemIdsMimeType = "application/x-tunebay-item-ids";

} // namespace tunebay
