#pragma once

#include "store/catalogue_connection.h"

namespace tunebay {

// Writes an item's catalogue fields into its file's tag (version 2.3 when `useId3v2`, version 1
// otherwise). Returns 0 on success, also for an item whose file is not MPEG audio (its file is
// not touched); kStatusFailed when the item is unknown or the tag could not be written.
// Catalogue errors propagate as CatalogueError.
int WriteItemTag(CCatalogueConnection& connection, int itemId, bool useId3v2);

// The same for a caller that already knows the item's file.
int WriteItemTagToFile(CCatalogueConnection& connection, const std::string& path, int itemId,
                       bool useId3v2);

} // namespace tunebay
