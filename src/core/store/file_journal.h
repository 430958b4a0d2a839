#pragma once

#include "store/catalogue_connection.h"

#include <functional>
#include <string>

namespace tunebay {

// A note in the catalogue (table tblJournal) of one act on a user's file, written and made
// durable before the act and cleared after it. Whoever opens the catalogue for writing next
// finishes or undoes what a vanished run left in flight, so the catalogue and the disk never
// disagree about more than the one file that was being handled.
using JournalEntryId = long long;

enum class JournalKind : int {
    Rename = 1, // an item's file renamed in its folder
    Move = 2,   // an item's file moved to another folder, through a copy when across devices
    Copy = 3,   // a copy written under a temporary name
    Backup = 4, // a file written in place, with a whole copy of it kept elsewhere
};

// The process an entry belongs to: a reused process id is told apart by the boot and the
// process's start time.
struct JournalRun {
    std::string host;
    long long pid = 0;
    std::string mark; // boot id + ":" + start time of the process
};

JournalRun CurrentJournalRun();
// Whether the run is still going; only answerable for runs of this host.
bool IsJournalRunAlive(const JournalRun& run);

// Entries of another host are left to that host (its paths may be its own mounts) until they
// are this old; then they are repaired here like the entries of a vanished run.
inline constexpr long long kForeignEntryStaleSeconds = 7 * 24 * 3600;

// Makes the table when it is missing (the catalogue's format version is unchanged: older
// versions of the program never look at it). FileJournal makes it before its first entry, so a
// catalogue only gains it once a file is acted on.
void EnsureJournalTable(CCatalogueConnection& connection);

// While it lives, every commit of the calling thread waits until it is on the disk, so what it
// holds survives a loss of power, not only a crash of the process (a catalogue file otherwise
// flushes only at checkpoints; a server may be set to answer before its disk has the commit).
// Made and ended outside any transaction of the thread: the engines fix the level when a
// transaction begins.
class DurableCommits {
public:
    explicit DurableCommits(CCatalogueConnection& connection);
    ~DurableCommits();
    DurableCommits(const DurableCommits&) = delete;
    DurableCommits& operator=(const DurableCommits&) = delete;

private:
    CCatalogueConnection& m_connection;
    std::string m_previous;
};

// Writing and clearing entries. Each Record... call outside a transaction commits its entry
// durably before it returns; inside one, the entry is durable once the caller's transaction
// commits under DurableCommits (several intents for one flush to the disk).
class FileJournal {
public:
    explicit FileJournal(CCatalogueConnection& connection);

    // `directory` ends in "/".
    JournalEntryId RecordRename(long long mediaId, const std::string& directory,
                                const std::string& oldName, const std::string& newName);
    // `temporary` names the copy being written in the new folder when the move crosses
    // devices ("" for a plain rename).
    JournalEntryId RecordMove(long long mediaId, long long oldDirectoryId,
                              const std::string& oldPath, const std::string& newPath,
                              const std::string& temporary = {});
    JournalEntryId RecordCopy(const std::string& temporary);
    // `backup` is a whole, flushed copy of `target` taken before `target` is written in place.
    JournalEntryId RecordBackup(const std::string& target, const std::string& backup);

    // The copy an entry of RecordCopy notes is now a whole, flushed backup of `target`: from now
    // on a repair puts it back (the entry becomes a backup entry). Durable like a Record... call.
    void BackupReady(JournalEntryId id, const std::string& target);
    // Another name for the target of a rename or a move (the wanted one was taken); durable
    // like a Record... call.
    void ChangeTarget(JournalEntryId id, const std::string& newPath);
    // The act is done and the catalogue follows it (in the caller's transaction, if any).
    void Clear(JournalEntryId id);

private:
    // Runs `write` as one durable commit, or in the caller's transaction when one is open.
    void writeDurably(const std::function<void()>& write);
    JournalEntryId record(JournalKind kind, long long mediaId, long long directoryId,
                          const std::string& path, const std::string& newPath,
                          const std::string& temporary);

    CCatalogueConnection& m_connection;
    JournalRun m_run;
    bool m_tableReady = false;
};

struct JournalRepairCounts {
    int repaired = 0; // entries of vanished runs, settled and cleared
    int left = 0;     // entries of runs still going, or of other hosts
};

// Settles every entry whose run has gone (nothing when the catalogue has no journal yet). Each
// entry is settled by what the disk holds:
// - rename, move: when the old file is there the row stays; when only the new one is, the row
//   follows it (if it still names the old file); a move whose copy was placed across devices
//   removes the source once the copy is proven equal;
// - copy: a temporary file left over is removed;
// - backup: the backup is written back over the target in place, then removed.
JournalRepairCounts RepairJournal(CCatalogueConnection& connection);

} // namespace tunebay
