#pragma once

#include "store/catalogue_connection.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tunebay {

// Groups (performers) and packages (albums): found or created by name, items moved between
// them, rows merged on rename and removed when no item uses them any more.

int FindOrCreateGroup(CCatalogueConnection& connection, std::string_view name);

// Adds a group of the name and returns its id (-1 when it cannot be found after all). When
// another writer made the group first, the unique key refuses this row and that group is taken.
int AddGroup(CCatalogueConnection& connection, std::string_view name);

struct ClassificationIds {
    std::vector<int> groups;
    std::vector<int> packages;
};

// The groups of the names and the packages of the (package, group) names of an import batch (no
// two the same without ASCII case), as FindOrCreateGroup and FindOrCreatePackage would give them
// one after the other: those missing are made in the order given. A few statements for the whole
// batch: one lookup each, and only when something is missing the writer locks of the missing
// names (LockMediaFilesAndPackages), a second lookup and one insert each. The ids in the order of
// `groups` and `pairs`; throws CatalogueError when a new row cannot be found.
ClassificationIds
FindOrCreateGroupsAndPackages(CCatalogueConnection& connection,
                              std::span<const std::string_view> groups,
                              std::span<const std::pair<std::string_view, std::string_view>> pairs);

// A package is found only where some item already links it with the named group; otherwise a
// new row is made (the same album name under two groups gives two rows).
int FindOrCreatePackage(CCatalogueConnection& connection, std::string_view packageName,
                        std::string_view groupName);

// Moves one item to the named group and/or package (by name across all rows), creating the row
// with the next free id when none has the name, and removing the old row when the item was its
// last user. A name left out leaves that link alone.
void ReassignItem(CCatalogueConnection& connection, int itemId, int mediaId,
                  const std::optional<std::string>& groupName,
                  const std::optional<std::string>& packageName);

enum class ClassificationKind { Group, Package };

// Renames a group or package row. When another row of the kind already has the name, the two
// are merged into that one and `rowId` becomes -1 (the caller's tree node then goes); returns
// whether that happened.
bool RenameClassification(CCatalogueConnection& connection, ClassificationKind kind, int& rowId,
                          std::string_view newName);

// Sets an item's folder, genre, group and package; -1 leaves a link unchanged. Returns false
// when a statement failed (statements already run stay done), or when the group or package has
// been removed since the caller found it (nothing is changed then).
bool UpdateItemLinks(CCatalogueConnection& connection, int itemId, int mediaId, int folderId,
                     int genreId, int groupId, int packageId);

// The names of the packages a group's items have, in name order: a name is listed once
// whatever the ASCII case of its rows, spelt as its oldest row spells it, alike on a catalogue
// file and on a server. The group is given by id or by name.
std::vector<std::string> GroupPackageNames(CCatalogueConnection& connection, int groupId);
std::vector<std::string> GroupPackageNames(CCatalogueConnection& connection,
                                           std::string_view groupName);

} // namespace tunebay
