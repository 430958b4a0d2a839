#include "store/catalogue_files.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace tunebay {

namespace fs = std::filesystem;

std::string AbsoluteCatalogueName(std::string_view path) {
    std::error_code error;
    // Not made lexically normal: "link/.." is where the system takes it, not the folder itself.
    const std::filesystem::path absolute = std::filesystem::absolute(std::string(path), error);
    if (error || absolute.empty())
        return "./" + std::string(path);
    return absolute.string();
}

ReadOnlyAccess ChooseReadOnlyAccess(const std::string& path, int fd, std::string& refusal) {
    // Bytes 18 and 19 of the header are 2 when the file is in write-ahead-log mode. Read through
    // the caller's descriptor: opening and closing another would drop the engine's locks.
    char header[20] = {};
    if (::pread(fd, header, sizeof header, 0) != sizeof header || header[18] != 2 ||
        header[19] != 2)
        return ReadOnlyAccess::Plain;
    std::error_code error;
    const auto walSize = std::filesystem::file_size(path + "-wal", error);
    // Without a log, the file itself holds every committed change.
    if (error || walSize == 0)
        return ReadOnlyAccess::Unchanging;
    if (access((path + "-shm").c_str(), R_OK) == 0)
        return ReadOnlyAccess::Plain;
    refusal = "its latest changes are in " + path +
              "-wal, which only a user with write access can read; open it once with write "
              "access";
    return ReadOnlyAccess::Refused;
}

bool CatalogueInUse(const std::string& path) {
    sqlite3* db = nullptr;
    const std::string name = AbsoluteCatalogueName(path);
    if (sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return false; // not a database this process could open at all
    }
    // Leaving write-ahead logging needs the catalogue to itself; so does an exclusive lock
    // where the file has no log. Both fail at once while another process holds it open.
    sqlite3_busy_handler(db, nullptr, nullptr);
    const auto run = [db](const char* sql) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
    };
    bool busy = run("PRAGMA journal_mode=DELETE");
    if (!busy) {
        busy = run("BEGIN EXCLUSIVE");
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    return busy;
}

std::string LinkTarget(const std::string& path) {
    fs::path current(path);
    std::error_code error;
    // Links of links are followed as the system does, up to its own limit.
    for (int hops = 0; hops < 40 && fs::is_symlink(current, error); ++hops) {
        const fs::path next = fs::read_symlink(current, error);
        if (error)
            break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

bool IsCatalogueFile(const std::string& cataloguePath, const std::string& target) {
    if (cataloguePath.empty() || target.empty())
        return false;
    std::error_code error;
    if (fs::equivalent(cataloguePath, target, error))
        return true;
    // The names the system resolves them to (links and "." or ".." included), as far as they
    // exist: a log file need not exist yet to be refused.
    // Both made absolute first: a bare relative name has no part that exists to resolve.
    std::error_code failed;
    const std::string catalogue =
        fs::weakly_canonical(fs::absolute(cataloguePath, failed), failed).string();
    const std::string written = fs::weakly_canonical(fs::absolute(target, failed), failed).string();
    if (failed || catalogue.empty() || written.empty())
        return false;
    for (const char* companion : {"", "-wal", "-shm", "-journal"})
        if (written == catalogue + companion)
            return true;
    return false;
}

} // namespace tunebay
