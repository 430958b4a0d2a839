#pragma once

#include "browse/item_listing.h"

#include <QAbstractTableModel>

#include <vector>

namespace tunebay {

// The rows of the item list: one listed item per row, in the seven columns of the list. Rows
// arrive in batches from the listing run; each run has a number, and batches of an earlier run
// that arrive late are dropped.
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

    int ItemId(int row) const { return m_rows.at(static_cast<size_t>(row)).itemId; }
    const ListedItem& Item(int row) const { return m_rows.at(static_cast<size_t>(row)); }
    // Shows the title the catalogue now holds for the row.
    void AcceptTitle(int row, const std::string& title);

signals:
    // The user finished editing a title in place: the window stores it and, when that worked,
    // calls AcceptTitle.
    void titleEdited(int row, const QString& text);

private:
    std::vector<ListedItem> m_rows;
    int m_run = 0;
};

// The mime type of dragged list rows: the item ids, one per line.
inline constexpr const char* kItemIdsMimeType = "application/x-tunebay-item-ids";

} // namespace tunebay
