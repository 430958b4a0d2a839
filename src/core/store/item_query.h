#pragma once

#include "store/catalogue_connection.h"

#include <string>
#include <string_view>

namespace tunebay {

// The fixed join that links an item to its media, group, package, genre and directory rows.
inline constexpr std::string_view kItemJoin =
    "tblGroup.lID=tblItem.lGroupID AND tblItem.lPackageID=tblPackage.lID AND "
    "tblItem.lMediaID=tblMedia.lID AND tblMedia.lGenreID=tblGenre.lID AND "
    "tblMedia.lDirectoryID=tblDirectory.lID";

// Sort codes of the item list: the column codes, negative for descending order.
enum SortCode : int {
    kSortNone = 0,
    kSortLength = 5,
    kSortTitle = 6,
    kSortGroup = 7,
    kSortGenre = 8,
    kSortPublishTime = 9,
    kSortComment = 10,
    kSortPackage = 12,
};

// The statement text of the shared item query; empty when no column list is given.
std::string BuildItemQuery(std::string_view columns, std::string_view condition, int sortCode);

// Runs the shared item query. Without a column list nothing is run and the result is empty.
ResultSet QueryItems(CCatalogueConnection& connection, std::string_view columns,
                     std::string_view condition, int sortCode);

} // namespace tunebay
