#pragma once

#include "browse/folded_list_text.h"
#include "browse/item_listing.h"
#include "browse/list_filter.h"
#include "browse/listed_item_pages.h"

#include <QAbstractTableModel>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tunebay {

// The rows of the item list: one listed item per row, in the seven columns of the list. The
// listing run hands over, in batches, only what every row needs: the item's id in the list's
// order and the fields the filter box looks at. The shown columns are read from the catalogue a
// page of rows at a time as the rows are shown, so the first rows show at once and a long list
// holds a few bytes per item besides its filter text. Each run has a number, and batches of an
// earlier run that arrive late are dropped. The filter box narrows the rows shown to the items it
// matches; the others are kept, so that changing the filter needs no new listing run.
class ItemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Reads the shown columns of items, in the order given (ReadListedItems); it is asked on the
    // model's thread.
    using ItemReader = std::function<std::vector<ListedItem>(std::span<const int> itemIds)>;

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

    // Where the shown columns come from; without a reader rows show their ids' items empty.
    void SetItemReader(ItemReader reader);

    // Empties the list and starts a new run number, which it returns.
    int Clear();
    int CurrentRun() const { return m_run; }
    void AppendBatch(int run, ListedKeys batch);
    // Removes the rows (any order); many rows at once in one pass.
    void RemoveRows(std::vector<int> rows);
    // Removes the rows of these items.
    void RemoveItems(const std::vector<int>& itemIds);

    int ItemId(int row) const {
        return m_ids[static_cast<size_t>(m_shown.at(static_cast<size_t>(row)))];
    }
    // The shown columns of the row, read with its page when not held.
    const ListedItem& Item(int row) const;

    // Shows only the items the filter matches (all when it is empty); the model is reset.
    void SetFilter(ListFilter filter);
    const ListFilter& Filter() const { return m_filter; }
    // Every item of the run, shown or not.
    int ListedItemCount() const { return static_cast<int>(m_ids.size()); }
    // Shows the title the catalogue now holds for the row.
    void AcceptTitle(int row, const std::string& title);

signals:
    // The user finished editing a title in place: the window stores it and, when that worked,
    // calls AcceptTitle.
    void titleEdited(int row, const QString& text);

private:
    std::vector<int> m_ids;   // every item of the run, in the list's order
    std::vector<int> m_shown; // per row shown, its index in m_ids
    FoldedListText m_folded;  // per item of m_ids, the filter's view of it
    ListFilter m_filter;
    ItemReader m_reader;
    mutable ListedItemPages m_pages; // filled as rows are shown
    int m_run = 0;
};

// The mime type of dragged list rows: the item ids, one per line.
inline constexpr const char* kItemIdsMimeType = "application/x-tunebay-item-ids";

} // namespace tunebay
