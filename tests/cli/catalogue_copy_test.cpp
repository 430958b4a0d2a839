// copy-catalogue between files and server databases: a catalogue that travels file -> server ->
// server -> file reads back value for value, read with SQLite's own interface.
#include "support/cli_runner.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::CliRunner;

std::string mp3(const std::string& title, const std::string& artist, const std::string& album) {
    test::Mp3Recipe recipe;
    recipe.id3v2 = test::id3v2TagFromFields(3, {title, artist, album, "1999", "", "(17)", ""});
    return test::makeMp3(recipe);
}

// Every table of a catalogue file (the engine's counters included; the journal and the engine's
// planner statistics left out), each
// as its rows sorted: a row is its values, each with its storage class and its exact bytes.
std::map<std::string, std::vector<std::string>> contentOf(const std::string& path) {
    std::map<std::string, std::vector<std::string>> tables;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::vector<std::string> names;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT name FROM sqlite_master WHERE type='table' AND name<>'tblJournal' AND "
        "name NOT LIKE 'sqlite_stat%'",
        -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    for (const std::string& name : names) {
        std::vector<std::string>& rows = tables[name];
        sqlite3_prepare_v2(db, ("SELECT * FROM " + name).c_str(), -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const int type = sqlite3_column_type(statement, column);
                row += std::to_string(type) + ":";
                if (type != SQLITE_NULL)
                    row.append(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                               sqlite3_column_bytes(statement, column));
                row += '\x1f';
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        std::sort(rows.begin(), rows.end());
    }
    sqlite3_close(db);
    return tables;
}

TEST(CopyCatalogueCommand, FileToServerToServerToFileKeepsEveryValue) {
    std::string why;
    test::PrivateServer* server = test::PrivateServer::Get(why);
    if (!server)
        GTEST_SKIP() << why;
    CliRunner cli;
    const std::string original = cli.dir().file("original.tbf").string();
    ASSERT_EQ(cli.run({"new", original}).status, 0);
    cli.dir().write("music/a/one.mp3", mp3("One", "Alpha", "First"));
    cli.dir().write("music/a/caf\xE9.mp3", mp3("Caf\xC3\xA9", "alpha", "First"));
    cli.dir().write("music/b/two.mp3", mp3("Two", "Beta", "Second"));
    cli.dir().write("music/b/three.mp3", mp3("Three", "Beta", "Second"));
    ASSERT_EQ(cli.run({"import", original, cli.dir().file("music").string()}).status, 0);
    // A deleted item leaves its ids used; the empty text differs from NULL; a directory's
    // network and web forms are the user's own.
    ASSERT_EQ(cli.run({"delete", original, "--items", "4", "--yes"}).status, 0);
    ASSERT_EQ(cli.run({"sql", original, "UPDATE tblMedia SET sComment='' WHERE lID=1"}).status, 0);
    ASSERT_EQ(cli.run({"directories", original, "--set", "1", "unc", "//nas/music/a/"}).status, 0);
    // Old catalogues may name one folder in two directory rows; a server takes both, ids and all.
    ASSERT_EQ(cli.run({"sql", original,
                       "INSERT INTO tblDirectory (sLocal, sUNC, sURL) SELECT sLocal, sUNC, sURL "
                       "FROM tblDirectory WHERE lID=1"})
                  .status,
              0);
    ASSERT_EQ(cli.run({"sql", original,
                       "UPDATE tblMedia SET lDirectoryID=(SELECT MAX(lID) FROM tblDirectory) "
                       "WHERE lID=2"})
                  .status,
              0);

    const std::string first = server->NewDatabase();
    const std::string second = server->NewDatabase();
    const std::string back = cli.dir().file("back.tbf").string();
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {original, first}, {first, second}, {second, back}}) {
        const auto copied = cli.run({"copy-catalogue", from, to});
        ASSERT_EQ(copied.status, 0) << copied.err;
        EXPECT_EQ(copied.err, ""); // progress only on a terminal
    }
    EXPECT_EQ(contentOf(back), contentOf(original));
    // The server still lets no new row repeat a folder.
    EXPECT_EQ(cli.run({"sql", second,
                       "INSERT INTO tblDirectory (sLocal) SELECT sLocal FROM tblDirectory WHERE "
                       "lID=1"})
                  .status,
              1);
    EXPECT_EQ(cli.run({"list", second}).out, cli.run({"list", original}).out);
    EXPECT_EQ(cli.run({"info", back}).out, cli.run({"info", original}).out);

    // The copy goes on counting where the original stands.
    for (const std::string& catalogue : {original, second, back})
        ASSERT_EQ(cli.run({"sql", catalogue, "INSERT INTO tblGroup (sName) VALUES ('New')"}).status,
                  0);
    const std::string newest = "SELECT lID FROM tblGroup WHERE sName='New'";
    EXPECT_EQ(cli.run({"sql", second, newest}).out, cli.run({"sql", original, newest}).out);
    EXPECT_EQ(cli.run({"sql", back, newest}).out, cli.run({"sql", original, newest}).out);
}

TEST(CopyCatalogueCommand, ATargetWithItemsIsReplacedOnlyWithForce) {
    std::string why;
    test::PrivateServer* server = test::PrivateServer::Get(why);
    if (!server)
        GTEST_SKIP() << why;
    CliRunner cli;
    const std::string full = cli.dir().file("full.tbf").string();
    const std::string empty = cli.dir().file("empty.tbf").string();
    const std::string fresh = cli.dir().file("fresh.tbf").string();
    for (const std::string& made : {full, empty, fresh})
        ASSERT_EQ(cli.run({"new", made}).status, 0);
    cli.dir().write("music/one.mp3", mp3("One", "Alpha", "First"));
    ASSERT_EQ(cli.run({"import", full, cli.dir().file("music").string()}).status, 0);
    const std::string uri = server->NewDatabase();
    const std::string text = cli.dir().write("notes.txt", "not a catalogue").string();

    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message; // part of the error output
    };
    const std::vector<Case> cases = {
        {{"copy-catalogue", full, uri}, 0, ""},   // an empty database
        {{"copy-catalogue", full, empty}, 0, ""}, // a catalogue without items
        {{"copy-catalogue", full, uri}, 1, "--force"},
        {{"copy-catalogue", fresh, full}, 1, "already holds a catalogue with items"},
        {{"copy-catalogue", full, text}, 1, "is not a catalogue"},
        {{"copy-catalogue", full, full}, 1, "the same catalogue"},
        {{"copy-catalogue", cli.dir().file("nope.tbf").string(), empty}, 3, "nope.tbf"},
        {{"copy-catalogue", fresh, uri, "--force"}, 0, ""},
    };
    for (const Case& c : cases) {
        const auto result = cli.run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments[1] << " " << c.arguments[2] << "\n"
                                           << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(test::readFile(text), "not a catalogue");
    EXPECT_NE(cli.run({"info", uri}).out.find("Items\t0\n"), std::string::npos);
    EXPECT_NE(cli.run({"info", full}).out.find("Items\t1\n"), std::string::npos);
    EXPECT_NE(cli.run({"info", empty}).out.find("Items\t1\n"), std::string::npos);
}

} // namespace
} // namespace tunebay
