#include "store/network_mounts.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

// A mount table as a machine with a local disk, an SMB share, a subfolder of another share, an
// NFS export, an IPv6 NFS server, a folder with a space and a local disk mounted inside a share.
constexpr std::string_view kTable =
    "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
    "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 26 0:50 / /mnt/music rw,relatime shared:20 - cifs //NAS/Music rw,vers=3.1.1\n"
    "41 26 0:51 /live /mnt/live rw,relatime - cifs //nas/concerts rw\n"
    "42 26 0:52 / /srv/nfs rw,relatime - nfs4 fileserver:/export/audio rw\n"
    "43 26 0:53 / /srv/v6 rw - nfs [fe80::1]:/pool rw\n"
    "44 26 0:54 / /mnt/my\\040songs rw - smb3 //nas/my\\040songs rw\n"
    "45 40 8:17 / /mnt/music/usb rw - vfat /dev/sdb1 rw\n"
    "bad line\n";

TEST(NetworkMounts, NetworkFormsOfLocalFolders) {
    const std::vector<MountEntry> mounts = ParseMountTable(kTable);
    const struct {
        const char* local;
        const char* network;
    } cases[] = {
        {"/mnt/music/", "//NAS/Music/"},
        {"/mnt/music/Abba/Gold/", "//NAS/Music/Abba/Gold/"},
        {"/mnt/musicals/", ""},    // a sibling folder with the same beginning
        {"/mnt/music/usb/x/", ""}, // a local disk mounted inside the share hides it
        {"/mnt/live/2003/", "//nas/concerts/live/2003/"},
        {"/srv/nfs/a/", "//fileserver/export/audio/a/"},
        {"/srv/v6/", "//[fe80::1]/pool/"},
        {"/mnt/my songs/b/", "//nas/my songs/b/"},
        {"/home/user/music/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkFormOf(c.local, mounts), c.network) << c.local;
}

TEST(NetworkMounts, LocalFormsOfNetworkFolders) {
    const std::vector<MountEntry> mounts = ParseMountTable(kTable);
    const struct {
        const char* network;
        const char* local;
    } cases[] = {
        {"//nas/music/Abba/", "/mnt/music/Abba/"}, // host and share names in any case
        {"//NAS/Music/", "/mnt/music/"},
        {"//nas/music/usb/", ""}, // hidden under a local disk here
        {"//nas/musicals/", ""},
        {"//nas/concerts/live/x/", "/mnt/live/x/"},
        {"//nas/concerts/studio/", ""}, // only the live folder is mounted here
        {"//fileserver/export/audio/a/", "/srv/nfs/a/"},
        {"//home/user/music/", ""}, // the network form of a local folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalFormOfNetwork(c.network, mounts), c.local) << c.network;
}

TEST(NetworkMounts, ACataloguedFileIsFoundWhereItIs) {
    test::TempDir dir;
    dir.write("song.mp3", "x");
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(LocateCataloguedFile(folder, "//nas/none/", "song.mp3"), folder + "song.mp3");
    // Not here, and no mount of the share: the local path, reported missing by the callers.
    EXPECT_EQ(LocateCataloguedFile(folder, "//nas/none/", "gone.mp3"), folder + "gone.mp3");
}

} // namespace
} // namespace tunebay
