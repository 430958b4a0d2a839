#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// The name under which a catalogue file is opened: absolute, so that no name is ever read as a
// URI.
std::string AbsoluteCatalogueName(std::string_view path);

// How a catalogue that this process may not write is read.
enum class ReadOnlyAccess {
    Plain,      // as it is: it needs no companion file that is not already there
    Unchanging, // its write-ahead log is absent or empty, so the file holds every change
    Refused,    // its latest changes are in a log that cannot be read without making files
};
// `fd` is a descriptor of the catalogue the caller keeps open.
ReadOnlyAccess ChooseReadOnlyAccess(const std::string& path, int fd, std::string& refusal);

// Whether another process holds the catalogue at `path` open (an engine lock probe). A file that
// is no database is not in use.
bool CatalogueInUse(const std::string& path);

// Where a symbolic link at `path` finally points (the path itself when it is no link); the
// file that a change through the link must change.
std::string LinkTarget(const std::string& path);

// Whether writing `target` would overwrite the catalogue at `cataloguePath` or one of its
// companion files (its write-ahead log, shared-memory index or rollback journal).
bool IsCatalogueFile(const std::string& cataloguePath, const std::string& target);

} // namespace tunebay
