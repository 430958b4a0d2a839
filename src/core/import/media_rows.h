#pragma once

#include "import/media_file_info.h"
#include "store/optional_values.h"

#include <string>
#include <vector>

namespace tunebay {

// What the facts of one file become in the catalogue's rows, the same whether the file is
// written alone or with a batch of others.

// The names a file is catalogued under: its directory (ending in "/") and file name, and
// "Unknown" for a missing title, group or package.
struct CataloguedNames {
    std::string directory;
    std::string fileName;
    std::string title;
    std::string group;
    std::string package;
};
CataloguedNames CataloguedNamesOf(const MediaFileInfo& info);

// One optional value of a media row. A value that is not `known` is not written; a re-read file
// loses it when `dropWhenUnknown` (a fact of the stream that the content no longer has).
struct MediaOptionalFact {
    bool known = false;
    bool dropWhenUnknown = false;
    OptionalValue value;
};

// The optional values of a file's media row, in the order they are written.
std::vector<MediaOptionalFact> MediaOptionalFacts(int mediaId, const MediaFileInfo& info);

} // namespace tunebay
