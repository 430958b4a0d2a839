#pragma once

#include "store/catalogue_copy.h"

#include <string>

namespace tunebay {

enum class TransferStatus {
    Copied,
    SourceNotOpened, // the source could not be opened as a catalogue
    Refused,         // the target holds a catalogue with data, or anything else, and no force
    Failed,          // the target could not be made or filled
};

struct TransferResult {
    TransferStatus status;
    std::string message; // "" when copied
    bool ok() const { return status == TransferStatus::Copied; }
};

// Copies the whole catalogue `source` to `target`, each a file or a server catalogue's URI: a
// new catalogue is made at the target from the template in `appDirectory` and takes every row
// of the source (CopyCatalogueRows). The target must not exist, be an empty file or database,
// or hold a catalogue without items, groups, packages and directories; `force` replaces
// whatever it holds (never a database's foreign tables, never a file another program holds
// open). A copy that fails leaves no new file behind.
TransferResult CopyCatalogue(const std::string& source, const std::string& target, bool force,
                             const std::string& appDirectory,
                             const CopyRowsProgress& progress = {});

} // namespace tunebay
