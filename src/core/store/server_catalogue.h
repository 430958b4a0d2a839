#pragma once

#include "store/catalogue_connection.h"

#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// Makes a new catalogue in the server database that `connection` has open: the tables, indexes,
// views and standard rows of the catalogue template file at `templatePath`, with the column
// types, collation and functions the server needs to answer the catalogue's statements as
// SQLite does. All or nothing, in one transaction.
//
// A database holding any table or view that is not a catalogue's is refused. One that already
// holds a catalogue is refused unless `replace` is set; then only the catalogue's own tables,
// views and functions are dropped first. False with `reason` set on refusal or failure.
bool CreateServerCatalogue(CCatalogueConnection& connection, const std::string& templatePath,
                           bool replace, std::string& reason);

// Adds to a server catalogue the indexes it has beyond the template's (a catalogue made before
// them lacks them): they serve statements only a catalogue shared by several machines runs
// often. Nothing for a catalogue file. Throws CatalogueError when the server refuses (a user
// without the right to make indexes), which leaves the catalogue working, only slower there.
void AddServerIndexes(CCatalogueConnection& connection);

// Gathers a server's statistics of the catalogue's tables now, after a change of many rows: the
// server plans each statement from them, and gathers them by itself only now and then, so that
// until then it plans a catalogue that has just grown manifold (a copy, a first large import) as
// if it were still small. Only when `addedRows` is at least a tenth of the items the statistics
// know of (every table of a copy counts as grown); nothing for a catalogue file. Outside a
// transaction the tables are vacuumed as well.
void RefreshServerStatistics(CCatalogueConnection& connection, long long addedRows);

// A table definition of the catalogue's SQLite schema in the server's form: 64-bit integers,
// double precision, text of the "C" collation, and identity columns for counters. A definition
// already in the server's form stays as it is.
std::string ServerTableDefinition(std::string_view definition);

// Makes the server catalogue's key of directory rows fit the rows a copy brings: one folder has
// one row, but the `repeated` rows (rows of a folder that an older row names too, as old
// catalogue files may hold) are let in beside that row with their own ids. Inside the caller's
// transaction, before the rows are copied.
void KeyServerDirectories(CCatalogueConnection& connection, const std::vector<long long>& repeated);

} // namespace tunebay
