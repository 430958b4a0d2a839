#pragma once

#include "store/catalogue_connection.h"

#include <span>
#include <string>
#include <string_view>
#include <utility>

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

// The locks of LockMediaFile for each file (directory, file name) and of LockPackageName for
// each package, and one per group name (its ASCII case folded), all in one statement and in one
// fixed order, so that two writers whose batches share files, packages or new groups never wait
// for each other in a circle (as they would on the group names' unique key).
void LockMediaFilesAndPackages(CCatalogueConnection& connection,
                               std::span<const std::pair<std::string_view, std::string_view>> files,
                               std::span<const std::string_view> packages,
                               std::span<const std::string_view> groups = {});

// A folder of a network share (its network form, compared as ComparableNetworkForm does) whose
// directory row is to be made: a machine that knows the folder through another mount point
// then finds the row instead of making one of its own. Taken in one statement, in a fixed order,
// after any of LockMediaFilesAndPackages.
void LockShareFolders(CCatalogueConnection& connection, std::span<const std::string> networkForms);

} // namespace tunebay
