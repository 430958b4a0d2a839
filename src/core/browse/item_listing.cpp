#include "browse/item_listing.h"

#include <utility>

namespace tunebay {

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
                       const std::function<void(std::vector<ListedItem>&&)>& sink) {
    // The file name after the list's columns, for the list's filter box.
    selection.columns = std::string(kListingColumns) + ", tblMedia.sFileName";
    std::size_t listed = 0;
    std::vector<ListedItem> batch;
    auto handOver = [&] {
        listed += batch.size();
        if (!batch.empty())
            sink(std::exchange(batch, {}));
        batch.reserve(kListingBatch);
    };
    try {
        handOver();
        for (ResultSet rows = RunSelection(connection, selection); !rows.IsEof() && !stop;
             rows.MoveNext()) {
            batch.push_back(ReadListedItem(rows));
            batch.back().fileName = rows.GetText(8);
            if (batch.size() == kListingBatch)
                handOver();
        }
    } catch (...) {
        handOver(); // the rows read before the failure stay listed
        throw;
    }
    handOver();
    return listed;
}

} // namespace tunebay
