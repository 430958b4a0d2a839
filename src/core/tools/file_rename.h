#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
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

// The longest name a file system takes, in bytes.
inline constexpr std::size_t kDefaultNameLimit = 255;
// Room kept for the longest retry suffix, " (19)".
inline constexpr std::size_t kRetrySuffixRoom = 5;

// The longest file name the file system of `folder` takes (kDefaultNameLimit when it cannot
// say).
std::size_t FileNameLimit(const std::string& folder);

// Makes the names made or removed in `folders` durable: one flush of each file system they are
// on (where a file system refuses that, each folder is flushed on its own).
void SyncFolders(const std::set<std::string>& folders);

// `text` cut to at most `bytes` bytes, never inside a UTF-8 character.
std::string CutAtCharacter(std::string text, std::size_t bytes);

// Leaves out of a name made from tags what no file name should hold: control characters
// (newline, tab, 0x01...), bytes that are not UTF-8, and full stops at its start (a name that
// begins with one is hidden).
void RemoveUnnameableText(std::string& text);

// The file name "6. Rename Filename" gives an item: group + " - " + title (the title alone when
// the group is empty or "Unknown"), made safe (style 1 also Unix-encoded), followed by the
// current name's extension in lower case. A name longer than `nameLimit` bytes is shortened
// before the extension, leaving room for a retry suffix. Empty when the result could not be a
// name in the item's folder (empty or holding "/").
std::string ItemFileName(const std::string& group, const std::string& title,
                         const std::string& currentFileName, int style,
                         std::size_t nameLimit = kDefaultNameLimit);

// Renames the file `currentName` in `directory` (ending in "/") to `newName`; when that name is
// taken, "base (n).ext" with n from 1 to 19 is tried in turn, each announced to `beforeRetry`
// first (so a journal can follow). Returns the name the file has afterwards (`currentName` when
// it already had the wanted name), or nothing when no rename succeeded, with the system's
// reason in `reason`.
std::optional<std::string> RenameItemFile(
    const std::string& directory, const std::string& currentName, const std::string& newName,
    const std::function<void(const std::string&)>& beforeRetry = {}, std::string* reason = nullptr);

} // namespace tunebay
