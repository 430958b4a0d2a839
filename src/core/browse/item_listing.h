#pragma once

#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The select list of the listing run; ReadListedItem reads it by these positions.
inline constexpr std::string_view kListingColumns =
    "SELECT tblItem.lID, tblMedia.sName, tblMedia.lLength, tblGroup.sName, tblGenre.sName, "
    "tblMedia.sPublishTime, tblMedia.sComment, tblPackage.sName";

inline constexpr const char* kProgressListing = TB_TRANSLATE_NOOP("Tunebay", "Listing...");
inline constexpr const char* kMessageListingFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Error while listing/searching items!");

// The first rows are handed to the list, and progress reported, after this many; each later batch
// is larger, up to kListingBatchLargest, so that a long list arrives in few steps.
inline constexpr std::size_t kListingBatch = 50;
inline constexpr std::size_t kListingBatchLargest = 65536;

// One row of the item list.
struct ListedItem {
    int itemId = 0;
    std::string title;
    int length = 0; // seconds
    std::string group;
    std::string genre;
    std::string publishTime;
    std::string comment;
    std::string package;
    std::string fileName; // filled by ReadListedItems only
};

// What the listing run reads of each listed item: its id, in the list's order, and the fields
// the filter box looks at, folded (ListFilter::AppendFoldedFields). Item i's folded fields run
// from foldedEnds[i - 1] (0 for the first) to foldedEnds[i]. The shown columns are read as the
// rows are shown (ReadListedItems), so a long list costs a few bytes per item besides.
struct ListedKeys {
    std::vector<int> itemIds;
    std::string folded;
    std::vector<std::uint32_t> foldedEnds;

    std::size_t size() const { return itemIds.size(); }
    bool empty() const { return itemIds.empty(); }
    std::string_view Folded(std::size_t index) const {
        const std::uint32_t start = index == 0 ? 0 : foldedEnds[index - 1];
        return std::string_view(folded).substr(start, foldedEnds[index] - start);
    }
};

// Reads the eight columns of kListingColumns from the current row.
ListedItem ReadListedItem(const ResultSet& rows);

// The listing run: reads the selection's item ids and filtered fields (its own columns are
// replaced) and hands them to `sink` in batches, kListingBatch first and larger ones after,
// until the end or until `stop` is set. Returns the number of items handed over. Throws
// CatalogueError; items handed over before the error stay with the caller.
std::size_t RunListing(CCatalogueConnection& connection, Selection selection,
                       const std::atomic<bool>& stop,
                       const std::function<void(ListedKeys&&)>& sink);

// The list's columns and file name of these items, in the order given. An item the catalogue no
// longer holds comes back with its id alone. Throws CatalogueError.
std::vector<ListedItem> ReadListedItems(CCatalogueConnection& connection,
                                        std::span<const int> itemIds);

} // namespace tunebay
