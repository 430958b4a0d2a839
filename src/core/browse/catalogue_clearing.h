#pragma once

#include "store/catalogue_connection.h"
#include "text/translatable.h"

namespace tunebay {

inline constexpr const char* kQuestionClearCatalogue =
    TB_TRANSLATE_NOOP("Tunebay", "Clear the whole database?");
inline constexpr const char* kProgressClearing = TB_TRANSLATE_NOOP("Tunebay", "Clearing...");

// Edit > Remove All: empties the item, directory, group, package, media, optional-value and
// folder tables, all or nothing. Genres, optional types and the version row stay. Throws
// CatalogueError (nothing is changed then).
void ClearCatalogue(CCatalogueConnection& connection);

} // namespace tunebay
