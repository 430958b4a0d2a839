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

void ItemListModel::SetItemReader(ItemReader reader) {
    m_reader = std::move(reader);
    m_pages.Clear();
}

const ListedItem& ItemListModel::Item(int row) const {
    const int itemId = ItemId(row);
    if (const ListedItem* item = m_pages.Find(row, itemId))
        return *item;
    // The whole page is read at once: a view asks for the rows of a screenful one by one.
    const int page = ListedItemPages::PageOf(row);
    const int first = ListedItemPages::FirstRowOf(page);
    const int end = std::min(rowCount(), first + ListedItemPages::kPageRows);
    std::vector<int> ids;
    ids.reserve(static_cast<size_t>(end - first));
    for (int at = first; at < end; ++at)
        ids.push_back(ItemId(at));
    std::vector<ListedItem> items;
    if (m_reader)
        items = m_reader(ids);
    if (items.size() != ids.size()) {
        items.assign(ids.size(), {});
        for (size_t at = 0; at < ids.size(); ++at)
            items[at].itemId = ids[at];
    }
    m_pages.Keep(page, std::move(items));
    if (const ListedItem* item = m_pages.Find(row, itemId))
        return *item;
    static const ListedItem unread;
    return unread; // a reader that gave other items than asked for
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
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
    const ListedItem& item = Item(index.row());
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
    const auto index = static_cast<size_t>(m_shown[static_cast<size_t>(row)]);
    m_folded.ReplaceTitle(index, title);
    if (ListedItem* item = m_pages.Find(row, m_ids[index]))
        item->title = title;
    emit dataChanged(this->index(row, 0), this->index(row, 0));
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
    m_ids.clear();
    m_shown.clear();
    m_folded.Clear();
    m_pages.Clear();
    endResetModel();
    return ++m_run;
}

void ItemListModel::AppendBatch(int run, ListedKeys batch) {
    if (run != m_run || batch.empty())
        return;
    std::vector<int> added;
    if (m_filter.Empty()) {
        added.resize(batch.size());
        for (size_t at = 0; at < batch.size(); ++at)
            added[at] = static_cast<int>(m_ids.size() + at);
    } else {
        for (size_t at = 0; at < batch.size(); ++at)
            if (m_filter.MatchesFolded(batch.Folded(at)))
                added.push_back(static_cast<int>(m_ids.size() + at));
    }
    m_ids.insert(m_ids.end(), batch.itemIds.begin(), batch.itemIds.end());
    m_folded.Append(std::move(batch.folded), batch.foldedEnds);
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
        shown.resize(m_ids.size());
        for (size_t index = 0; index < m_ids.size(); ++index)
            shown[index] = static_cast<int>(index);
    } else {
        // Typing on narrows what is shown: only those rows need testing again.
        const bool narrowing = filter.Narrows(m_filter);
        const size_t candidates = narrowing ? m_shown.size() : m_ids.size();
        for (size_t at = 0; at < candidates; ++at) {
            const int index = narrowing ? m_shown[at] : static_cast<int>(at);
            if (filter.MatchesFolded(m_folded.Text(static_cast<size_t>(index))))
                shown.push_back(index);
        }
    }
    beginResetModel();
    m_filter = std::move(filter);
    m_shown = std::move(shown);
    m_pages.Clear();
    endResetModel();
}

void ItemListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= rowCount(); });
    if (rows.empty())
        return;
    // The items leave the run too, not only the rows shown.
    std::vector<bool> removed(m_ids.size(), false);
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
            // The rows below moved up: the pages read before hold them at their old places.
            m_pages.Clear();
            endRemoveRows();
        }
    } else {
        beginResetModel();
        m_pages.Clear();
    }
    // The kept items close up; the rows shown follow them to their new places.
    std::vector<int> newIndex(m_ids.size(), -1);
    size_t kept = 0;
    for (size_t index = 0; index < m_ids.size(); ++index) {
        if (!removed[index]) {
            newIndex[index] = static_cast<int>(kept);
            m_ids[kept++] = m_ids[index];
        }
    }
    m_ids.resize(kept);
    m_folded.Remove(removed);
    std::erase_if(m_shown, [&](int& index) {
        index = newIndex[static_cast<size_t>(index)];
        return index < 0;
    });
    if (!singly)
        endResetModel();
}

void ItemListModel::RemoveItems(const std::vector<int>& itemIds) {
    const std::unordered_set<int> ids(itemIds.begin(), itemIds.end());
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row)
        if (ids.count(ItemId(row)))
            rows.push_back(row);
    RemoveRows(std::move(rows));
}

} // namespace tunebay
