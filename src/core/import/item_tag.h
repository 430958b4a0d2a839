#pragma once

#include "files/file_rewrite.h"
#include "store/catalogue_connection.h"

#include <string>

namespace tunebay {

// Writes an item's catalogue fields into its file's tag (version 2 when `useId3v2`, version 1
// otherwise) through the checked, all-or-nothing rewrite of WriteTagToFile. Succeeds without
// touching anything for an item whose file is not MPEG audio; fails with the reason when the item
// is unknown or the tag could not be written. Catalogue errors propagate as CatalogueError.
RewriteResult WriteItemTag(CCatalogueConnection& connection, int itemId, bool useId3v2);

// The same for a caller that already knows the item's file.
RewriteResult WriteItemTagToFile(CCatalogueConnection& connection, const std::string& path,
                                 int itemId, bool useId3v2);

} // namespace tunebay
