#include "app/catalogue_document.h"

#include "app/product.h"
#include "store/catalogue_error.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace tunebay {

namespace fs = std::filesystem;

CatalogueDocument::CatalogueDocument(CCatalogueConnection& connection, std::string appDirectory)
    : m_connection(connection), m_appDirectory(std::move(appDirectory)) {}

OpenResult CatalogueDocument::OpenCatalogue(const std::string& path) {
    if (path.empty())
        return {OpenStatus::NothingToOpen, {}};
    std::error_code error;
    if (access(path.c_str(), R_OK) != 0 || fs::is_directory(path, error))
        return {OpenStatus::NotAccessible, kMessageNotAccessible};

    // An empty file becomes a new catalogue; one that stays empty (the copy failed) is refused
    // like any other file that is not a catalogue.
    if (fs::file_size(path, error) == 0 && !error) {
        copyTemplate(path);
        if (fs::file_size(path, error) == 0 || error) {
            Close();
            return {OpenStatus::OpenFailed, kMessageOpenFailed};
        }
    }

    m_path.clear();
    if (m_connection.Open(CatalogueConnectionString(path)) != 0) {
        m_connection.Open("");
        return {OpenStatus::OpenFailed, kMessageOpenFailed};
    }

    bool compatible = false;
    try {
        ResultSet version =
            m_connection.Execute("SELECT sValue FROM tblDBInfo WHERE sID='DBVersion'");
        compatible = !version.IsEof() && IsCompatibleCatalogueVersion(version.GetText(0));
    } catch (const CatalogueError&) {
        compatible = false;
    }
    if (!compatible) {
        m_connection.Open("");
        return {OpenStatus::IncompatibleVersion, kMessageIncompatible};
    }
    try {
        m_connection.EnableConcurrentAccess();
    } catch (const CatalogueError&) {
        // A catalogue on a file system without shared memory still works, one thread at a time.
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
    if (!copyTemplate(path))
        return {OpenStatus::CreateFailed, kMessageCreateFailed};
    return OpenCatalogue(path);
}

void CatalogueDocument::Close() {
    m_connection.Open("");
    m_path.clear();
}

bool CatalogueDocument::copyTemplate(const std::string& path) const {
    const fs::path target(path);
    fs::path partial = target;
    partial += ".new-" + std::to_string(getpid());
    std::error_code error;
    if (!fs::copy_file(TemplatePath(), partial, fs::copy_options::overwrite_existing, error)) {
        fs::remove(partial, error);
        return false;
    }
    fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
    fs::rename(partial, target, error);
    if (error) {
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
