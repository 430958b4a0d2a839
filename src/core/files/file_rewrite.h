#pragma once

#include "files/file_bytes.h"

#include <functional>
#include <string>
#include <string_view>

namespace tunebay {

// Where a rewrite that cannot replace a file keeps the copy of the old contents it would restore
// after a crash. The catalogue's journal implements it: the entry is durable before the file is
// touched, and whoever opens the catalogue next puts the backup back if the entry is still there.
class IRewriteBackups {
public:
    virtual ~IRewriteBackups() = default;
    // A private folder for backups and work files, ending in "/"; "" when there is none.
    virtual std::string BackupFolder() = 0;
    // Records that a backup is about to be written at `backup` (removed should the process
    // vanish); durable when it returns. Returns the entry's id, or a negative number when it
    // could not be recorded.
    virtual long long RecordBackup(const std::string& backup) = 0;
    // The backup is whole and flushed: from now on it is put back over `target` should the
    // process vanish. Durable when it returns; false when it could not be recorded.
    virtual bool BackupWritten(long long entry, const std::string& target) = 0;
    // The write finished (or was undone): the entry goes.
    virtual void ClearBackup(long long entry) = 0;
};

// Writes the new contents of a file: gets the original open for reading and the new file open for
// writing (empty), fills it; false with `reason` set when it cannot.
using RewriteProducer = std::function<bool(int originalFd, int newFd, std::string& reason)>;
// Checks the new contents (flushed, open at `newFd`) against the original before they replace
// it; false with `reason` set when they are not what was meant.
using RewriteVerifier = std::function<bool(int originalFd, int newFd, std::string& reason)>;

// Called as a rewrite passes each of its steps ("produced", "flushed", "verified", "named",
// "replaced"; in place: "backed up", "recorded", "overwritten"), so that tests can stop the
// process at each of them.
using RewriteStepHook = std::function<void(const char* step)>;

struct RewriteResult {
    bool ok = false;
    std::string reason; // the system's reason when not ok
};

// Replaces the contents of the file at `path` (a file reached through a symbolic link is changed
// where the link points) so that, whatever happens, the file holds either its old contents or its
// new ones, whole. The new contents are made in a new file beside it, flushed, verified and then
// renamed over it; owner, group, mode and extended attributes are kept, the modification time is
// the time of the write. Where a new file cannot stand in for the old one (a file with several
// names, an owner this process cannot give a file, a folder it cannot write), the file is written
// in place, but only after a flushed backup is recorded in `backups`; without one such a file is
// refused. A read-only file is refused. On any failure the file is as it was.
RewriteResult RewriteFile(const std::string& path, const RewriteProducer& produce,
                          const RewriteVerifier& verify, IRewriteBackups* backups,
                          const RewriteStepHook& step = {});

// Makes a new file at `path` holding `bytes`, never replacing one that is there: the bytes are
// written and flushed in a work file beside it, which then takes the name, so the name shows the
// whole file or nothing. The mode is 0666 less the process's umask.
RewriteResult WriteNewFile(const std::string& path, std::string_view bytes);

} // namespace tunebay
