#pragma once

#include "store/catalogue_connection.h"

namespace tunebay {

inline constexpr const char* kQuestionClearCatalogue = "Clear the whole database?";
inline constexpr const char* kProgressClearing = "Clearing...";

// Edit > Remove All: empties the item, directory, group, package, media, optional-value and
// folder tables, all or nothing. Genres, optional types and the version row stay. Throws
// CatalogueError (nothing is changed then).
void ClearCatalogue(CCatalogueConnection& connection);

} // namespace tunebay
