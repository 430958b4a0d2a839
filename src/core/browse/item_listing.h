#pragma once

#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <atomic>
#include <cstddef>
#include <functional>
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

// Rows are handed to the list, and progress reported, in steps of this many.
inline constexpr std::size_t kListingBatch = 50;

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
    std::string fileName; // filled by the listing run only
};

// Reads the eight columns of kListingColumns from the current row.
ListedItem ReadListedItem(const ResultSet& rows);

// The listing run: reads the selection with kListingColumns and the file name (its own columns
// are replaced) and
// hands the rows to `sink` in batches of kListingBatch, the last batch possibly smaller, until
// the end or until `stop` is set. Returns the number of rows handed over. Throws CatalogueError;
// rows handed over before the error stay with the caller.
std::size_t RunListing(CCatalogueConnection& connection, Selection selection,
                       const std::atomic<bool>& stop,
                       const std::function<void(std::vector<ListedItem>&&)>& sink);

} // namespace tunebay
