#include "support/cli_runner.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

using test::CliRunner;

TEST(CliCatalogue, NewThenInfoShowsAnEmptyCatalogue) {
    CliRunner cli;
    const std::string path = cli.dir().file("music.tbf").string();
    EXPECT_EQ(cli.run({"new", path}).status, 0);
    const auto info = cli.run({"info", path});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, "DBVersion\t1,0\nItems\t0\ntblMedia\t0\ntblItem\t0\ntblGroup\t0\n"
                        "tblPackage\t0\ntblFolder\t0\ntblGenre\t127\ntblDirectory\t0\n"
                        "tblOptional\t0\ntblOptionalType\t9\ntblDBInfo\t1\n");
}

TEST(CliCatalogue, NewRefusesToReplaceAFileWithoutForce) {
    CliRunner cli;
    const auto path = cli.dir().write("old.tbf", "precious").string();
    const auto refused = cli.run({"new", path});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(test::readFile(path), "precious");
    EXPECT_EQ(cli.run({"new", "--force", path}).status, 0);
    EXPECT_EQ(cli.run({"info", path}).status, 0);
    // An empty file is no loss.
    EXPECT_EQ(cli.run({"new", cli.dir().write("empty.tbf", "").string()}).status, 0);
}

TEST(CliCatalogue, CataloguesThatDoNotOpenGiveTheWindowsMessagesAndStatusThree) {
    CliRunner cli;
    const auto missing = cli.run({"info", cli.dir().file("missing.tbf").string()});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.err, "TBF file does not exist or is not accessible! (" +
                               cli.dir().file("missing.tbf").string() +
                               ": No such file or directory)\n");
    const auto text = cli.run({"info", cli.dir().write("t.tbf", "text").string()});
    EXPECT_EQ(text.status, 3);
    EXPECT_EQ(text.err, "Database file not available, faulty or read-only! (" +
                            cli.dir().file("t.tbf").string() + ": file is not a database)\n");
}

// A program that has the catalogue open may lose its file locks without knowing (any other
// descriptor of the file closed in its process drops them, a file dialog looking into the file
// is enough); a command that reads the catalogue meanwhile must not take the log and its shared
// memory away from it when it ends.
TEST(CliCatalogue, ACommandLeavesTheLogToAProgramStillWorking) {
    CliRunner cli;
    const std::string path = cli.dir().file("shared.tbf").string();
    ASSERT_EQ(cli.run({"new", path}).status, 0);
    CCatalogueConnection window;
    ASSERT_EQ(window.Open(CatalogueConnectionString(path)), 0);
    window.EnableConcurrentAccess();
    window.Execute("INSERT INTO tblGroup (sName) VALUES ('first')");
    std::ifstream(path).get(); // opened and closed: this process's file locks are gone

    for (const char* command : {"info", "list"})
        EXPECT_EQ(cli.run({command, path}).status, 0) << command;
    EXPECT_TRUE(std::filesystem::exists(path + "-wal"));
    EXPECT_TRUE(std::filesystem::exists(path + "-shm"));
    window.Execute("INSERT INTO tblGroup (sName) VALUES ('second')");
    EXPECT_EQ(window.Execute("SELECT COUNT(*) FROM tblGroup").GetInt(0), 2);
    EXPECT_NE(cli.run({"sql", path, "SELECT sName FROM tblGroup"}).out.find("second"),
              std::string::npos);

    // The last one out leaves the file whole, without companions.
    window.Open("");
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(path + "-shm"));
}

TEST(CliCatalogue, AnythingButARegularFileIsRefused) {
    CliRunner cli;
    const std::string fifo = cli.dir().file("pipe.tbf").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto result = cli.run({"info", fifo});
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
}

// new makes the file as any new file of the user's (their creation mask), and replaces only a
// regular file: never a device, a pipe or a loop of links.
TEST(CliCatalogue, NewHonoursTheMaskAndReplacesOnlyFiles) {
    CliRunner cli;
    for (const mode_t mask : {mode_t{077}, mode_t{002}}) {
        const std::string path = cli.dir().file("masked" + std::to_string(mask) + ".tbf").string();
        const mode_t previous = ::umask(mask);
        const int status = cli.run({"new", path}).status;
        ::umask(previous);
        ASSERT_EQ(status, 0);
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << std::oct << mask;
    }
    const std::string fifo = cli.dir().file("pipe.tbf").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto loopA = cli.dir().file("a.tbf"), loopB = cli.dir().file("b.tbf");
    std::filesystem::create_symlink(loopB, loopA);
    std::filesystem::create_symlink(loopA, loopB);
    for (const std::string& target : {fifo, loopA.string(), std::string("/dev/null")}) {
        const auto result = cli.run({"new", "--force", target});
        EXPECT_NE(result.status, 0) << target;
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(loopA));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(CliCatalogue, SqlRunsOneStatementInTheCatalogueDialect) {
    CliRunner cli;
    const std::string path = cli.dir().file("s.tbf").string();
    ASSERT_EQ(cli.run({"new", path}).status, 0);
    EXPECT_EQ(cli.run({"sql", path, "INSERT INTO tblGroup (sName) VALUES ('O''Neil')"}).status, 0);
    EXPECT_EQ(cli.run({"sql", path, "INSERT INTO tblGroup (sName, lID) VALUES (NULL, 9)"}).status,
              0);
    const auto rows = cli.run({"sql", path, "SELECT lID, sName FROM tblGroup ORDER BY lID"});
    EXPECT_EQ(rows.out, "1\tO'Neil\n9\t\n");
    EXPECT_EQ(cli.run({"sql", path, "DELETE * FROM tblGroup WHERE lID=9"}).status, 0);
    const auto twice = cli.run({"sql", path, "DELETE FROM tblGroup; DELETE FROM tblGenre"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.err.find("one statement"), std::string::npos);
    EXPECT_EQ(cli.run({"sql", path, "SELECT COUNT(*) FROM tblGroup"}).out, "1\n");
    EXPECT_EQ(cli.run({"sql", path, "SELECT nothing FROM nowhere"}).status, 1);
}

TEST(CliCatalogue, UsageErrorsGiveStatusTwo) {
    CliRunner cli;
    EXPECT_EQ(cli.run({}).status, 2);
    EXPECT_EQ(cli.run({"info"}).status, 2);
    EXPECT_EQ(cli.run({"no-such-command"}).status, 2);
    EXPECT_EQ(cli.run({"--set", "ItemOrder=abc", "info", "x"}).status, 2);
    EXPECT_EQ(cli.run({"--help"}).status, 0);
}

TEST(CliCatalogue, SettingsAreReadButNeverWritten) {
    CliRunner cli;
    const std::string before = test::readFile(cli.configFile());
    const std::string path = cli.dir().file("c.tbf").string();
    cli.run({"new", path});
    cli.run({"--set", "HTMLTitle=Other", "info", path});
    EXPECT_EQ(test::readFile(cli.configFile()), before);
}

} // namespace
} // namespace tunebay
