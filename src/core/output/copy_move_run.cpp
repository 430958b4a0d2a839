#include "output/copy_move_run.h"

#include "store/catalogue_error.h"
#include "store/directories.h"
#include "tools/text_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

namespace tunebay {

namespace {

constexpr int kQuestionAfterFailures = 10;
constexpr int kAbortAfterFailures = 99;
constexpr int kMaxRetryNames = 20;

std::string Printf(const char* format, int a, int b = 0) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Copies without ever replacing the target; a partial copy is removed. Keeps mode and times.
int CopyFile(const std::string& source, const std::string& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat info {};
    if (::fstat(in, &info) != 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (got == 0)
            break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(out, buffer + written, static_cast<size_t>(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                break;
            }
            written += put;
        }
        if (error)
            break;
    }
    if (!error && ::fchmod(out, info.st_mode & 07777) != 0)
        error = errno;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (!error && ::futimens(out, times) != 0)
        error = errno;
    if (::close(out) != 0 && !error)
        error = errno;
    ::close(in);
    if (error)
        ::unlink(target.c_str());
    return error;
}

// A rename that never replaces: renameat2 with RENAME_NOREPLACE, else link + unlink.
int MoveNoReplace(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS)
        return error;
    if (::link(source.c_str(), target.c_str()) != 0)
        return errno;
    if (::unlink(source.c_str()) != 0) {
        const int unlinkError = errno;
        ::unlink(target.c_str());
        return unlinkError;
    }
    return 0;
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

std::string SafeFolderName(std::string name) {
    MakeFileNameSafe(name);
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
    } else {
        if (question.Ask(kQuestionCreateFolder, "", QuestionButtons::YesNo,
                         QuestionIcon::Question) != QuestionAnswer::Yes)
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

std::string CopyMoveFailureSummary(int failed, int done) {
    if (failed == 0)
        return {};
    if (failed > kAbortAfterFailures)
        return Printf("Aborted!\r\n\r\n> More than %d files couldn't be copied/moved!\r\n> %d "
                      "files have been copied/moved successfully!",
                      failed, done);
    return Printf("> %d files couldn't be copied/moved!\r\n> %d files have been copied/moved "
                  "successfully!",
                  failed, done);
}

std::string OtherVolumeSummary(int otherVolume) {
    if (otherVolume == 0)
        return {};
    return Printf("%d files couldn't be moved because the destination is on a different "
                  "volume!\r\nNext time use the copy file function!",
                  otherVolume);
}

CopyMoveRun::CopyMoveRun(IProgressSink& sink, CCatalogueConnection& connection,
                         CopyMoveOptions options, Selection selection, IWorkerQuestion& question)
    : CBackgroundOperation(kFinishCopyMove, sink), m_connection(connection),
      m_options(std::move(options)), m_selection(std::move(selection)), m_question(question) {
    m_selection.columns = kCopyMoveColumns;
}

std::string CopyMoveRun::FailedList() const {
    std::lock_guard lock(m_textMutex);
    return m_failedList;
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
            ::mkdir(folder.c_str(), 0777);
        }
    }
    if (m_options.genreFolders) {
        folder += "!" + SafeFolderName(row.genre) + "/";
        ::mkdir(folder.c_str(), 0777);
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
                    level = SafeFolderName(row.group) + "/";
                else if (!m_options.genreFolders)
                    level = "!" + SafeFolderName(row.genre) + "/";
            }
        } else {
            level = SafeFolderName(row.group) + "/";
        }
        if (!level.empty()) {
            folder += level;
            ::mkdir(folder.c_str(), 0777);
        }
    }
    return folder;
}

int CopyMoveRun::transfer(const std::string& source, const std::string& target) {
    if (m_options.mode == kMoveFiles)
        return MoveNoReplace(source, target);
    if (m_options.hardLinks)
        return ::link(source.c_str(), target.c_str()) == 0 ? 0 : errno;
    return CopyFile(source, target);
}

void CopyMoveRun::afterMove(const CopyMoveRow& row, const std::string& folder,
                            const std::string& name, const std::string& source,
                            const std::string& target) {
    try {
        CatalogueTransaction transaction(m_connection);
        const int directoryId = FindOrCreateDirectory(m_connection, folder);
        m_connection.ExecuteWith("UPDATE tblMedia SET lDirectoryID=?, sFileName=? WHERE lID=?",
                                 {static_cast<long long>(directoryId), std::string_view(name),
                                  static_cast<long long>(row.mediaId)});
        if (directoryId != row.directoryId &&
            m_connection
                .ExecuteWith("SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1",
                             {static_cast<long long>(row.directoryId)})
                .IsEof())
            m_connection.Execute("DELETE FROM tblDirectory WHERE lID=" +
                                 std::to_string(row.directoryId));
        transaction.Commit();
    } catch (const std::exception&) {
        // The catalogue could not follow: the file goes back so both still agree.
        MoveNoReplace(target, source);
        throw;
    }
    if (RemoveEmptiedFolder(row.directory)) {
        const std::string parent = ParentFolder(row.directory);
        if (!parent.empty())
            RemoveEmptiedFolder(parent);
    }
}

void CopyMoveRun::Run() {
    try {
        // Every row is read before anything moves, so a moved file is never met twice.
        std::vector<CopyMoveRow> rows;
        for (ResultSet set = RunSelection(m_connection, m_selection); !set.IsEof(); set.MoveNext())
            rows.push_back({set.GetText(0), set.GetText(1), set.GetText(2), set.GetText(3),
                            set.GetInt(4), set.GetInt(5), set.GetInt(6), set.GetDouble(7),
                            set.GetInt(8)});

        DiskPacker packer(m_options.limitBytes);
        bool asked = false;
        int counter = 1;
        for (const CopyMoveRow& row : rows) {
            if (StopRequested())
                return;
            SetProgress(ProgressText(
                m_options.mode == kMoveFiles ? kProgressMoving : kProgressCopying, counter));
            const std::string source = row.directory + row.fileName;
            SetCurrentFile(source);
            bool done = false;
            bool skipped = false;
            if (row.fileName.find('/') == std::string::npos && !row.fileName.empty() &&
                row.fileName != "." && row.fileName != "..") {
                const std::string folder = targetFolder(row, packer);
                std::string name = row.fileName;
                std::string target = folder + name;
                if (SamePathIgnoringCase(source, target)) {
                    skipped = true;
                } else {
                    int error = transfer(source, target);
                    if (error == EXDEV && m_options.mode == kMoveFiles) {
                        ++m_otherVolume;
                    } else {
                        for (int n = 1; error == EEXIST && n < kMaxRetryNames; ++n) {
                            name = RetryName(row.fileName, n);
                            target = folder + name;
                            error = transfer(source, target);
                        }
                    }
                    if (error == 0) {
                        if (m_options.mode == kMoveFiles)
                            afterMove(row, folder, name, source, target);
                        done = true;
                    }
                }
            }
            if (!skipped) {
                if (done) {
                    ++m_done;
                } else {
                    ++m_failed;
                    std::lock_guard lock(m_textMutex);
                    m_failedList += "\r\n" + source;
                }
            }
            if (!skipped && !done && m_failed.load() == kQuestionAfterFailures && !asked) {
                asked = true;
                const std::string text =
                    Printf("%d files couldn't be copied/moved! %d files have been copied/moved "
                           "successfully!\r\nDo you want to continue?\r\n",
                           m_failed.load(), m_done.load()) +
                    FailedList();
                if (m_question.Ask(text, "Tunebay", QuestionButtons::YesNo,
                                   QuestionIcon::Question) != QuestionAnswer::Yes)
                    return;
            }
            if (m_failed.load() > kAbortAfterFailures)
                return;
            ++counter;
        }
    } catch (const std::exception&) {
        std::lock_guard lock(m_textMutex);
        m_error = kMessageCopyMoveError;
    }
}

} // namespace tunebay
