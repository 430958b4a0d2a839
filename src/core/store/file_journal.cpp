#include "store/file_journal.h"

#include "files/file_bytes.h"

#include "store/catalogue_error.h"
#include "store/catalogued_file_locator.h"
#include "store/directories.h"
#include "store/row_links.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

namespace tunebay {

namespace {

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Field 22 of /proc/<pid>/stat: the start time in clock ticks after boot ("" when gone).
std::string processStartTime(long long pid) {
    const std::string stat = firstLine("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // After the name: state is field 3, start time field 22.
    for (int number = 3; number <= 22 && fields >> field; ++number)
        if (number == 22)
            return field;
    return {};
}

std::string runMark(long long pid) {
    const std::string start = processStartTime(pid);
    return start.empty() ? std::string()
                         : firstLine("/proc/sys/kernel/random/boot_id") + ":" + start;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

bool exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Writes the backup's bytes over the target through the target's own inode, so every hard link
// of it sees the restored content.
bool restoreInPlace(const std::string& backup, const std::string& target) {
    const int in = ::open(backup.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const bool ok = out >= 0 && OverwriteWith(in, out);
    const bool closed = out < 0 || ::close(out) == 0;
    ::close(in);
    return ok && closed;
}

// The row follows its file when it still names `oldPath`: as its local path, or on a share as
// the path under this machine's mount, where the run that noted the act found the file.
void rowFollows(CCatalogueConnection& connection, const CataloguedFileLocator& locator,
                long long mediaId, long long oldDirectoryId, const std::string& oldPath,
                const std::string& newPath) {
    ResultSet row = connection.ExecuteWith(
        "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblMedia.lDirectoryID, "
        "tblDirectory.sUNC FROM tblMedia, tblDirectory WHERE tblMedia.lID=? AND "
        "tblDirectory.lID=tblMedia.lDirectoryID",
        {mediaId});
    if (row.IsEof() || !locator.MayBeAt(oldPath, row.GetText(0), row.GetText(3), row.GetText(1)))
        return;
    const long long directoryId = row.GetInt64(2);
    row = ResultSet();
    const std::string newFolder = folderOf(newPath);
    const long long newDirectoryId =
        newFolder == folderOf(oldPath) ? directoryId : FindOrCreateDirectory(connection, newFolder);
    const std::string newName = nameOf(newPath);
    connection.ExecuteWith("UPDATE tblMedia SET lDirectoryID=?, sFileName=? WHERE lID=?",
                           {newDirectoryId, std::string_view(newName), mediaId});
    const long long emptied = oldDirectoryId ? oldDirectoryId : directoryId;
    if (newDirectoryId != emptied)
        RemoveRowIfUnused(connection, "tblDirectory", static_cast<int>(emptied),
                          "SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1");
}

void settle(CCatalogueConnection& connection, const CataloguedFileLocator& locator,
            JournalKind kind, long long mediaId, long long directoryId, const std::string& path,
            const std::string& newPath, const std::string& temporary) {
    switch (kind) {
    case JournalKind::Rename:
    case JournalKind::Move:
        if (!temporary.empty() && exists(temporary)) {
            // The copy never reached its name: the source is whole and the row names it.
            ::unlink(temporary.c_str());
            return;
        }
        if (exists(path)) {
            // A copy across devices that was placed whole: finish the move once proven equal.
            if (kind == JournalKind::Move && !temporary.empty() && exists(newPath) &&
                CompareFiles(path, newPath) == 0 && ::unlink(path.c_str()) == 0)
                rowFollows(connection, locator, mediaId, directoryId, path, newPath);
            return;
        }
        if (exists(newPath))
            rowFollows(connection, locator, mediaId, directoryId, path, newPath);
        return;
    case JournalKind::Copy:
        if (exists(temporary))
            ::unlink(temporary.c_str());
        return;
    case JournalKind::Backup:
        if (exists(temporary) && restoreInPlace(temporary, path))
            ::unlink(temporary.c_str());
        return;
    }
}

} // namespace

JournalRun CurrentJournalRun() {
    const long long pid = ::getpid();
    return {hostName(), pid, runMark(pid)};
}

bool IsJournalRunAlive(const JournalRun& run) {
    if (run.host != hostName())
        return true;
    const std::string mark = runMark(run.pid);
    return !mark.empty() && mark == run.mark;
}

void EnsureJournalTable(CCatalogueConnection& connection) {
    connection.Execute("CREATE TABLE IF NOT EXISTS tblJournal (lID INTEGER PRIMARY KEY "
                       "AUTOINCREMENT, sHost TEXT, lPid INTEGER, sRun TEXT, lTime INTEGER, "
                       "lKind INTEGER, lMediaID INTEGER, lDirectoryID INTEGER, sPath TEXT, "
                       "sNewPath TEXT, sTemporary TEXT)");
}

DurableCommits::DurableCommits(CCatalogueConnection& connection)
    : m_connection(connection), m_previous(connection.RequireDurableCommits()) {}

DurableCommits::~DurableCommits() {
    try {
        m_connection.RestoreCommitDurability(m_previous);
    } catch (const CatalogueError&) {
        // Left inside a transaction by an error: the session stays careful, which is harmless.
    }
}

FileJournal::FileJournal(CCatalogueConnection& connection)
    : m_connection(connection), m_run(CurrentJournalRun()) {}

JournalEntryId FileJournal::record(JournalKind kind, long long mediaId, long long directoryId,
                                   const std::string& path, const std::string& newPath,
                                   const std::string& temporary) {
    if (!m_tableReady) {
        // Catalogues opened without the document (tests, tools) get the table on first use.
        EnsureJournalTable(m_connection);
        m_tableReady = true;
    }
    JournalEntryId id = 0;
    writeDurably([&] {
        m_connection.ExecuteWith(
            "INSERT INTO tblJournal (sHost, lPid, sRun, lTime, lKind, lMediaID, lDirectoryID, "
            "sPath, sNewPath, sTemporary) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {std::string_view(m_run.host), m_run.pid, std::string_view(m_run.mark),
             static_cast<long long>(std::time(nullptr)), static_cast<long long>(kind), mediaId,
             directoryId, std::string_view(path), std::string_view(newPath),
             std::string_view(temporary)});
        id = m_connection.LastInsertedId();
    });
    return id;
}

JournalEntryId FileJournal::RecordRename(long long mediaId, const std::string& directory,
                                         const std::string& oldName, const std::string& newName) {
    return record(JournalKind::Rename, mediaId, 0, directory + oldName, directory + newName, {});
}

JournalEntryId FileJournal::RecordMove(long long mediaId, long long oldDirectoryId,
                                       const std::string& oldPath, const std::string& newPath,
                                       const std::string& temporary) {
    return record(JournalKind::Move, mediaId, oldDirectoryId, oldPath, newPath, temporary);
}

JournalEntryId FileJournal::RecordCopy(const std::string& temporary) {
    return record(JournalKind::Copy, 0, 0, {}, {}, temporary);
}

JournalEntryId FileJournal::RecordBackup(const std::string& target, const std::string& backup) {
    return record(JournalKind::Backup, 0, 0, target, {}, backup);
}

void FileJournal::ChangeTarget(JournalEntryId id, const std::string& newPath) {
    writeDurably([&] {
        m_connection.ExecuteWith("UPDATE tblJournal SET sNewPath=? WHERE lID=?",
                                 {std::string_view(newPath), id});
    });
}

void FileJournal::BackupReady(JournalEntryId id, const std::string& target) {
    writeDurably([&] {
        m_connection.ExecuteWith(
            "UPDATE tblJournal SET lKind=?, sPath=? WHERE lID=?",
            {static_cast<long long>(JournalKind::Backup), std::string_view(target), id});
    });
}

void FileJournal::writeDurably(const std::function<void()>& write) {
    // Inside the caller's transaction, the caller commits (under DurableCommits).
    if (m_connection.InTransaction()) {
        write();
        return;
    }
    DurableCommits durable(m_connection);
    CatalogueTransaction transaction(m_connection);
    write();
    transaction.Commit();
}

void FileJournal::Clear(JournalEntryId id) {
    m_connection.ExecuteWith("DELETE FROM tblJournal WHERE lID=?", {id});
}

JournalRepairCounts RepairJournal(CCatalogueConnection& connection) {
    struct Entry {
        JournalEntryId id;
        JournalRun run;
        long long time;
        JournalKind kind;
        long long mediaId, directoryId;
        std::string path, newPath, temporary;
    };
    // A catalogue that never had a file acted on has no table, and opening it changes nothing.
    if (!connection.HasTable("tblJournal"))
        return {};
    std::vector<Entry> entries;
    for (ResultSet rows = connection.Execute(
             "SELECT lID, sHost, lPid, sRun, lTime, lKind, lMediaID, lDirectoryID, sPath, "
             "sNewPath, sTemporary FROM tblJournal ORDER BY lID");
         !rows.IsEof(); rows.MoveNext())
        entries.push_back({rows.GetInt64(0),
                           {rows.GetText(1), rows.GetInt64(2), rows.GetText(3)},
                           rows.GetInt64(4),
                           static_cast<JournalKind>(rows.GetInt(5)),
                           rows.GetInt64(6),
                           rows.GetInt64(7),
                           rows.GetText(8),
                           rows.GetText(9),
                           rows.GetText(10)});

    JournalRepairCounts counts;
    const DurableCommits durable(connection);
    const std::string host = CurrentJournalRun().host;
    const long long now = std::time(nullptr);
    const CataloguedFileLocator locator;
    for (const Entry& entry : entries) {
        const bool foreign = entry.run.host != host;
        if (foreign ? now - entry.time < kForeignEntryStaleSeconds : IsJournalRunAlive(entry.run)) {
            ++counts.left;
            continue;
        }
        CatalogueTransaction transaction(connection);
        settle(connection, locator, entry.kind, entry.mediaId, entry.directoryId, entry.path,
               entry.newPath, entry.temporary);
        connection.ExecuteWith("DELETE FROM tblJournal WHERE lID=?", {entry.id});
        transaction.Commit();
        ++counts.repaired;
    }
    return counts;
}

} // namespace tunebay
