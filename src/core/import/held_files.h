#pragma once

#include "store/catalogue_connection.h"

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace tunebay {

// A folder whose files are being imported: its local form and, on a network share, its network
// form ("" elsewhere).
struct ImportFolder {
    std::string local;
    std::string network;
};

// The media and item rows of a file the catalogue holds already.
struct HeldFile {
    int mediaId = -1;
    int itemId = -1;
};

// The files named in `fileNames` that a media row with an item holds in one of `folders` (a
// folder on a share under whichever machine's mount point), keyed by the folder's index in
// `folders` and the file's name: one query for all. Folders and names are matched crosswise, so
// the caller looks up only the pairs it means. Of several rows of one file the folder's own
// comes first, then the first made.
std::map<std::pair<std::size_t, std::string>, HeldFile>
FindHeldFiles(CCatalogueConnection& connection, std::span<const ImportFolder> folders,
              std::span<const std::string_view> fileNames);

} // namespace tunebay
