#include "app/catalogue_document.h"

#include "app/product.h"
#include "files/file_rewrite.h"
#include "store/catalogue_error.h"
#include "store/catalogue_files.h"
#include "store/file_journal.h"
#include "store/optional_values.h"
#include "store/postgres_engine.h"
#include "store/server_catalogue.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace tunebay {

namespace fs = std::filesystem;

CatalogueDocument::CatalogueDocument(CCatalogueConnection& connection, std::string appDirectory)
    : m_connection(connection), m_appDirectory(std::move(appDirectory)) {}

namespace {

// A server's address never shows a password it holds.
std::string withReason(const std::string& path, const std::string& reason) {
    const std::string shown = IsServerCatalogueName(path) ? ShownServerAddress(path) : path;
    return reason.empty() ? shown : shown + ": " + reason;
}

} // namespace

OpenResult CatalogueDocument::OpenCatalogue(const std::string& path) {
    if (path.empty())
        return {OpenStatus::NothingToOpen, {}};
    if (IsServerCatalogueName(path))
        return openCatalogue(path);
    std::error_code error;
    if (access(path.c_str(), R_OK) != 0)
        return {OpenStatus::NotAccessible, kMessageNotAccessible,
                withReason(path, std::strerror(errno))};
    if (fs::is_directory(path, error))
        return {OpenStatus::NotAccessible, kMessageNotAccessible,
                withReason(path, std::strerror(EISDIR))};

    // An empty file becomes a new catalogue; one that stays empty (the copy failed) is refused
    // like any other file that is not a catalogue.
    if (fs::file_size(path, error) == 0 && !error) {
        std::string reason;
        copyTemplate(path, reason);
        if (fs::file_size(path, error) == 0 || error) {
            Close();
            return {OpenStatus::OpenFailed, kMessageOpenFailed, withReason(path, reason)};
        }
    }
    return openCatalogue(path);
}

OpenResult CatalogueDocument::openCatalogue(const std::string& path) {
    m_path.clear();
    if (m_connection.Open(CatalogueConnectionString(path)) != 0) {
        const std::string reason = m_connection.OpenError();
        m_connection.Open("");
        return {OpenStatus::OpenFailed, kMessageOpenFailed, withReason(path, reason)};
    }

    bool compatible = false;
    std::string reason;
    try {
        ResultSet version =
            m_connection.Execute("SELECT sValue FROM tblDBInfo WHERE sID='DBVersion'");
        compatible = !version.IsEof() && IsCompatibleCatalogueVersion(version.GetText(0));
        if (!compatible)
            reason = version.IsEof() ? "no version row" : "version " + version.GetText(0);
    } catch (const CatalogueError& failure) {
        compatible = false;
        reason = failure.engineMessage();
    }
    if (!compatible) {
        m_connection.Open("");
        return {OpenStatus::IncompatibleVersion, kMessageIncompatible, withReason(path, reason)};
    }
    try {
        m_connection.EnableConcurrentAccess();
    } catch (const CatalogueError&) {
        // A catalogue on a file system without shared memory, in a read-only folder or on a
        // full disk still works, one thread at a time.
    }
    if (!m_connection.IsReadOnly()) {
        try {
            // Both front ends open here: what a vanished run left in flight is settled before
            // anything else reads the catalogue.
            RepairJournal(m_connection);
        } catch (const CatalogueError&) {
            // A catalogue that takes no writes just now keeps its entries for the next open.
        }
        try {
            AddServerIndexes(m_connection);
        } catch (const CatalogueError&) {
            // Made by an open with the right to make them; until then some lookups of folders
            // on network shares read the whole folder table.
        }
        try {
            AddMissingOptionalTypes(m_connection);
        } catch (const CatalogueError&) {
            // Added at the next open that may write; values of a missing type are only left
            // out of the details list meanwhile.
        }
    }
    m_path = path;
    return {OpenStatus::Opened, {}};
}

OpenResult CatalogueDocument::NewCatalogue(const std::string& path, bool replace) {
    if (path.empty())
        return {OpenStatus::NothingToOpen, {}};
    if (IsServerCatalogueName(path)) {
        if (IsOpen() && m_path == path)
            Close();
        std::string reason;
        if (m_connection.Open(CatalogueConnectionString(path)) != 0)
            reason = m_connection.OpenError();
        else
            CreateServerCatalogue(m_connection, TemplatePath(), replace, reason);
        m_connection.Open("");
        if (!reason.empty())
            return {OpenStatus::CreateFailed, kMessageCreateFailed, withReason(path, reason)};
        return openCatalogue(path);
    }
    // The file may be the open catalogue itself: close it before replacing it.
    std::error_code error;
    if (IsOpen() && fs::equivalent(m_path, path, error))
        Close();
    std::string reason;
    if (!copyTemplate(path, reason))
        return {OpenStatus::CreateFailed, kMessageCreateFailed, withReason(path, reason)};
    return OpenCatalogue(path);
}

void CatalogueDocument::Close() {
    m_connection.Open("");
    m_path.clear();
}

bool CatalogueDocument::copyTemplate(const std::string& path, std::string& reason) const {
    const fs::path target(LinkTarget(path));
    std::error_code error;
    if (fs::is_symlink(target, error)) {
        reason = std::strerror(ELOOP); // a loop of links: nothing to replace but a link
        return false;
    }
    if (fs::exists(target, error) && !fs::is_regular_file(target, error)) {
        reason = "not a regular file"; // a device, a pipe or a folder is never replaced
        return false;
    }
    if (fs::exists(target, error) && CatalogueInUse(target.string())) {
        reason = "the catalogue is open in another program";
        return false;
    }
    fs::path partial = target;
    partial += ".new-" + std::to_string(getpid());
    // Made with the user's file creation mask, as any new file of theirs.
    const int in = ::open(TemplatePath().c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    struct stat info {};
    const bool copied = in >= 0 && out >= 0 && ::fstat(in, &info) == 0 &&
                        AppendFileRange(in, 0, info.st_size, out) && ::fsync(out) == 0;
    const int copyError = errno;
    if (in >= 0)
        ::close(in);
    if ((out >= 0 && ::close(out) != 0) || !copied) {
        reason = std::strerror(copied ? errno : copyError);
        fs::remove(partial, error);
        return false;
    }
    // A log or journal left by the replaced catalogue would be replayed into the new one.
    for (const char* companion : {"-wal", "-shm", "-journal"}) {
        fs::path stale = target;
        stale += companion;
        fs::remove(stale, error);
    }
    fs::rename(partial, target, error);
    if (error) {
        reason = error.message();
        std::error_code ignored;
        fs::remove(partial, ignored);
        return false;
    }
    return true;
}

namespace {

// The name a catalogue on a server goes by: its database ("postgresql://nas/music?sslmode=
// require" is "music"), else the address as a message may show it.
std::string serverCatalogueName(std::string_view uri) {
    const size_t scheme = uri.find("://");
    const size_t slash =
        scheme == std::string_view::npos ? scheme : uri.find_first_of("/?", scheme + 3);
    std::string_view database;
    if (slash != std::string_view::npos && uri[slash] == '/')
        database = uri.substr(slash + 1, uri.find('?', slash) - slash - 1);
    for (size_t at = uri.find("dbname="); database.empty() && at != std::string_view::npos;
         at = uri.find("dbname=", at + 1))
        if (uri[at - 1] == '?' || uri[at - 1] == '&')
            database = uri.substr(at + 7, uri.find('&', at) - at - 7);
    return database.empty() ? ShownServerAddress(uri) : std::string(database);
}

} // namespace

std::string CatalogueWindowTitle(std::string_view path) {
    const std::string name = IsServerCatalogueName(path) ? serverCatalogueName(path)
                                                         : fs::path(path).filename().string();
    return name.empty() ? std::string(kProductName) : name + " - " + kProductName;
}

bool IsCompatibleCatalogueVersion(std::string_view version) {
    return version.substr(0, 3) == "1,0";
}

} // namespace tunebay
