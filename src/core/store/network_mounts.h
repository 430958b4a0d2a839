#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// One line of the mount table: where a file system is mounted and, for a network share, the
// share's own name as every machine knows it.
struct MountEntry {
    std::string mountPoint; // "/mnt/music", decoded
    // The network form of the mount point, "//nas/music" for a CIFS/SMB share, "//nas/export/music"
    // for an NFS export "nas:/export/music"; empty for a file system of this machine.
    std::string share;
};

// The mounts of a table in the format of /proc/self/mountinfo, in the table's order (later
// mounts stack over earlier ones). A mount of a share's subfolder gets the subfolder in its share
// form.
std::vector<MountEntry> ParseMountTable(std::string_view mountinfo);

// The variable that names a file to read as the mount table instead of /proc/self/mountinfo:
// another machine's table stood in for this one's (the tests' two machines on one share).
inline constexpr const char* kMountTableVariable = "TUNEBAY_MOUNT_TABLE";

// This process's mount table, read anew on each call; empty when it cannot be read.
std::vector<MountEntry> CurrentMountTable();

// The network form of a local folder ("/mnt/music/sub/" → "//nas/music/sub/"), or "" when the
// mount the folder lies on is no network share. The deepest mount holding the folder decides,
// the last of equal ones, as the system resolves it.
std::string NetworkFormOf(std::string_view localFolder, const std::vector<MountEntry>& mounts);

// This machine's local form of a network folder form ("//NAS/music/sub/" → "/mnt/music/sub/"):
// the folder under this machine's mount of the same share, or "" when it has none. Host and
// share names compare without regard to ASCII case, as the servers treat them.
std::string LocalFormOfNetwork(std::string_view networkFolder,
                               const std::vector<MountEntry>& mounts);

// The form in which two network folder forms compare: the host and share names in ASCII lower
// case, the folders below as they are ("//NAS/Music/Abba/" → "//nas/music/Abba/").
std::string ComparableNetworkForm(std::string_view networkFolder);

} // namespace tunebay
