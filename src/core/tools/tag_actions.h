#pragma once

#include "store/catalogue_connection.h"

#include <string>

namespace tunebay {

// Removes the tags of the MP3 file at `path` (ID3v1, ID3v2, APE, Lyrics3), all of them or all
// but ID3v1. Succeeds only when the file, read again, holds none of the removed
// kinds.
bool RemoveFileTags(const std::string& path, bool keepVersion1);

// Writes the item's catalogue values into the tag of its MP3 file (ID3v2.3 when `useId3v2`, else
// ID3v1). Succeeds only when the file, read again, holds a tag of that kind. Catalogue errors
// propagate as CatalogueError.
bool WriteCheckedItemTag(CCatalogueConnection& connection, const std::string& path, int itemId,
                         bool useId3v2);

} // namespace tunebay
