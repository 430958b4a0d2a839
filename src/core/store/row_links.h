#pragma once

#include "store/catalogue_connection.h"

#include <span>
#include <string_view>
#include <unordered_set>

namespace tunebay {

// Group, package and directory rows stay only while some row links them: a writer that finds
// one unused removes it. On a server another writer may be linking the row at that very moment,
// its link not yet visible; these two steps make the two take turns. A catalogue file lets one
// writer in at a time already, so there they take no locks (but find the rows gone alike).

// Keeps the rows of `table` with the ids from removal until the calling thread's transaction
// ends: a writer removing one of them waits, and then sees this writer's links. The ids of rows
// that are there are returned; one removed meanwhile (or never there) is not, and the caller
// makes its row anew or refuses the link.
std::unordered_set<int> KeepLinkedRows(CCatalogueConnection& connection, std::string_view table,
                                       std::span<const int> ids);

// Locks the row of `table` with the id before its links are moved to another row and it is
// removed (a merge): a writer keeping it is waited for, and the links it made are then there to
// move. False when the row is gone.
bool LockRowForRemoval(CCatalogueConnection& connection, std::string_view table, int id);

// Removes the row of `table` with the id unless `firstUserQuery` (with the id bound) finds a row
// that links it. A writer keeping the row (KeepLinkedRows) is waited for first, and its links
// count. True when the row was removed.
bool RemoveRowIfUnused(CCatalogueConnection& connection, std::string_view table, int id,
                       std::string_view firstUserQuery);

} // namespace tunebay
