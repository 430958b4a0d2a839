#include "support/cli_runner.h"
#include "support/mp3_fixture.h"
#include "support/two_machines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

using test::CliRunner;

std::string mp3(const std::string& title, const std::string& artist) {
    test::Mp3Recipe recipe;
    recipe.id3v2 = test::id3v2TagFromFields(3, {title, artist, "Album", "2001", "", "(13)", ""});
    return test::makeMp3(recipe);
}

class CliImport : public ::testing::Test {
protected:
    CliImport() : catalogue(cli.dir().file("c.tbf").string()) { cli.run({"new", catalogue}); }
    std::string sql(const std::string& statement) {
        return cli.run({"sql", catalogue, statement}).out;
    }

    CliRunner cli;
    std::string catalogue;
};

TEST_F(CliImport, FoldersAndFilesAreImportedAndDuplicatesReported) {
    cli.dir().write("music/a.mp3", mp3("A", "Band"));
    cli.dir().write("music/sub/b.mp3", mp3("B", "Band"));
    const auto single = cli.dir().write("single/c.mp3", mp3("C", "Solo")).string();
    const auto first = cli.run({"import", catalogue, cli.dir().file("music").string(), single});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblItem"), "3\n");
    EXPECT_EQ(first.err.rfind("Imported 3 files, 0 failed, 0 already catalogued in ", 0), 0u)
        << first.err;
    // Files that are catalogued already are no failure; --verbose names them.
    const auto again = cli.run({"import", catalogue, cli.dir().file("music").string(), single});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err.rfind("Imported 0 files, 0 failed, 3 already catalogued in ", 0), 0u)
        << again.err;
    EXPECT_EQ(again.err.find('\n'), again.err.size() - 1) << "one line";
    const auto verbose = cli.run({"import", catalogue, single, "--verbose"});
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.err.rfind(single + ": already catalogued\n", 0), 0u);
}

TEST_F(CliImport, FlagsOverrideTheImportSettingsForOneRun) {
    cli.dir().write("music/a.mp3", mp3("A", "Band"));
    cli.dir().write("music/sub/b.mp3", mp3("B", "Band"));
    cli.dir().write("music/notes.txt", "text");
    EXPECT_EQ(
        cli.run({"import", catalogue, cli.dir().file("music").string(), "--no-recurse"}).status, 0);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblItem"), "1\n");
    EXPECT_EQ(
        cli.run({"import", catalogue, cli.dir().file("music").string(), "--all-files"}).status, 0);
    EXPECT_EQ(sql("SELECT sName FROM tblMedia WHERE lMediaType=0"), "notes\n");
    EXPECT_EQ(cli.run({"import", catalogue, "x", "--recurse", "--no-recurse"}).status, 2);
}

TEST_F(CliImport, PlaylistsThatAreNotVersionTwoAreRefused) {
    const auto bad =
        cli.dir().write("bad.pls", "[playlist]\nFile1=/a.mp3\nNumberOfEntries=1\n").string();
    const auto refused = cli.run({"import-pls", catalogue, bad});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "No, corrupt or empty PLS file Version 2! (" + bad + ": not a PLS playlist)\n");
    const auto good = cli.dir()
                          .write("good.pls", "[playlist]\nFile1=/m/Band - Song.mp3\nLength1=200\n"
                                             "NumberOfEntries=1\nVersion=2\n")
                          .string();
    EXPECT_EQ(cli.run({"import-pls", catalogue, good}).status, 0);
    EXPECT_EQ(sql("SELECT sName, lLength FROM tblMedia"), "Song\t200\n");
}

TEST_F(CliImport, ShowListsTheRecordAndUpdateRereadsTheFile) {
    const auto path = cli.dir().write("music/a.mp3", mp3("Before", "Band")).string();
    ASSERT_EQ(cli.run({"import", catalogue, path}).status, 0);
    const auto shown = cli.run({"show", catalogue, "1"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("tblMedia.sName\tBefore\n"), std::string::npos);
    EXPECT_NE(shown.out.find("tblGroup.sName\tBand\n"), std::string::npos);
    EXPECT_NE(shown.out.find("tblDirectory.sLocal\t" + cli.dir().file("music").string() + "/\n"),
              std::string::npos);
    EXPECT_NE(shown.out.find("4103\t128\n"), std::string::npos);
    EXPECT_NE(shown.out.find("4098\tStereo\n"), std::string::npos);
    cli.dir().write("music/a.mp3", mp3("After", "Other Band"));
    EXPECT_EQ(cli.run({"update", catalogue, "--items", "1"}).status, 0);
    EXPECT_EQ(sql("SELECT tblMedia.sName, tblGroup.sName FROM tblMedia, tblItem, tblGroup WHERE "
                  "tblItem.lMediaID=tblMedia.lID AND tblItem.lGroupID=tblGroup.lID"),
              "After\tOther Band\n");
    EXPECT_EQ(cli.run({"show", catalogue, "99"}).status, 1);
}

// What machine A catalogued from its mount of a share, the commands of machine B find under
// B's own mount point.
TEST_F(CliImport, AnotherMachineFindsTheFilesUnderItsOwnMountOfTheShare) {
    test::TwoMachines machines;
    std::filesystem::create_directories(machines.Share() / "sub");
    std::ofstream(machines.Share() / "song.mp3", std::ios::binary) << mp3("Song", "Band");
    std::ofstream(machines.Share() / "sub/other.mp3", std::ios::binary) << mp3("Other", "Band");
    machines.Use('A');
    ASSERT_EQ(cli.run({"import", catalogue, machines.MountPoint('A')}).status, 0);
    const std::string items = sql("SELECT COUNT(*) FROM tblItem");
    ASSERT_EQ(items, "2\n");

    machines.Use('B');
    const std::string b = machines.MountPoint('B') + "/";
    const test::TempDir out;
    const std::vector<std::string> echoPlayer = {"--set", "Player=2", "--set",
                                                 "CustomPlayer=\"/bin/echo\" \"%1\""};
    const auto played = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), echoPlayer.begin(), echoPlayer.end());
        return arguments;
    };
    const struct {
        std::vector<std::string> command;
        int status;
        std::string shows; // in what the command writes
    } cases[] = {
        {{"import", catalogue, b}, 0, "Imported 0 files, 0 failed, 2 already catalogued"},
        {{"update", catalogue}, 0, " files, 0 failed in "},
        {{"details", catalogue, "1"}, 0, "Exists local\t\t yes"},
        {played({"play", catalogue, "--items", "1", "--dry-run"}), 0, "\n" + b + "song.mp3\n"},
        {played({"play", catalogue, "--dry-run"}), 0, "\n" + b + "sub/other.mp3\r\n"},
        {{"copy-files", catalogue, "--items", "1", "--to", out.path().string(), "--dry-run"},
         0,
         "copy " + b + "song.mp3 -> "},
        {{"tools", catalogue, "--items", "1", "--rename", "0", "--dry-run"},
         0,
         b + "song.mp3: rename to"},
        {{"cover", catalogue, "1"}, 1, "No cover (" + b + "song.mp3)"},
        {{"properties", catalogue, "1", "--comment", "shared", "--write-tag"}, 0, ""},
    };
    for (const auto& c : cases) {
        const test::CliResult result = cli.run(c.command);
        EXPECT_EQ(result.status, c.status) << c.command[0] << ": " << result.err;
        EXPECT_NE((result.out + result.err).find(c.shows), std::string::npos)
            << c.command[0] << ": " << result.out << result.err;
    }
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblItem"), items);

    // A rename renames the file where it is, and the catalogue follows.
    const test::CliResult renamed =
        cli.run({"tools", catalogue, "--items", "2", "--rename", "0", "--yes"});
    EXPECT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_TRUE(std::filesystem::exists(machines.Share() / "sub/Band - Other.mp3"));
    EXPECT_EQ(sql("SELECT sFileName FROM tblMedia WHERE lID=2"), "Band - Other.mp3\n");
}

} // namespace
} // namespace tunebay
