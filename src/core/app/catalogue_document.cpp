#include "app/catalogue_document.h"

#include "app/product.h"
#include "store/catalogue_error.h"
#include "store/catalogue_files.h"
#include "store/file_journal.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <system_error>

namespace tunebay {

namespace fs = std::filesystem;

CatalogueDocument::CatalogueDocument(CCatalogueConnection& connection, std::string appDirectory)
    : m_connection(connection), m_appDirectory(std::move(appDirectory)) {}

namespace {

std::string withReason(const std::string& path, const std::string& reason) {
    return reason.empty() ? path : path + ": " + reason;
}

} // namespace

OpenResult CatalogueDocument::OpenCatalogue(const std::string& path) {
    if (path.empty())
        return {OpenStatus::NothingToOpen, {}};
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
    }
    m_path = path;
    return {OpenStatus::Opened, {}};
}

OpenResult CatalogueDocument::NewCatalogue(const std::string& path) {
    if (path.empty())
        return {OpenStatus::NothingToOpen, {}};
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
    if (fs::exists(target, error) && CatalogueInUse(target.string())) {
        reason = "the catalogue is open in another program";
        return false;
    }
    fs::path partial = target;
    partial += ".new-" + std::to_string(getpid());
    if (!fs::copy_file(TemplatePath(), partial, fs::copy_options::overwrite_existing, error)) {
        reason = error.message();
        fs::remove(partial, error);
        return false;
    }
    fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
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

std::string CatalogueWindowTitle(std::string_view path) {
    const std::string name = fs::path(path).filename().string();
    return name.empty() ? std::string(kProductName) : name + " - " + kProductName;
}

bool IsCompatibleCatalogueVersion(std::string_view version) {
    return version.substr(0, 3) == "1,0";
}

} // namespace tunebay
