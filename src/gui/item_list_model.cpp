#include "item_list_model.h"

#include "browse/item_list_columns.h"
#include "browse/length_text.h"
#include "theme_icons.h"

#include <QApplication>
#include <QMimeData>
#include <QStyle>

#include <algorithm>
#include <unordered_set>

namespace tunebay {

ItemListModel::ItemListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kItemListColumns.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ListedItem& item = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::TextAlignmentRole) {
        const bool right = kItemListColumns[static_cast<size_t>(index.column())].rightAligned;
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role == Qt::DecorationRole && index.column() == 0) {
        static const QIcon icon = ItemIcon();
        return icon;
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case 0:
        return QString::fromStdString(item.title);
    case 1:
        return QString::fromStdString(item.group);
    case 2:
        return QString::fromStdString(item.package);
    case 3:
        return QString::fromStdString(LengthText(item.length));
    case 4:
        return QString::fromStdString(item.genre);
    case 5:
        return QString::fromStdString(item.publishTime);
    case 6:
        return QString::fromStdString(item.comment);
    default:
        return {};
    }
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(kItemListColumns.size()))
        return {};
    const ItemListColumn& column = kItemListColumns[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(column.title.data(), static_cast<qsizetype>(column.title.size()));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column.rightAligned ? Qt::AlignRight : Qt::AlignLeft));
    return {};
}

Qt::ItemFlags ItemListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    if (index.isValid() && index.column() == 0)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ItemListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0)
        return false;
    // The row changes only once the catalogue has the new title (AcceptTitle).
    emit titleEdited(index.row(), value.toString());
    return false;
}

void ItemListModel::AcceptTitle(int row, const std::string& title) {
    if (row < 0 || row >= rowCount())
        return;
    m_rows[static_cast<size_t>(row)].title = title;
    emit dataChanged(index(row, 0), index(row, 0));
}

QStringList ItemListModel::mimeTypes() const {
    return {kItemIdsMimeType};
}

QMimeData* ItemListModel::mimeData(const QModelIndexList& indexes) const {
    QStringList ids;
    for (const QModelIndex& index : indexes)
        if (index.column() == 0)
            ids << QString::number(ItemId(index.row()));
    auto* data = new QMimeData;
    data->setData(kItemIdsMimeType, ids.join('\n').toUtf8());
    return data;
}

int ItemListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
    return ++m_run;
}

void ItemListModel::AppendBatch(int run, std::vector<ListedItem> batch) {
    if (run != m_run || batch.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    for (auto& item : batch)
        m_rows.push_back(std::move(item));
    endInsertRows();
}

void ItemListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= rowCount(); });
    if (rows.empty())
        return;
    // A few rows go one range at a time; many at once go in one pass over the list.
    constexpr size_t kRowsRemovedSingly = 64;
    if (rows.size() <= kRowsRemovedSingly) {
        for (auto it = rows.rbegin(); it != rows.rend();) {
            const int last = *it;
            int first = last;
            while (++it != rows.rend() && *it == first - 1)
                first = *it;
            beginRemoveRows({}, first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
        }
        return;
    }
    beginResetModel();
    std::vector<ListedItem> kept;
    kept.reserve(m_rows.size() - rows.size());
    auto next = rows.begin();
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (next != rows.end() && *next == static_cast<int>(row))
            ++next;
        else
            kept.push_back(std::move(m_rows[row]));
    }
    m_rows = std::move(kept);
    endResetModel();
}

void ItemListModel::RemoveItems(const std::vector<int>& itemIds) {
    const std::unordered_set<int> ids(itemIds.begin(), itemIds.end());
    std::vector<int> rows;
    for (size_t row = 0; row < m_rows.size(); ++row)
        if (ids.count(m_rows[row].itemId))
            rows.push_back(static_cast<int>(row));
    RemoveRows(std::move(rows));
}

} // namespace tunebay
