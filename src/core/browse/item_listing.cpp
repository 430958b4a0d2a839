#include "browse/item_listing.h"

#include "browse/list_filter.h"
#include "store/item_query.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

namespace tunebay {

namespace {

// The listing run's select list: the id, then the filtered fields in ListFilter's order. The
// group and title names also keep the order the shown columns give (BuildItemQuery looks for
// them).
constexpr std::string_view kListingKeyColumns =
    "SELECT tblItem.lID, tblMedia.sName, tblGroup.sName, tblPackage.sName, tblMedia.sFileName, "
    "tblMedia.sComment";

} // namespace

ListedItem ReadListedItem(const ResultSet& rows) {
    ListedItem item;
    item.itemId = rows.GetInt(0);
    item.title = rows.GetText(1);
    item.length = rows.GetInt(2);
    item.group = rows.GetText(3);
    item.genre = rows.GetText(4);
    item.publishTime = rows.GetText(5);
    item.comment = rows.GetText(6);
    item.package = rows.GetText(7);
    return item;
}

std::size_t RunListing(CCatalogueConnection& connection, Selection selection,
                       const std::atomic<bool>& stop,
                       const std::function<void(ListedKeys&&)>& sink) {
    selection.columns = kListingKeyColumns;
    std::size_t listed = 0;
    std::size_t batchSize = kListingBatch;
    ListedKeys batch;
    auto handOver = [&] {
        listed += batch.size();
        if (!batch.empty()) {
            batch.folded.shrink_to_fit();
            sink(std::exchange(batch, {}));
            batchSize = std::min(batchSize * 4, kListingBatchLargest);
        }
        batch.itemIds.reserve(batchSize);
        batch.foldedEnds.reserve(batchSize);
    };
    try {
        handOver();
        for (ResultSet rows = RunSelection(connection, selection); !rows.IsEof() && !stop;
             rows.MoveNext()) {
            batch.itemIds.push_back(rows.GetInt(0));
            ListFilter::AppendFoldedFields({rows.GetText(1), rows.GetText(2), rows.GetText(3),
                                            rows.GetText(4), rows.GetText(5)},
                                           batch.folded);
            batch.foldedEnds.push_back(static_cast<std::uint32_t>(batch.folded.size()));
            if (batch.size() == batchSize)
                handOver();
        }
    } catch (...) {
        handOver(); // the rows read before the failure stay listed
        throw;
    }
    handOver();
    return listed;
}

std::vector<ListedItem> ReadListedItems(CCatalogueConnection& connection,
                                        std::span<const int> itemIds) {
    std::vector<ListedItem> items(itemIds.size());
    if (itemIds.empty())
        return items;
    std::string condition = "tblItem.lID IN (";
    for (std::size_t at = 0; at < itemIds.size(); ++at) {
        if (at > 0)
            condition += ',';
        condition += std::to_string(itemIds[at]);
    }
    condition += ')';
    const std::string columns = std::string(kListingColumns) + ", tblMedia.sFileName";
    std::unordered_map<int, ListedItem> read;
    read.reserve(itemIds.size());
    for (ResultSet rows = QueryItems(connection, columns, condition, kSortNone); !rows.IsEof();
         rows.MoveNext()) {
        ListedItem item = ReadListedItem(rows);
        item.fileName = rows.GetText(8);
        read.emplace(item.itemId, std::move(item));
    }
    for (std::size_t at = 0; at < itemIds.size(); ++at) {
        const auto found = read.find(itemIds[at]);
        if (found != read.end())
            items[at] = found->second;
        else
            items[at].itemId = itemIds[at];
    }
    return items;
}

} // namespace tunebay
