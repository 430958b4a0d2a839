#pragma once

#include "files/file_rewrite.h"
#include "store/catalogue_connection.h"

#include <string>

namespace tunebay {

// Writes an item's catalogue fields into its file's tag through the checked, all-or-nothing
// rewrite of the writer of the file's format, decided by its content: the native tag of a
// container format (WriteAudioTagToFile), else ID3 (version 2 when `useId3v2`, version 1
// otherwise) through WriteTagToFile, which refuses what is not MPEG audio. Succeeds without
// touching anything for an item that is not audio; fails with the reason when the item is unknown
// or the tag could not be written. Catalogue errors propagate as CatalogueError.
RewriteResult WriteItemTag(CCatalogueConnection& connection, int itemId, bool useId3v2);

// The same for a caller that already knows the item's file.
RewriteResult WriteItemTagToFile(CCatalogueConnection& connection, const std::string& path,
                                 int itemId, bool useId3v2);

// Removes the tags of the file at `path` with the writer of its format: all of them, or all but
// ID3v1 when `keepVersion1` (formats without version 1 lose all).
RewriteResult RemoveItemTags(CCatalogueConnection& connection, const std::string& path,
                             bool keepVersion1);

} // namespace tunebay
