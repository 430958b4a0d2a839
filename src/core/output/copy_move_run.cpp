#include "output/copy_move_run.h"

#include "files/file_bytes.h"

#include "store/catalogue_error.h"
#include "store/catalogued_file_locator.h"
#include "store/directories.h"
#include "store/row_links.h"
#include "text/text_rules.h"
#include "tools/file_rename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

namespace tunebay {

namespace {

constexpr int kQuestionAfterFailures = 10;
constexpr int kAbortAfterFailures = 99;
constexpr int kMaxRetryNames = 20;

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Copies `source` into the new file `temporary` (never replacing one), keeping mode and times,
// and flushes it; with `verify` the copy is read back and compared. 0 or an errno; the
// temporary file is left for the caller to place or remove.
int CopyToTemporary(const std::string& source, const std::string& temporary, bool verify) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat info {};
    if (::fstat(in, &info) != 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (got == 0)
            break;
        if (!WriteAllBytes(out, std::string_view(buffer.data(), static_cast<size_t>(got)))) {
            error = errno;
            break;
        }
    }
    if (!error && ::fchmod(out, info.st_mode & 07777) != 0)
        error = errno;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (!error && ::futimens(out, times) != 0)
        error = errno;
    if (!error && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && !error)
        error = errno;
    ::close(in);
    if (!error && verify)
        error = CompareFiles(source, temporary);
    return error;
}

// A rename that never replaces. 0 or an errno.
int MoveNoReplace(const std::string& source, const std::string& target) {
    switch (MoveWithoutReplacing(source, target)) {
    case MoveResult::Moved:
        return 0;
    case MoveResult::TargetExists:
        return EEXIST;
    case MoveResult::Failed:
        break;
    }
    return errno ? errno : EIO;
}

// Makes what changed in a folder (a name placed or removed) durable.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool SamePathIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool IsProtectedFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty() || folder == "/")
        return true;
    if (const char* home = std::getenv("HOME")) {
        std::string homeFolder = home;
        while (homeFolder.size() > 1 && homeFolder.back() == '/')
            homeFolder.pop_back();
        if (folder == homeFolder)
            return true;
    }
    struct stat self {
    }, parent{}, current{};
    const std::string parentPath = folder.substr(0, folder.rfind('/') + 1);
    if (::stat(folder.c_str(), &self) != 0 || ::stat(parentPath.c_str(), &parent) != 0)
        return true;
    // The folder the user works in: removing it would leave their shell (and every relative
    // path after it) standing nowhere.
    if (::stat(".", &current) == 0 && self.st_dev == current.st_dev &&
        self.st_ino == current.st_ino)
        return true;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

namespace {

// Removes the folder when it is empty; true when it went.
bool RemoveEmptiedFolder(const std::string& folder) {
    return !IsProtectedFolder(folder) && ::rmdir(folder.c_str()) == 0;
}

std::string ParentFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const auto slash = folder.rfind('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string RetryName(const std::string& name, int n) {
    const auto dot = name.rfind('.');
    const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = base.size() == name.size() ? "" : name.substr(dot);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " (%d)", n);
    return base + buffer + extension;
}

} // namespace

int DiskPacker::Place(double size) {
    if (size >= m_limit)
        return 0;
    if (m_total + size > m_limit) {
        ++m_disk;
        m_total = 0.0;
    }
    m_total += size;
    return m_disk;
}

std::string SafeFolderName(std::string name, std::size_t limit) {
    MakeFileNameSafe(name);
    name = CutAtCharacter(std::move(name), limit);
    if (name.empty() || name == "." || name == "..")
        return "Unknown";
    return name;
}

bool SupportsHardLinks(const std::string& folder) {
    std::string dir = folder;
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    std::string probe = dir + ".tunebay-link-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    const std::string link = probe + ".link";
    const bool ok = ::link(probe.c_str(), link.c_str()) == 0;
    if (ok)
        ::unlink(link.c_str());
    ::unlink(probe.c_str());
    return ok;
}

DestinationCheck PrepareDestination(CopyMoveOptions& options, IWorkerQuestion& question,
                                    std::string& message) {
    if (options.destination.empty()) {
        message = kMessageNoCopyFolder;
        return DestinationCheck::Refused;
    }
    if (options.destination.front() != '/') {
        message = kMessageRelativeFolder;
        return DestinationCheck::Refused;
    }
    if (options.destination.back() != '/')
        options.destination += '/';
    std::error_code error;
    if (IsDirectory(options.destination)) {
        // Emptiness is tested; the folder itself (owner, mode, mount) is left as it is.
        if (options.limitOn &&
            !std::filesystem::is_empty(std::filesystem::path(options.destination), error)) {
            message = kMessageLimitNeedsEmptyFolder;
            return DestinationCheck::Refused;
        }
    } else if (options.dryRun) {
        return DestinationCheck::Ready; // the real run asks to create it
    } else {
        if (question.Ask(Worded(question.Wording(), kQuestionCreateFolder), "",
                         QuestionButtons::YesNo, QuestionIcon::Question) != QuestionAnswer::Yes)
            return DestinationCheck::Declined;
        std::filesystem::create_directories(options.destination, error);
        if (!IsDirectory(options.destination)) {
            message = kMessageCannotCreateFolder;
            return DestinationCheck::Refused;
        }
    }
    if (options.hardLinks && options.mode == kCopyFiles &&
        !SupportsHardLinks(options.destination)) {
        options.hardLinks = false;
        message = kMessageNoHardLinks;
        return DestinationCheck::Refused;
    }
    return DestinationCheck::Ready;
}

std::string CopyMoveFailureSummary(int failed, int done, const TextLookup& lookup) {
    if (failed == 0)
        return {};
    const char* format =
        failed > kAbortAfterFailures ? kMessageCopyMoveAborted : kMessageCopyMoveFailures;
    return FillNumbers(Worded(lookup, format), {failed, done});
}

std::string OtherVolumeSummary(int otherVolume, const TextLookup& lookup) {
    if (otherVolume == 0)
        return {};
    return FillNumbers(Worded(lookup, kMessageOtherVolume), {otherVolume});
}

CopyMoveRun::CopyMoveRun(IProgressSink& sink, CCatalogueConnection& connection,
                         CopyMoveOptions options, Selection selection, IWorkerQuestion& question)
    : CBackgroundOperation(kFinishCopyMove, sink), m_connection(connection),
      m_options(std::move(options)), m_selection(std::move(selection)), m_question(question),
      m_journal(connection) {
    m_selection.columns = kCopyMoveColumns;
}

std::string CopyMoveRun::FailedList() const {
    std::lock_guard lock(m_textMutex);
    return m_failedList;
}

std::vector<CopyMoveFailure> CopyMoveRun::FailedFiles() const {
    std::lock_guard lock(m_textMutex);
    return m_failedFiles;
}

std::string CopyMoveRun::ErrorMessage() const {
    std::lock_guard lock(m_textMutex);
    return m_error;
}

std::string CopyMoveRun::targetFolder(const CopyMoveRow& row, DiskPacker& packer) {
    std::string folder = m_options.destination;
    if (m_options.limitOn) {
        if (const int disk = packer.Place(row.size)) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "Disk%02d/", disk);
            folder += buffer;
        }
    }
    // "!" takes one byte of the name.
    const std::size_t limit = FileNameLimit(m_options.destination);
    if (m_options.genreFolders) {
        folder += "!" + SafeFolderName(row.genre, limit - 1) + "/";
    }
    if (m_options.groupFolders) {
        std::string level;
        if (m_options.groupOnlyIfMore) {
            // Asked once per file: the statement is kept prepared.
            ResultSet count = m_connection.ExecuteWith(
                "SELECT Count(tblItem.lMediaID) FROM tblItem, tblMedia WHERE tblItem.lGroupID=? "
                "AND tblMedia.lGenreID=? AND tblItem.lMediaID=tblMedia.lID",
                {static_cast<long long>(row.groupId), static_cast<long long>(row.genreId)});
            if (!count.IsEof()) {
                if (count.GetInt(0) > m_options.groupMoreThan)
                    level = SafeFolderName(row.group, limit) + "/";
                else if (!m_options.genreFolders)
                    level = "!" + SafeFolderName(row.genre, limit - 1) + "/";
            }
        } else {
            level = SafeFolderName(row.group, limit) + "/";
        }
        folder += level;
    }
    return folder;
}

void CopyMoveRun::makeFolders(const std::string& folder) const {
    // Each level below the destination, made only when a file goes there (failures show at the
    // file's own act).
    for (size_t slash = folder.find('/', m_options.destination.size()); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash + 1).c_str(), 0777);
}

std::string CopyMoveRun::temporaryName(const std::string& folder) {
    return folder + ".tunebay-" + std::to_string(::getpid()) + "-" +
           std::to_string(++m_temporaries) + ".part";
}

std::vector<CopyMoveRun::PlannedFile> CopyMoveRun::planFiles(const std::vector<CopyMoveRow>& rows,
                                                             size_t first, DiskPacker& packer) {
    std::vector<PlannedFile> planned;
    std::set<std::string> taken; // names given to earlier files of this window
    // A hard link appears whole or not at all; a copy out of a catalogue that cannot be written
    // goes without notes (a crash may then leave a hidden temporary file, never a partial one
    // under the file's name).
    const bool journalled =
        !m_options.dryRun &&
        (m_options.mode == kMoveFiles || (!m_options.hardLinks && !m_connection.IsReadOnly()));
    std::optional<DurableCommits> durable;
    std::optional<CatalogueTransaction> transaction;
    if (journalled) {
        durable.emplace(m_connection);
        transaction.emplace(m_connection);
    }
    for (size_t index = first; index < rows.size() && planned.size() < kFilesPerWindow; ++index) {
        const CopyMoveRow& row = rows[index];
        PlannedFile& file = planned.emplace_back();
        file.row = &row;
        if (row.fileName.find('/') != std::string::npos || row.fileName.empty() ||
            row.fileName == "." || row.fileName == "..") {
            file.unusable = true;
            continue;
        }
        file.folder = targetFolder(row, packer);
        file.name = row.fileName;
        if (SamePathIgnoringCase(row.directory + row.fileName, file.folder + file.name)) {
            file.skip = true;
            continue;
        }
        // The first name free now; a file that takes it meanwhile is met at the act.
        struct stat info {};
        for (int n = 1;
             n < kMaxRetryNames && (taken.contains(file.folder + file.name) ||
                                    ::lstat((file.folder + file.name).c_str(), &info) == 0);
             ++n)
            file.name = RetryName(row.fileName, n);
        taken.insert(file.folder + file.name);
        if (!journalled)
            continue;
        if (m_options.mode == kMoveFiles) {
            file.entry =
                m_journal.RecordMove(row.mediaId, row.directoryId, row.directory + row.fileName,
                                     file.folder + file.name);
        } else {
            file.temporary = temporaryName(file.folder);
            file.entry = m_journal.RecordCopy(file.temporary);
        }
    }
    if (transaction)
        transaction->Commit();
    return planned;
}

void CopyMoveRun::settleFiles(const std::vector<PlannedFile>& planned) {
    std::set<std::string> folders;
    for (const PlannedFile& file : planned)
        if (file.entry && file.acted) {
            folders.insert(file.folder);
            if (m_options.mode == kMoveFiles)
                folders.insert(file.row->directory);
        }
    // The acts must be on the disk before their notes go.
    SyncFolders(folders);
    CatalogueTransaction transaction(m_connection);
    for (const PlannedFile& file : planned)
        if (file.entry)
            m_journal.Clear(file.entry);
    transaction.Commit();
}

int CopyMoveRun::placeTemporary(const std::string& temporary, const std::string& folder,
                                std::string& name, const std::string& original,
                                JournalEntryId entry) {
    int error = MoveNoReplace(temporary, folder + name);
    for (int n = 1; error == EEXIST && n < kMaxRetryNames; ++n) {
        name = RetryName(original, n);
        if (entry)
            m_journal.ChangeTarget(entry, folder + name);
        error = MoveNoReplace(temporary, folder + name);
    }
    return error;
}

int CopyMoveRun::copyFile(PlannedFile& file) {
    const std::string source = file.row->directory + file.row->fileName;
    if (m_options.hardLinks) {
        int error = ::link(source.c_str(), (file.folder + file.name).c_str()) == 0 ? 0 : errno;
        for (int n = 1; error == EEXIST && n < kMaxRetryNames; ++n) {
            file.name = RetryName(file.row->fileName, n);
            error = ::link(source.c_str(), (file.folder + file.name).c_str()) == 0 ? 0 : errno;
        }
        return error;
    }
    // The copy is written under a temporary name and only placed once whole, so a crash never
    // leaves a partial file under a name the user sees.
    file.acted = true;
    int error = CopyToTemporary(source, file.temporary, false);
    if (!error)
        error = placeTemporary(file.temporary, file.folder, file.name, file.row->fileName, 0);
    if (error)
        ::unlink(file.temporary.c_str());
    return error;
}

int CopyMoveRun::moveFile(PlannedFile& file) {
    const CopyMoveRow& row = *file.row;
    const std::string source = row.directory + row.fileName;
    int error = MoveNoReplace(source, file.folder + file.name);
    for (int n = 1; error == EEXIST && n < kMaxRetryNames; ++n) {
        file.name = RetryName(row.fileName, n);
        m_journal.ChangeTarget(file.entry, file.folder + file.name);
        error = MoveNoReplace(source, file.folder + file.name);
    }
    if (error == EXDEV) {
        error = moveAcross(file);
        if (error)
            ++m_otherVolume;
    }
    file.acted = error == 0;
    return error;
}

int CopyMoveRun::moveAcross(PlannedFile& file) {
    const CopyMoveRow& row = *file.row;
    const std::string source = row.directory + row.fileName;
    const std::string temporary = temporaryName(file.folder);
    // This move's own note names the copy in the making.
    m_journal.Clear(file.entry);
    file.entry = m_journal.RecordMove(row.mediaId, row.directoryId, source, file.folder + file.name,
                                      temporary);
    // Copied and proven equal before the source goes.
    int error = CopyToTemporary(source, temporary, true);
    if (!error)
        error = placeTemporary(temporary, file.folder, file.name, row.fileName, file.entry);
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    SyncFolder(file.folder);
    if (::unlink(source.c_str()) != 0) {
        // The source stays, so the copy goes: never two files for one row.
        error = errno;
        ::unlink((file.folder + file.name).c_str());
    }
    return error;
}

void CopyMoveRun::afterMove(const PlannedFile& file) {
    const CopyMoveRow& row = *file.row;
    try {
        CatalogueTransaction transaction(m_connection);
        const int directoryId = FindOrCreateDirectory(m_connection, file.folder);
        m_connection.ExecuteWith("UPDATE tblMedia SET lDirectoryID=?, sFileName=? WHERE lID=?",
                                 {static_cast<long long>(directoryId), std::string_view(file.name),
                                  static_cast<long long>(row.mediaId)});
        if (directoryId != row.directoryId)
            RemoveRowIfUnused(m_connection, "tblDirectory", row.directoryId,
                              "SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1");
        transaction.Commit();
    } catch (const std::exception&) {
        // The catalogue could not follow: the file goes back so both still agree (where it
        // cannot, the journal's note settles it at the next open).
        MoveNoReplace(file.folder + file.name, row.directory + row.fileName);
        throw;
    }
    if (RemoveEmptiedFolder(row.directory)) {
        const std::string parent = ParentFolder(row.directory);
        if (!parent.empty())
            RemoveEmptiedFolder(parent);
    }
}

void CopyMoveRun::Run() {
    std::vector<PlannedFile> planned;
    try {
        // Every row is read before anything moves, so a moved file is never met twice.
        std::vector<CopyMoveRow> rows;
        const CataloguedFileLocator locator;
        for (ResultSet set = RunSelection(m_connection, m_selection); !set.IsEof(); set.MoveNext())
            rows.push_back({locator.Folder(set.GetText(0), set.GetText(9), set.GetText(1)),
                            set.GetText(1), set.GetText(2), set.GetText(3), set.GetInt(4),
                            set.GetInt(5), set.GetInt(6), set.GetDouble(7), set.GetInt(8)});

        DiskPacker packer(m_options.limitBytes);
        bool asked = false;
        int counter = 1;
        bool ended = false;
        // The files are taken a window at a time: the notes of a window reach the disk in one
        // flush before any of its files is touched, and go once its acts are on the disk.
        for (size_t first = 0; first < rows.size() && !ended; first += kFilesPerWindow) {
            if (StopRequested())
                break;
            planned = planFiles(rows, first, packer);
            for (PlannedFile& file : planned) {
                if (StopRequested()) {
                    ended = true;
                    break;
                }
                SetProgress(ProgressText(
                    m_options.mode == kMoveFiles ? kProgressMoving : kProgressCopying, counter));
                const std::string source = file.row->directory + file.row->fileName;
                SetCurrentFile(source);
                bool done = false;
                std::string reason;
                if (file.unusable) {
                    reason = "the catalogue holds no usable file name";
                } else if (!file.skip && m_options.dryRun) {
                    done = true;
                } else if (!file.skip) {
                    makeFolders(file.folder);
                    const int error =
                        m_options.mode == kMoveFiles ? moveFile(file) : copyFile(file);
                    if (error == 0) {
                        if (m_options.mode == kMoveFiles)
                            afterMove(file);
                        done = true;
                    } else {
                        reason = std::strerror(error);
                    }
                }
                if (!file.skip) {
                    if (done) {
                        ++m_done;
                        if (m_change)
                            m_change(std::string(m_options.mode == kMoveFiles ? "move "
                                                 : m_options.hardLinks        ? "link "
                                                                              : "copy ") +
                                     source + " -> " + file.folder + file.name);
                    } else {
                        ++m_failed;
                        std::lock_guard lock(m_textMutex);
                        m_failedList += "\r\n" + source + " (" + reason + ")";
                        m_failedFiles.push_back({source, reason});
                    }
                }
                if (!file.skip && !done && m_failed.load() == kQuestionAfterFailures && !asked) {
                    asked = true;
                    const std::string text =
                        FillNumbers(Worded(m_question.Wording(), kQuestionContinueCopyMove),
                                    {m_failed.load(), m_done.load()}) +
                        "\r\n" + FailedList();
                    if (m_question.Ask(text, "Tunebay", QuestionButtons::YesNo,
                                       QuestionIcon::Question) != QuestionAnswer::Yes) {
                        ended = true;
                        break;
                    }
                }
                if (m_failed.load() > kAbortAfterFailures) {
                    ended = true;
                    break;
                }
                ++counter;
            }
            settleFiles(planned);
            planned.clear();
        }
    } catch (const std::exception&) {
        std::lock_guard lock(m_textMutex);
        m_error = kMessageCopyMoveError;
    }
    // After an error the notes of the window stay: the next open settles them by the disk.
}

} // namespace tunebay
