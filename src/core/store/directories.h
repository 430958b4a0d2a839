#pragma once

#include "store/catalogue_connection.h"
#include "store/network_mounts.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The three forms of a catalogued directory: the local path (the lookup key, ending in "/"),
// its network form (ending in "/") and its web address (ending in "/").
struct DirectoryForms {
    std::string local;
    std::string network;
    std::string web;
};

// Completes the forms: a missing network form is the local path itself when that begins with
// "//", otherwise "/" + the local path; a missing web form comes from the network form as
// "http:" + its text without colons, in lower case. Each form gets its trailing separator.
DirectoryForms CompleteDirectoryForms(std::string_view local, std::string_view web,
                                      std::string_view network);

// Returns the id of the directory row for the local path, creating it with the completed forms
// when there is none; without a given network form, a folder on a CIFS/SMB or NFS mount gets the
// share's form ("//nas/music/sub/") by `mounts`, or by the mount table read then when none is
// given. An existing row is never changed here.
int FindOrCreateDirectory(CCatalogueConnection& connection, std::string_view local,
                          std::string_view web = {}, std::string_view network = {},
                          const std::vector<MountEntry>* mounts = nullptr);

// Whether a directory row (its local and network forms) stands for the folder `local`, whose
// network form is `network` ("" off a share): the folder's own row, or the row of the same share
// folder another machine made through its own mount point.
bool DirectoryRowStandsFor(std::string_view rowLocal, std::string_view rowNetwork,
                           std::string_view local, std::string_view network);

// The directory rows of the folders of an import batch, made when missing: one lookup for all of
// them and one insert of the rows missing, made in the order given. A folder on a network share
// (by `mounts`, or by the mount table read then) without a row of its own takes the row another
// machine made for the same share folder, under the share folders' writer locks. The ids in the
// order of `locals`.
std::vector<int> FindOrCreateDirectories(CCatalogueConnection& connection,
                                         std::span<const std::string> locals,
                                         const std::vector<MountEntry>* mounts = nullptr);

} // namespace tunebay
