#include "player_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace tunebay {
namespace {

namespace fs = std::filesystem;

TEST(PlayerProcess, FindsProgramsByPathOrInPathAndReportsMissingOnes) {
    test::TempDir dir;
    const fs::path notExecutable = dir.write("plain", "x");
    const fs::path program = dir.write("myplayer", "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", ("/nonexistent::" + dir.path().string()).c_str(), 1);
    EXPECT_EQ(FindPlayerProgram("myplayer"), program.string());
    EXPECT_EQ(FindPlayerProgram("plain"), "");
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(FindPlayerProgram(program.string()), program.string());
    EXPECT_EQ(FindPlayerProgram(notExecutable.string()), "");
    EXPECT_EQ(FindPlayerProgram(dir.path().string()), "");
    EXPECT_EQ(FindPlayerProgram(""), "");

    PlayerInvocation missing;
    missing.program = (dir.path() / "nothing").string();
    EXPECT_EQ(StartPlayer(missing), PlayerStart::NotFound);
    missing.program = "no-such-player-program";
    EXPECT_EQ(StartPlayer(missing), PlayerStart::NotFound);
}

TEST(PlayerProcess, StartsDetachedAndPassesEveryArgumentByteForByte) {
    test::TempDir dir;
    const fs::path seen = dir.file("seen");
    const fs::path go = dir.file("go");
    // The player waits for the test's go: StartPlayer returning first shows it never waits.
    const fs::path player = dir.write(
        "player",
        "#!/bin/sh\nwhile [ ! -e \"" + go.string() +
            "\" ]; do sleep 0.05; done\nprintf '%s|' \"$@\" > \"$0.part\"\nmv \"$0.part\" \"" +
            seen.string() + "\"\n");
    fs::permissions(player, fs::perms::owner_all);
    PlayerInvocation invocation;
    invocation.program = player.string();
    invocation.arguments = {"a b", "$(touch x)", "\xE9t\xE9.mp3", ""};
    ASSERT_EQ(StartPlayer(invocation), PlayerStart::Started);
    dir.write("go", "");
    for (int i = 0; i < 200 && !fs::exists(seen); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(test::readFile(seen), "a b|$(touch x)|\xE9t\xE9.mp3||");
    EXPECT_FALSE(fs::exists(dir.file("x")));
}

} // namespace
} // namespace tunebay
