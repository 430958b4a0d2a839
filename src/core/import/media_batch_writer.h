#pragma once

#include "import/media_file_info.h"
#include "store/catalogue_connection.h"
#include "store/network_mounts.h"

#include <span>
#include <vector>

namespace tunebay {

// Catalogues a batch of new files as MediaImporter::CatalogueMediaFile does one after the other,
// without update: the same rows, their ids in the same order. The whole batch costs a few
// statements (on a server each is a round trip): one that takes the writer locks of all its
// files, one that finds those already catalogued, one lookup each for its groups, albums and
// folders (and, for those missing, the locks of their names, a second lookup and an insert),
// and multi-row inserts of the media, item and optional rows.
//
// Returns each file's new item id, or 0 for a file already catalogued (by another writer, or
// earlier in the batch). All or nothing: after a CatalogueError nothing of the batch stays, and
// the caller writes its files one by one to find the one that fails.
// Files on a network share by `mounts` (this machine's mount table) are found catalogued, and
// their folders' rows taken, under whichever machine's mount point, as CatalogueMediaFile does.
std::vector<int> CatalogueNewMediaFiles(CCatalogueConnection& connection,
                                        std::span<const MediaFileInfo* const> files,
                                        const std::vector<MountEntry>& mounts);

} // namespace tunebay
