#pragma once

#include "store/network_mounts.h"

#include <mutex>
#include <string>
#include <vector>

namespace tunebay {

// Finds catalogued files on this machine. A catalogue shared by several machines names each
// folder by the local path of the machine that catalogued it and by its network form; another
// machine with its own mount of the share finds the file under that mount. One locator serves
// one run: the mount table is read when the run first needs it, and only once.
class CataloguedFileLocator {
public:
    CataloguedFileLocator() = default;
    // With a mount table already at hand.
    explicit CataloguedFileLocator(std::vector<MountEntry> mounts);
    CataloguedFileLocator(const CataloguedFileLocator&) = delete;
    CataloguedFileLocator& operator=(const CataloguedFileLocator&) = delete;

    // The folder where this machine has the file: its local folder when the file is there, else
    // this machine's mount of its network folder when it is there, else the local folder (the
    // file is then missing, as callers report). Folders end in "/".
    std::string Folder(const std::string& localFolder, const std::string& networkFolder,
                       const std::string& fileName) const;
    // The same folder with the file name: the path to open.
    std::string Path(const std::string& localFolder, const std::string& networkFolder,
                     const std::string& fileName) const {
        return Folder(localFolder, networkFolder, fileName) + fileName;
    }
    // Whether `path` is one of the places Path looks for the file, whether or not the file is
    // there now.
    bool MayBeAt(const std::string& path, const std::string& localFolder,
                 const std::string& networkFolder, const std::string& fileName) const;

    // The mount table, read on the first call.
    const std::vector<MountEntry>& Mounts() const;

private:
    // This machine's folder of a network form, "" when it has no mount of the share.
    std::string mountedFolder(const std::string& networkFolder) const;

    mutable std::once_flag m_read;
    mutable std::vector<MountEntry> m_mounts;
};

// Where this machine finds one catalogued file (CataloguedFileLocator::Path, the mount table
// read for it alone).
std::string LocateCataloguedFile(const std::string& localFolder, const std::string& networkFolder,
                                 const std::string& fileName);

} // namespace tunebay
