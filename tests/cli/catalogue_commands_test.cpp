#include "support/cli_runner.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

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
                        "tblOptional\t0\ntblOptionalType\t7\ntblDBInfo\t1\n");
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
