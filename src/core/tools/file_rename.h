#pragma once

#include <optional>
#include <string>

namespace tunebay {

enum class MoveResult { Moved, TargetExists, Failed };

// Moves `from` to `to` without ever replacing a file: renameat2 with RENAME_NOREPLACE, or, on
// file systems without it, a hard link followed by removing the old name, or a reserved empty
// target that only this call replaces.
MoveResult MoveWithoutReplacing(const std::string& from, const std::string& to);

// The way for file systems without RENAME_NOREPLACE: a hard link under the new name, then the
// old name removed; where hard links are refused too, an empty file reserves the new name.
MoveResult MoveByLinking(const std::string& from, const std::string& to);

// The file name "6. Rename Filename" gives an item: group + " - " + title (the title alone when
// the group is empty or "Unknown"), made safe (style 1 also Unix-encoded), followed by the
// current name's extension in lower case. Empty when the result could not be a name in the
// item's folder (empty, ".", ".." or holding "/").
std::string ItemFileName(const std::string& group, const std::string& title,
                         const std::string& currentFileName, int style);

// Renames the file `currentName` in `directory` (ending in "/") to `newName`; when that name is
// taken, "base (n).ext" with n from 1 to 19 is tried in turn. Returns the name the file has
// afterwards (`currentName` when it already had the wanted name), or nothing when no rename
// succeeded.
std::optional<std::string> RenameItemFile(const std::string& directory,
                                          const std::string& currentName,
                                          const std::string& newName);

} // namespace tunebay
