#include "item_list_model.h"
#include "shown_text.h"

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
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kItemListColumns.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ListedItem& item = shown(index.row());
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
        return ShownText(std::string(column.title));
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
    m_rows[static_cast<size_t>(m_shown[static_cast<size_t>(row)])].title = title;
    refold();
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
    m_shown.clear();
    m_folded.clear();
    m_foldedStart.assign(1, 0);
    endResetModel();
    return ++m_run;
}

void ItemListModel::AppendBatch(int run, std::vector<ListedItem> batch) {
    if (run != m_run || batch.empty())
        return;
    std::vector<int> added;
    added.reserve(batch.size());
    for (auto& item : batch) {
        ListFilter::AppendFoldedFields(item, m_folded);
        m_foldedStart.push_back(m_folded.size());
        if (m_filter.MatchesFolded(folded(m_rows.size())))
            added.push_back(static_cast<int>(m_rows.size()));
        m_rows.push_back(std::move(item));
    }
    if (added.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    m_shown.insert(m_shown.end(), added.begin(), added.end());
    endInsertRows();
}

void ItemListModel::SetFilter(ListFilter filter) {
    if (filter.Text() == m_filter.Text())
        return;
    std::vector<int> shown;
    if (filter.Empty()) {
        shown.resize(m_rows.size());
        for (size_t index = 0; index < m_rows.size(); ++index)
            shown[index] = static_cast<int>(index);
    } else {
        // Typing on narrows what is shown: only those rows need testing again.
        const bool narrowing = filter.Narrows(m_filter);
        const size_t candidates = narrowing ? m_shown.size() : m_rows.size();
        for (size_t at = 0; at < candidates; ++at) {
            const int index = narrowing ? m_shown[at] : static_cast<int>(at);
            if (filter.MatchesFolded(folded(static_cast<size_t>(index))))
                shown.push_back(index);
        }
    }
    beginResetModel();
    m_filter = std::move(filter);
    m_shown = std::move(shown);
    endResetModel();
}

void ItemListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= rowCount(); });
    if (rows.empty())
        return;
    // The items leave the run too, not only the rows shown.
    std::vector<bool> removed(m_rows.size(), false);
    for (const int row : rows)
        removed[static_cast<size_t>(m_shown[static_cast<size_t>(row)])] = true;
    // A few rows go one range at a time; many at once go in one pass over the list.
    constexpr size_t kRowsRemovedSingly = 64;
    const bool singly = rows.size() <= kRowsRemovedSingly;
    if (singly) {
        for (auto it = rows.rbegin(); it != rows.rend();) {
            const int last = *it;
            int first = last;
            while (++it != rows.rend() && *it == first - 1)
                first = *it;
            beginRemoveRows({}, first, last);
            m_shown.erase(m_shown.begin() + first, m_shown.begin() + last + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
    }
    // The kept items close up; the rows shown follow them to their new places.
    std::vector<int> newIndex(m_rows.size(), -1);
    std::vector<ListedItem> kept;
    kept.reserve(m_rows.size() - rows.size());
    for (size_t index = 0; index < m_rows.size(); ++index) {
        if (!removed[index]) {
            newIndex[index] = static_cast<int>(kept.size());
            kept.push_back(std::move(m_rows[index]));
        }
    }
    m_rows = std::move(kept);
    refold();
    std::vector<int> shown;
    shown.reserve(m_shown.size());
    for (const int index : m_shown)
        if (newIndex[static_cast<size_t>(index)] >= 0)
            shown.push_back(newIndex[static_cast<size_t>(index)]);
    m_shown = std::move(shown);
    if (!singly)
        endResetModel();
}

void ItemListModel::refold() {
    m_folded.clear();
    m_foldedStart.assign(1, 0);
    m_foldedStart.reserve(m_rows.size() + 1);
    for (const ListedItem& item : m_rows) {
        ListFilter::AppendFoldedFields(item, m_folded);
        m_foldedStart.push_back(m_folded.size());
    }
}

void ItemListModel::RemoveItems(const std::vector<int>& itemIds) {
    const std::unordered_set<int> ids(itemIds.begin(), itemIds.end());
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row)
        if (ids.count(shown(row).itemId))
            rows.push_back(row);
    RemoveRows(std::move(rows));
}

} // namespace tunebay
