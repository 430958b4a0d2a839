#pragma once

#include "store/catalogue_connection.h"

#include <functional>
#include <string>
#include <vector>

namespace tunebay {

// Rows copied so far and rows to copy in all.
using CopyRowsProgress = std::function<void(long long copied, long long total)>;

// The tables a catalogue copy carries: every table of `target` but those the program makes on
// demand for its own bookkeeping (the file journal, whose notes name one machine's runs).
std::vector<std::string> CopiedTables(CCatalogueConnection& target);

// Replaces the rows of every copied table of `target` with the rows of the same table of
// `source`, in one transaction of the target: ids, optional values and directories as they
// stand, every value of the same kind as in the source (texts byte for byte, the empty text
// apart from NULL), and each id counter moved on to where the source's stands, so that no
// id of the source is handed out again. Throws CatalogueError (the target then keeps what it
// had); a source without one of the tables is refused. Returns the number of rows copied.
// A server target is then due a RefreshServerStatistics, once its transactions are committed.
long long CopyCatalogueRows(CCatalogueConnection& source, CCatalogueConnection& target,
                            const CopyRowsProgress& progress = {});

} // namespace tunebay
