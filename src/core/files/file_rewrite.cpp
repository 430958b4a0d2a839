#include "files/file_rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace tunebay {

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports a failure of the close itself (a late write error).
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Removes the file named by `name` on the way out, unless the name was cleared (the file was put
// in place) or is empty (an unnamed file vanishes by itself).
struct UnlinkUnlessCleared {
    std::string& name;
    ~UnlinkUnlessCleared() {
        if (!name.empty())
            ::unlink(name.c_str());
    }
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string descriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

bool inOwnGroups(gid_t group) {
    if (group == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.end();
}

// Why a new file cannot stand in for the file `info` describes in `folder`; "" when it can.
std::string whyNotReplaceable(const struct stat& info, const std::string& folder) {
    if (info.st_nlink > 1)
        return "the file has several names";
    const uid_t self = ::geteuid();
    if (self != 0 && (info.st_uid != self || !inOwnGroups(info.st_gid)))
        return "the file belongs to another user or group";
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return "its folder cannot be written";
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0)
        return "its folder cannot be examined";
    if ((folderInfo.st_mode & S_ISVTX) && self != 0 && info.st_uid != self &&
        folderInfo.st_uid != self)
        return "its folder lets only owners replace files";
    return {};
}

// A new, empty file in `folder`: unnamed where the file system allows it (nothing is left behind
// by a crash), else under a hidden name of its own. `name` receives the name ("" when unnamed).
int makeWorkFile(const std::string& folder, const std::string& base, std::string& name) {
    name.clear();
    if (::access("/proc/self/fd", X_OK) == 0) {
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
    }
    std::string pattern = folder + "." + base.substr(0, 200) + ".tunebay-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        name = pattern;
    return fd;
}

// Gives the unnamed work file `fd` a hidden name in `folder` so that it can be renamed into place.
bool nameWorkFile(int fd, const std::string& folder, const std::string& base, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + base.substr(0, 200) + ".tunebay-XXXXXX";
        // mkstemp only to draw a free name; the name is taken over by the link below.
        const int probe = ::mkstemp(candidate.data());
        if (probe < 0)
            return false;
        ::close(probe);
        ::unlink(candidate.c_str());
        if (::linkat(AT_FDCWD, descriptorPath(fd).c_str(), AT_FDCWD, candidate.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            name = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool syncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

// Extended attributes of `from` onto `to` (access lists are attributes too). Attributes of the
// system's own namespaces that this process may not set are left to the system.
bool copyAttributes(int from, int to, std::string& reason) {
    std::vector<char> names(4096);
    ssize_t length = 0;
    for (;;) {
        length = ::flistxattr(from, names.data(), names.size());
        if (length >= 0)
            break;
        if (errno == ENOTSUP)
            return true;
        if (errno != ERANGE) {
            reason = SystemReason(errno);
            return false;
        }
        names.resize(names.size() * 4);
    }
    std::vector<char> value(4096);
    for (ssize_t at = 0; at < length;) {
        const std::string name(names.data() + at);
        at += static_cast<ssize_t>(name.size()) + 1;
        ssize_t size = 0;
        for (;;) {
            size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
            if (size >= 0 || errno != ERANGE)
                break;
            value.resize(value.size() * 4);
        }
        if (size < 0 ||
            ::fsetxattr(to, name.c_str(), value.data(), static_cast<size_t>(size), 0) != 0) {
            if (!name.starts_with("user.") && (errno == EPERM || errno == ENOTSUP))
                continue;
            reason = "attribute " + name + ": " + SystemReason(errno);
            return false;
        }
    }
    return true;
}

bool sameState(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

long long fileSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

RewriteResult failed(std::string reason) {
    return {false, std::move(reason)};
}

void reach(const RewriteStepHook& step, const char* name) {
    if (step)
        step(name);
}

RewriteResult replaceThroughNewFile(const std::string& target, int original,
                                    const struct stat& before, const RewriteProducer& produce,
                                    const RewriteVerifier& verify, const RewriteStepHook& step) {
    const std::string folder = folderOf(target);
    const std::string base = nameOf(target);
    std::string workName;
    Descriptor work(makeWorkFile(folder, base, workName));
    if (work.get() < 0)
        return failed(SystemReason(errno));
    const UnlinkUnlessCleared cleanup{workName};

    std::string reason;
    if (!produce(original, work.get(), reason))
        return failed(reason);
    reach(step, "produced");
    if ((::geteuid() == 0 || before.st_gid != ::getegid()) &&
        ::fchown(work.get(), before.st_uid, before.st_gid) != 0)
        return failed(SystemReason(errno));
    if (::fchmod(work.get(), before.st_mode & 07777) != 0)
        return failed(SystemReason(errno));
    if (!copyAttributes(original, work.get(), reason))
        return failed(reason);
    if (::fsync(work.get()) != 0)
        return failed(SystemReason(errno));
    reach(step, "flushed");
    if (!verify(original, work.get(), reason))
        return failed(reason);
    reach(step, "verified");

    // Another program may have changed the file meanwhile; its change is not overwritten.
    struct stat now {};
    if (::stat(target.c_str(), &now) != 0 || !sameState(before, now))
        return failed("the file changed while the new one was written");
    if (workName.empty() && !nameWorkFile(work.get(), folder, base, workName))
        return failed(SystemReason(errno));
    reach(step, "named");
    if (::rename(workName.c_str(), target.c_str()) != 0)
        return failed(SystemReason(errno));
    workName.clear();
    reach(step, "replaced");
    if (!syncFolder(folder))
        return failed(SystemReason(errno)); // the new contents stand; only their flush is unsure
    return {true, {}};
}

// A name in `folder` for the backup of `base`, not yet taken.
std::string backupName(const std::string& folder, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    return folder + base.substr(0, 150) + "." + std::to_string(::getpid()) + "." +
           std::to_string(++counter) + "." + std::to_string(std::random_device()()) + ".backup";
}

RewriteResult rewriteInPlace(const std::string& target, int original, const struct stat& before,
                             const RewriteProducer& produce, const RewriteVerifier& verify,
                             IRewriteBackups& backups, const RewriteStepHook& step) {
    const std::string folder = backups.BackupFolder();
    if (folder.empty())
        return failed("no folder for the backup copy");
    std::string workName;
    Descriptor work(makeWorkFile(folder, nameOf(target), workName));
    if (work.get() < 0)
        return failed(SystemReason(errno));
    const UnlinkUnlessCleared cleanup{workName};

    std::string reason;
    if (!produce(original, work.get(), reason) || ::fsync(work.get()) != 0 ||
        !verify(original, work.get(), reason))
        return failed(reason.empty() ? SystemReason(errno) : reason);

    // The backup is noted before it is made (a vanished run's partial backup is removed), and
    // is put back only once it is whole.
    const std::string backupPath = backupName(folder, nameOf(target));
    const long long entry = backups.RecordBackup(backupPath);
    if (entry < 0)
        return failed("the backup could not be recorded");
    Descriptor backup(
        ::open(backupPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    const auto abandon = [&](const std::string& why) {
        ::unlink(backupPath.c_str());
        backups.ClearBackup(entry);
        return failed(why);
    };
    if (backup.get() < 0 || !AppendFileRange(original, 0, before.st_size, backup.get()) ||
        ::fsync(backup.get()) != 0 || !syncFolder(folder))
        return abandon(SystemReason(errno));
    reach(step, "backed up");
    if (!backups.BackupWritten(entry, target))
        return abandon("the backup could not be recorded");
    reach(step, "recorded");

    Descriptor writable(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    struct stat now {};
    bool ok = writable.get() >= 0 && ::fstat(writable.get(), &now) == 0 && sameState(before, now);
    if (!ok)
        reason = writable.get() < 0 ? SystemReason(errno)
                                    : "the file changed while the new one was written";
    if (ok && !OverwriteWith(work.get(), writable.get())) {
        reason = SystemReason(errno);
        ok = false;
    }
    if (ok)
        reach(step, "overwritten");
    if (ok && (fileSize(writable.get()) != fileSize(work.get()) ||
               !SameFileBytes(writable.get(), 0, work.get(), 0, fileSize(work.get())))) {
        reason = "the file does not read back as written";
        ok = false;
    }
    if (!ok && writable.get() >= 0 && !OverwriteWith(backup.get(), writable.get())) {
        // The backup stays recorded: the next open of the catalogue puts it back.
        return failed(reason + "; the old contents are restored when the catalogue is next opened");
    }
    backups.ClearBackup(entry);
    ::unlink(backupPath.c_str());
    return ok ? RewriteResult{true, {}} : failed(reason);
}

} // namespace

RewriteResult RewriteFile(const std::string& path, const RewriteProducer& produce,
                          const RewriteVerifier& verify, IRewriteBackups* backups,
                          const RewriteStepHook& step) {
    std::string target = path;
    struct stat linkInfo {};
    if (::lstat(path.c_str(), &linkInfo) != 0)
        return failed(SystemReason(errno));
    if (S_ISLNK(linkInfo.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return failed(SystemReason(errno));
        target = resolved;
        std::free(resolved);
    }
    // Non-blocking, so that a FIFO in the file's place cannot stall the program.
    Descriptor original(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (original.get() < 0)
        return failed(SystemReason(errno));
    struct stat before {};
    if (::fstat(original.get(), &before) != 0)
        return failed(SystemReason(errno));
    if (!S_ISREG(before.st_mode))
        return failed("not a regular file");
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failed(SystemReason(errno));

    const std::string whyNot = whyNotReplaceable(before, folderOf(target));
    if (whyNot.empty())
        return replaceThroughNewFile(target, original.get(), before, produce, verify, step);
    if (!backups)
        return failed(whyNot + ", and no catalogue journal can keep a backup");
    return rewriteInPlace(target, original.get(), before, produce, verify, *backups, step);
}

RewriteResult WriteNewFile(const std::string& path, std::string_view bytes) {
    const auto failed = [](int error) { return RewriteResult{false, SystemReason(error)}; };
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string workName;
    Descriptor work(makeWorkFile(folder, base, workName));
    if (work.get() < 0)
        return failed(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const bool written = ::fchmod(work.get(), 0666 & ~mask) == 0 &&
                         WriteAllBytes(work.get(), bytes) && ::fsync(work.get()) == 0;
    // A link fails where the name is taken, so an existing file is never replaced.
    const bool named =
        written && (workName.empty() ? ::linkat(AT_FDCWD, descriptorPath(work.get()).c_str(),
                                                AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0
                                     : ::link(workName.c_str(), path.c_str()) == 0);
    const int error = errno;
    if (!workName.empty())
        ::unlink(workName.c_str());
    if (!named)
        return failed(error);
    syncFolder(folder);
    return {true, {}};
}

} // namespace tunebay
