#include "import/import_operations.h"
#include "import/pls_playlist.h"
#include "import/volume_labels.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

using test::FixedClock;
using test::QuietSink;

namespace fs = std::filesystem;

TEST(PlsPlaylist, ReadsEntriesWithTitlesAndLengths) {
    test::TempDir dir;
    const auto path = dir.write("list.pls", "[playlist]\r\n"
                                            "File1=/music/ABBA - Waterloo.mp3\r\n"
                                            "Title1= ABBA  -  Waterloo \r\n"
                                            "Length1=171\r\n"
                                            "File2=relative/Plain Name.mp3\r\n"
                                            "Length2=-1\r\n"
                                            "File3=/x/y.mp3\r\n"
                                            "Title7=Someone Else - Other\r\n"
                                            "NumberOfEntries=3\r\nVersion=2\r\n");
    PlsPlaylist playlist;
    ASSERT_TRUE(playlist.Open(path.string()));
    EXPECT_EQ(playlist.AnnouncedEntries(), 3);
    PlsEntry entry;
    ASSERT_TRUE(playlist.NextEntry(entry));
    EXPECT_EQ(entry.path, "/music/ABBA - Waterloo.mp3");
    EXPECT_EQ(entry.group, "ABBA");
    EXPECT_EQ(entry.title, "Waterloo");
    EXPECT_EQ(entry.length, 171);
    ASSERT_TRUE(playlist.NextEntry(entry));
    EXPECT_EQ(entry.path, dir.path().string() + "/relative/Plain Name.mp3");
    EXPECT_EQ(entry.group, "");
    EXPECT_EQ(entry.title, "Plain Name");
    EXPECT_EQ(entry.length, 0);
    ASSERT_TRUE(playlist.NextEntry(entry));
    EXPECT_EQ(entry.title, "y"); // a Title line of another entry does not name this one
    EXPECT_FALSE(playlist.NextEntry(entry));
}

TEST(PlsPlaylist, RefusesFilesThatAreNotVersionTwoPlaylists) {
    test::TempDir dir;
    PlsPlaylist playlist;
    EXPECT_FALSE(playlist.Open(
        dir.write("zero.pls", "[playlist]\nNumberOfEntries=0\nVersion=2\n").string()));
    EXPECT_FALSE(
        playlist.Open(dir.write("v1.pls", "[playlist]\nFile1=a\nNumberOfEntries=1\n").string()));
    EXPECT_FALSE(playlist.Open(
        dir.write("head.pls", "[list]\nFile1=a\nNumberOfEntries=1\nVersion=2\n").string()));
    EXPECT_FALSE(playlist.Open(dir.write("empty.pls", "").string()));
    EXPECT_FALSE(playlist.Open(dir.file("missing.pls").string()));
    // The footer must stand in the last 100 bytes.
    EXPECT_FALSE(playlist.Open(
        dir.write("far.pls", "[playlist]\nNumberOfEntries=1\nVersion=2\n" + std::string(120, '\n'))
            .string()));
    EXPECT_TRUE(playlist.Open(
        dir.write("ok.pls", "[PlayList]\nFile1=a\nNumberOfEntries=1\nVersion=2").string()));
}

TEST(PlsImport, StopsAtTheFirstEntryAlreadyCatalogued) {
    test::TempCatalogue catalogue;
    QuietSink sink;
    FixedClock clock(0);
    const std::string list = "[playlist]\nFile1=/m/One.mp3\nFile2=/m/Two.mp3\nFile3=/m/Three.mp3\n"
                             "NumberOfEntries=3\nVersion=2\n";
    auto openList = [&](const std::string& name, const std::string& text) {
        auto playlist = std::make_unique<PlsPlaylist>();
        EXPECT_TRUE(playlist->Open(catalogue.dir().write(name, text).string()));
        return playlist;
    };
    // Entry 2 is in the catalogue already.
    auto first = std::make_shared<PlsImportOperation>(
        sink, catalogue.connection,
        openList("two.pls", "[playlist]\nFile1=/m/Two.mp3\nNumberOfEntries=1\nVersion=2\n"), clock);
    first->Start();
    first->WaitFinished(10000);
    auto second = std::make_shared<PlsImportOperation>(sink, catalogue.connection,
                                                       openList("all.pls", list), clock);
    second->Start();
    second->WaitFinished(10000);
    EXPECT_EQ(second->ItemsAdded(), 1);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), "2");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE sName='Three'"), "0");
    EXPECT_EQ(catalogue.scalar("SELECT lGenreID FROM tblMedia WHERE sName='One'"), "255");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional"), "0");
}

TEST(PlsPlaylist, AHundredThousandEntriesAreReadOneByOne) {
    test::TempDir dir;
    std::string text = "[playlist]\n";
    for (int i = 1; i <= 100000; ++i)
        text += "File" + std::to_string(i) + "=/music/" + std::to_string(i) + ".mp3\nTitle" +
                std::to_string(i) + "=G - T" + std::to_string(i) + "\nLength" + std::to_string(i) +
                "=" + std::to_string(i % 600) + "\n";
    text += "NumberOfEntries=100000\nVersion=2\n";
    PlsPlaylist playlist;
    ASSERT_TRUE(playlist.Open(dir.write("big.pls", text).string()));
    PlsEntry entry;
    int entries = 0;
    PlsEntry last;
    while (playlist.NextEntry(entry)) {
        ++entries;
        last = entry;
    }
    EXPECT_EQ(entries, 100000);
    EXPECT_EQ(last.title, "T100000");
    EXPECT_EQ(last.length, 100000 % 600);
}

TEST(VolumeLabels, RemovableAndOpticalVolumesAreNamedByTheirLabel) {
    test::TempDir root;
    const std::string sys = (root.path() / "sys").string();
    const std::string byLabel = (root.path() / "by-label").string();
    fs::create_directories(sys + "/sdb");
    fs::create_directories(sys + "/sda");
    fs::create_directories(byLabel);
    root.write("sys/sdb/removable", "1\n");
    root.write("sys/sda/removable", "0\n");
    root.write("dev/sdb", "");
    root.write("dev/sda", "");
    root.write("dev/sr0", "");
    fs::create_symlink(root.path() / "dev/sdb", fs::path(byLabel) / "MY\\x20STICK");
    fs::create_symlink(root.path() / "dev/sr0", fs::path(byLabel) / "AUDIO_CD");
    fs::create_symlink(root.path() / "dev/sda", fs::path(byLabel) / "FIXED");
    // Mount points that exist nowhere on this machine keep the paths as given.
    const auto mountInfo =
        root.write("mountinfo", "1 0 8:1 / / rw - ext4 /dev/vda rw\n"
                                "2 1 8:16 / /media/stick rw shared:1 - vfat " +
                                    root.path().string() +
                                    "/dev/sdb rw\n"
                                    "3 1 11:0 / /media/cd\\040rom ro - iso9660 " +
                                    root.path().string() +
                                    "/dev/sr0 ro\n"
                                    "4 1 8:0 / /data rw - ext4 " +
                                    root.path().string() + "/dev/sda rw\n");
    VolumeLabels labels({mountInfo.string(), sys, byLabel});
    EXPECT_EQ(labels.LabelFor("/media/stick/music/a.mp3"), "MY STICK");
    EXPECT_EQ(labels.LabelFor("/media/cd rom/track01.mp3"), "AUDIO_CD");
    EXPECT_EQ(labels.LabelFor("/data/music/a.mp3"), "");
    EXPECT_EQ(labels.LabelFor("/home/me/a.mp3"), "");
    EXPECT_EQ(labels.LabelFor("/media/sticky/a.mp3"), "");
}

} // namespace
} // namespace tunebay
