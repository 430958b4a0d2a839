#pragma once

#include "store/catalogue_connection.h"

#include <string_view>

namespace tunebay {

// Locks that make writers in other processes and on other machines wait until the calling
// thread's transaction ends, for the find-or-create steps that no unique key guards. Taken
// inside the transaction, before the find. A catalogue file lets one writer in at a time
// already, so there they cost nothing.

// A package of the name, its ASCII case folded (packages are not unique by name).
void LockPackageName(CCatalogueConnection& connection, std::string_view name);

// One file being catalogued: a second importer of the same file then finds it catalogued.
void LockMediaFile(CCatalogueConnection& connection, std::string_view directory,
                   std::string_view fileName);

} // namespace tunebay
