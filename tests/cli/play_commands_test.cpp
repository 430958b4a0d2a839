#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
namespace fs = std::filesystem;

// Two real files in a closed catalogue (the second stored under a volume label), and a private
// runtime folder for the playlist.
struct PlayShelf {
    test::TempCatalogue catalogue;
    test::TempDir files;
    test::TempDir runtime;
    std::string path;
    std::vector<int> ids;

    PlayShelf() : path(catalogue.path().string()) {
        ::chmod(runtime.path().c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        test::CatalogueBuilder builder(catalogue.connection);
        for (const std::string name : {"a song.mp3", "b.mp3"}) {
            std::ofstream(files.file(name)) << name;
            const auto added = builder.add({.title = name,
                                            .group = "Duo",
                                            .directory = files.path().string() + "/",
                                            .fileName = name,
                                            .length = 61});
            ids.push_back(added.itemId);
            if (name == "b.mp3")
                catalogue.connection.Execute("INSERT INTO tblOptional (lOptionalTypeID, lTableID, "
                                             "sValue) VALUES (4117, " +
                                             std::to_string(added.mediaId) + ", 'DISC 7')");
        }
        catalogue.connection.Open("");
    }
    std::string playlist() const { return runtime.file("Tunebay.m3u").string(); }
};

std::vector<std::string> customPlayer(const std::string& commandLine) {
    return {"--set", "Player=2", "--set", "CustomPlayer=" + commandLine};
}

CliResult play(const CliRunner& cli, const std::vector<std::string>& settings,
               std::vector<std::string> rest) {
    std::vector<std::string> arguments = settings;
    arguments.push_back("play");
    arguments.insert(arguments.end(), rest.begin(), rest.end());
    return cli.run(arguments);
}

TEST(PlayCommand, DryRunPrintsTheCommandAndThePlaylistWithoutWritingIt) {
    PlayShelf shelf;
    CliRunner cli;
    const CliResult result =
        play(cli, customPlayer(R"("/bin/echo" --enqueue "%1")"), {shelf.path, "--dry-run"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string dir = shelf.files.path().string();
    const std::string bytes = "#EXTM3U\r\n#EXTINF:61,Duo - a song.mp3\r\n" + dir +
                              "/a song.mp3\r\n#EXTINF:61,Duo - b.mp3\r\n" + dir +
                              "/b.mp3\r\n\r\n#Created with Tunebay!";
    EXPECT_EQ(result.out, "/bin/echo\n--enqueue\n" + shelf.playlist() +
                              "\nPlaylist: " + shelf.playlist() + " (" +
                              std::to_string(bytes.size()) + " bytes)\n" + bytes + "\n");
    EXPECT_FALSE(fs::exists(shelf.playlist()));
}

TEST(PlayCommand, DryRunMakesNoFolderForThePlaylist) {
    PlayShelf shelf;
    const test::TempDir temp;
    CliRunner cli;
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_RUNTIME_DIR"); // the playlist would go to a folder of its own in TMPDIR
    setenv("TMPDIR", temp.path().c_str(), 1);
    const CliResult result =
        play(cli, customPlayer(R"("/bin/echo" "%1")"), {shelf.path, "--dry-run"});
    unsetenv("TMPDIR");
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(temp.path().string() + "/tunebay-"), std::string::npos) << result.out;
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST(PlayCommand, OneItemIsHandedOverDirectlyAndAMissingOneNamesItsVolume) {
    PlayShelf shelf;
    CliRunner cli;
    const auto player = customPlayer(R"("/bin/echo" -q "%1")");
    CliResult result =
        play(cli, player, {shelf.path, "--items", std::to_string(shelf.ids[0]), "--dry-run"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "/bin/echo\n-q\n" + shelf.files.file("a song.mp3").string() + "\n");

    fs::remove(shelf.files.file("b.mp3"));
    result = play(cli, player, {shelf.path, "--items", std::to_string(shelf.ids[1])});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Media file not found! Insert disk with VolumeName 'DISC 7'\n");
}

TEST(PlayCommand, AMissingPlayerIsReported) {
    PlayShelf shelf;
    CliRunner cli;
    for (const bool dryRun : {true, false}) {
        std::vector<std::string> rest{shelf.path};
        if (dryRun)
            rest.push_back("--dry-run");
        const CliResult result = play(cli, customPlayer(R"("/nonexistent/player" "%1")"), rest);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "Specified Player couldn't be found!\n");
    }
}

TEST(PlayCommand, StartsThePlayerWithThePlaylistAndDoesNotWaitForIt) {
    PlayShelf shelf;
    CliRunner cli;
    // The player notes its arguments and what the playlist held once it is let go, which
    // happens only after the command has ended: the command never waits for it.
    const fs::path seen = shelf.files.file("seen.txt");
    const fs::path go = shelf.files.file("go");
    const fs::path player = shelf.files.write(
        "player.sh", "#!/bin/sh\nwhile [ ! -e \"" + go.string() +
                         "\" ]; do sleep 0.05; done\nprintf '%s\\n' \"$@\" > \"" + seen.string() +
                         ".part\"\ncat \"$2\" >> \"" + seen.string() + ".part\"\nmv \"" +
                         seen.string() + ".part\" \"" + seen.string() + "\"\n");
    fs::permissions(player, fs::perms::owner_all);
    const CliResult result =
        play(cli, customPlayer("\"" + player.string() + "\" --x \"%1\""), {shelf.path});
    ASSERT_EQ(result.status, 0) << result.err;
    shelf.files.write("go", "");
    for (int i = 0; i < 200 && !fs::exists(seen); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string text = test::readFile(seen);
    EXPECT_EQ(text.substr(0, text.find("#EXTM3U")), "--x\n" + shelf.playlist() + "\n");
    EXPECT_NE(text.find("/b.mp3\r\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(shelf.playlist().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

} // namespace
} // namespace tunebay
