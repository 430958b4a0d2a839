#include "store/network_mounts.h"

#include "store/catalogued_file_locator.h"
#include "support/temp_dir.h"
#include "support/two_machines.h"

#include <gtest/gtest.h>

#include <fstream>

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

TEST(NetworkMounts, NetworkFormsCompareWithoutTheCaseOfHostAndShare) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"//NAS/Music/Abba/", "//nas/music/Abba/", true},
        {"//nas/music/Abba/", "//nas/music/abba/", false}, // folders below keep their case
        {"//nas/music/", "//nas/musicals/", false},
        {"//[FE80::1]/pool/", "//[fe80::1]/pool/", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComparableNetworkForm(c.a) == ComparableNetworkForm(c.b), c.same)
            << c.a << " " << c.b;
}

TEST(NetworkMounts, EachMachineFindsTheFileUnderItsOwnMount) {
    test::TwoMachines machines;
    std::ofstream(machines.Share() / "song.mp3") << "x";
    const std::string a = machines.MountPoint('A') + "/";
    const std::string b = machines.MountPoint('B') + "/";
    // Catalogued on machine A: its local folder and a network form.
    const struct {
        char machine;
        const char* network;
        std::string found;
    } cases[] = {
        {'A', "//NAS/Music/", a + "song.mp3"},
        {'B', "//NAS/Music/", b + "song.mp3"},
        {'B', "//nas/other/", a + "song.mp3"}, // no mount of that share: missing, as catalogued
        {'B', "", a + "song.mp3"},
    };
    for (const auto& c : cases) {
        machines.Use(c.machine);
        EXPECT_EQ(NetworkFormOf(machines.MountPoint(c.machine) + "/x/", CurrentMountTable()),
                  test::TwoMachines::ShareName(c.machine) + "/x/");
        const CataloguedFileLocator locator;
        EXPECT_EQ(locator.Path(a, c.network, "song.mp3"), c.found) << c.machine << c.network;
        EXPECT_EQ(LocateCataloguedFile(a, c.network, "song.mp3"), c.found);
        EXPECT_TRUE(locator.MayBeAt(c.found, a, c.network, "song.mp3"));
        EXPECT_FALSE(locator.MayBeAt(a + "other.mp3", a, c.network, "song.mp3"));
    }
}

} // namespace
} // namespace tunebay
