#include "store/catalogued_file_locator.h"

#include "store/local_paths.h"

#include <sys/stat.h>

namespace tunebay {

namespace {

bool isFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

CataloguedFileLocator::CataloguedFileLocator(std::vector<MountEntry> mounts) {
    std::call_once(m_read, [&] { m_mounts = std::move(mounts); });
}

const std::vector<MountEntry>& CataloguedFileLocator::Mounts() const {
    std::call_once(m_read, [this] { m_mounts = CurrentMountTable(); });
    return m_mounts;
}

std::string CataloguedFileLocator::mountedFolder(const std::string& networkFolder) const {
    // A stream's address and a folder without a network form have no mount to look in.
    if (!networkFolder.starts_with("//") || HasUrlScheme(networkFolder))
        return {};
    return LocalFormOfNetwork(networkFolder, Mounts());
}

std::string CataloguedFileLocator::Folder(const std::string& localFolder,
                                          const std::string& networkFolder,
                                          const std::string& fileName) const {
    if (isFile(localFolder + fileName))
        return localFolder;
    const std::string mapped = mountedFolder(networkFolder);
    if (!mapped.empty() && isFile(mapped + fileName))
        return mapped;
    return localFolder;
}

bool CataloguedFileLocator::MayBeAt(const std::string& path, const std::string& localFolder,
                                    const std::string& networkFolder,
                                    const std::string& fileName) const {
    if (path == localFolder + fileName)
        return true;
    const std::string mapped = mountedFolder(networkFolder);
    return !mapped.empty() && path == mapped + fileName;
}

std::string LocateCataloguedFile(const std::string& localFolder, const std::string& networkFolder,
                                 const std::string& fileName) {
    return CataloguedFileLocator().Path(localFolder, networkFolder, fileName);
}

} // namespace tunebay
