#include "app/app_settings.h"
#include "core/output/export_fixture.h"
#include "output/player_launch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::Crlf;
using test::ExportShelf;

TEST(PlayerCommand, SplitsProgramAndArgumentsAndPutsThePathInAfterwards) {
    struct Case {
        const char* commandLine;
        std::vector<std::string> expected; // program, then arguments
        bool addFlag;
    } cases[] = {
        {R"(  "/opt/My Player/player" -q "%1"  )",
         {"/opt/My Player/player", "-q", "/m/a b\"c.m3u"},
         false},
        {R"(vlc --one %1)", {"vlc", "--one", "/m/a b\"c.m3u"}, false},
        {R"("audacious" --enqueue "%1")", {"audacious", "--enqueue", "/m/a b\"c.m3u"}, true},
        {R"("player" /ADD "%1")", {"player", "/ADD", "/m/a b\"c.m3u"}, true},
        // Only whole arguments count as the add flag.
        {R"("/home/u/addons/player" --address "x/add" "%1")",
         {"/home/u/addons/player", "--address", "x/add", "/m/a b\"c.m3u"},
         false},
        {R"(player --file=%1 ; rm -rf ~)",
         {"player", "--file=/m/a b\"c.m3u", ";", "rm", "-rf", "~"},
         false},
    };
    CAppSettings settings;
    settings.Player = 2;
    for (const Case& c : cases) {
        settings.CustomPlayer = c.commandLine;
        const PlayerInvocation invocation = MakePlayerInvocation(settings, "/m/a b\"c.m3u");
        std::vector<std::string> got{invocation.program};
        got.insert(got.end(), invocation.arguments.begin(), invocation.arguments.end());
        EXPECT_EQ(got, c.expected) << c.commandLine;
        EXPECT_EQ(invocation.addFlag, c.addFlag) << c.commandLine;
        EXPECT_TRUE(invocation.custom);
    }
}

TEST(PlayerCommand, TheStandardPlayerIsTheDesktopsOpenAction) {
    CAppSettings settings;
    settings.Player = 1;
    settings.CustomPlayer = "\"vlc\" \"%1\"";
    const PlayerInvocation invocation = MakePlayerInvocation(settings, "/m/a.mp3");
    EXPECT_EQ(invocation.program, "xdg-open");
    EXPECT_EQ(invocation.arguments, std::vector<std::string>{"/m/a.mp3"});
    EXPECT_FALSE(invocation.custom);
}

TEST(PlayerSingleFile, ReadsTheLinkTypesPathAndNamesTheVolumeOfAMissingFile) {
    ExportShelf shelf;
    const auto added =
        shelf.add({.title = "Gone", .directory = "/media/cd/", .fileName = "gone.mp3"});
    shelf.catalogue.connection.Execute("UPDATE tblDirectory SET sUNC='//media/cd/'");
    Selection selection;
    const int id = added.itemId;
    ASSERT_EQ(ItemIdSelection(std::span(&id, 1), 0, selection), SelectionStatus::Ok);

    const auto local = ReadSingleFile(shelf.catalogue.connection, selection, 1);
    ASSERT_TRUE(local);
    EXPECT_EQ(local->path, "/media/cd/gone.mp3");
    EXPECT_EQ(local->mediaId, added.mediaId);
    EXPECT_EQ(ReadSingleFile(shelf.catalogue.connection, selection, 2)->path,
              "//media/cd/gone.mp3");

    EXPECT_EQ(MissingFileMessage(shelf.catalogue.connection, *local, 1), "Media file not found!");
    shelf.catalogue.connection.Execute(
        "INSERT INTO tblOptional (lOptionalTypeID, lTableID, sValue) VALUES (4117, " +
        std::to_string(added.mediaId) + ", 'SUMMER 03')");
    EXPECT_EQ(MissingFileMessage(shelf.catalogue.connection, *local, 1),
              "Media file not found! Insert disk with VolumeName 'SUMMER 03'");
    // A web address cannot be looked at, and a file that is there is handed over.
    EXPECT_EQ(MissingFileMessage(shelf.catalogue.connection, *local, 3), "");
    const PlayTarget present{shelf.out.write("here.mp3", "x").string(), false, added.mediaId};
    EXPECT_EQ(MissingFileMessage(shelf.catalogue.connection, present, 1), "");

    shelf.catalogue.connection.Execute("DELETE FROM tblItem");
    EXPECT_FALSE(ReadSingleFile(shelf.catalogue.connection, selection, 1));
}

TEST(PlayerPlaylist, GoesToTheRuntimeFolderElseAPrivateFolderOfOurOwn) {
    test::TempDir dirs;
    const fs::path runtime = dirs.file("runtime");
    fs::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    std::string error;
    EXPECT_EQ(PlayerPlaylistPath(runtime.c_str(), dirs.path().c_str(), error),
              (runtime / "Tunebay.m3u").string());

    // A runtime folder others may enter, or none at all: our own folder in the temporary one.
    ::chmod(runtime.c_str(), 0755);
    const fs::path own = dirs.file("tunebay-" + std::to_string(::geteuid()));
    for (const char* runtimeDir :
         {runtime.c_str(), static_cast<const char*>(nullptr), "relative"}) {
        EXPECT_EQ(PlayerPlaylistPath(runtimeDir, dirs.path().c_str(), error),
                  (own / "Tunebay.m3u").string());
        struct stat info {};
        ASSERT_EQ(::lstat(own.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }

    // A link or an open folder standing in its place is refused, not used.
    fs::remove(own);
    fs::create_directory_symlink(runtime, own);
    EXPECT_EQ(PlayerPlaylistPath(nullptr, dirs.path().c_str(), error), "");
    EXPECT_NE(error, "");
    fs::remove(own);
    fs::create_directory(own);
    ::chmod(own.c_str(), 0777);
    EXPECT_EQ(PlayerPlaylistPath(nullptr, dirs.path().c_str(), error), "");
}

TEST(PlayerPlaylist, IsWrittenByTheM3uExporterInListOrderAndNeverThroughALink) {
    ExportShelf shelf;
    shelf.add({.title = "B", .group = "G", .directory = "/m/", .fileName = "b.mp3", .length = 2});
    shelf.add({.title = "A", .group = "G", .directory = "/m/", .fileName = "a.mp3", .length = 1});
    const Selection selection = ScopeSelection(ExplorerScope{}, 7);
    const std::string expected = Crlf("#EXTM3U\n#EXTINF:1,G - A\n/m/a.mp3\n"
                                      "#EXTINF:2,G - B\n/m/b.mp3\n\n#Created with Tunebay!");

    const fs::path victim = shelf.out.write("victim.txt", "keep me");
    const fs::path path = shelf.out.file("Tunebay.m3u");
    fs::create_symlink(victim, path);
    ASSERT_TRUE(WritePlayerPlaylist(shelf.catalogue.connection, selection, 1, path));
    EXPECT_EQ(test::readFile(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(shelf.read("Tunebay.m3u"), expected);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_EQ(
        RenderPlayerPlaylist(shelf.catalogue.connection, selection, 1, shelf.out.path().c_str()),
        expected);
    EXPECT_FALSE(WritePlayerPlaylist(shelf.catalogue.connection, selection, 1,
                                     (shelf.out.path() / "missing" / "Tunebay.m3u").string()));
}

TEST(PlayerUri, EncodesEveryByteOfALocalPathAndKeepsAWebAddress) {
    EXPECT_EQ(PlayerUri("/m/A b%#\xE9.mp3", 1), "file:///m/A%20b%25%23%E9.mp3");
    EXPECT_EQ(PlayerUri("//srv/m/a.mp3", 2), "file:///srv/m/a.mp3");
    EXPECT_EQ(PlayerUri("http://host/a b.mp3", 3), "http://host/a b.mp3");
}

} // namespace
} // namespace tunebay
