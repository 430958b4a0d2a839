// The command line on a catalogue in a PostgreSQL database: every command of the table gives
// the same output and exit status as on a catalogue file holding the same imports.
#include "support/cli_runner.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"

#include <gtest/gtest.h>

#include <regex>

#include <algorithm>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::CliRunner;

std::string mp3(const std::string& title, const std::string& artist, const std::string& album) {
    test::Mp3Recipe recipe;
    recipe.id3v2 = test::id3v2TagFromFields(3, {title, artist, album, "2001", "", "(13)", ""});
    return test::makeMp3(recipe);
}

// The output without the import time of `show`, which is the moment of each run's import.
// The import's summary line ends with the time the run took, which differs from run to run.
std::string withoutElapsedTime(const std::string& text) {
    return std::regex_replace(text, std::regex(" in [0-9.,]+ s\\."), " in - s.");
}

std::string withoutImportTime(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(pos, 21, "tblMedia.sImportTime\t") != 0)
            out.append(text, pos, end - pos);
        pos = end;
    }
    return out;
}

TEST(CliServerCatalogue, CommandsAnswerAsOnACatalogueFile) {
    std::string why;
    test::PrivateServer* server = test::PrivateServer::Get(why);
    if (!server)
        GTEST_SKIP() << why;
    CliRunner cli;
    const std::string uri = server->NewDatabase();
    const std::string file = cli.dir().file("c.tbf").string();

    const auto created = cli.run({"new", uri});
    ASSERT_EQ(created.status, 0) << created.err;
    const auto again = cli.run({"new", uri});
    EXPECT_NE(again.status, 0);
    EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
    ASSERT_EQ(cli.run({"new", file}).status, 0);
    const auto info = cli.run({"info", uri});
    EXPECT_NE(info.out.find("\nEngine\tPostgreSQL "), std::string::npos) << info.out;

    cli.dir().write("music/abba/waterloo.mp3", mp3("Waterloo", "ABBA", "Gold"));
    cli.dir().write("music/abba/sos.mp3", mp3("SOS", "abba", "Gold"));
    cli.dir().write("music/abba/caf\xE9.mp3", mp3("SOS", "Abba", "gold"));
    cli.dir().write("music/queen/live.mp3", mp3("Live", "Queen", "Jazz"));
    cli.dir().write("music/queen/help.mp3", mp3(std::string(), "Ärzte", "Jazz"));
    const std::string music = cli.dir().file("music").string();

    const std::vector<std::vector<std::string>> commands = {
        {"import", "@", music},
        {"import", "@", music},
        {"list", "@"},
        {"list", "@", "--json"},
        {"list", "@", "--sort", "-5"},
        {"list", "@", "--sort", "6"},
        {"list", "@", "--search", "Title|=|sos"},
        {"list", "@", "--search", "*|=|ABBA"},
        {"list", "@", "--search", "Duplicates:Name"},
        {"list", "@", "--node", "2:1"},
        {"tree", "@"},
        {"show", "@", "3"},
        {"export", "@", "--format", "csv", "-o", "-"},
        {"rename", "@", "1", "Bohemian"},
        {"rename-node", "@", "group", "1", "Queen"},
        {"delete", "@", "--items", "4", "--yes"},
        {"move", "@", "--items", "2", "--to", "1:17"},
        {"update", "@"},
        {"tree", "@"},
        {"list", "@"},
        {"sql", "@", "SELECT sFileName FROM tblMedia ORDER BY lID"},
        {"clear", "@", "--yes"},
        {"list", "@"},
    };
    for (const auto& command : commands) {
        std::vector<std::string> onServer = command;
        std::vector<std::string> onFile = command;
        std::replace(onServer.begin(), onServer.end(), std::string("@"), uri);
        std::replace(onFile.begin(), onFile.end(), std::string("@"), file);
        const auto fromServer = cli.run(onServer);
        const auto fromFile = cli.run(onFile);
        const std::string shown = command[0] + " " + (command.size() > 2 ? command[2] : "");
        EXPECT_EQ(fromServer.status, fromFile.status) << shown << "\n" << fromServer.err;
        EXPECT_EQ(withoutImportTime(fromServer.out), withoutImportTime(fromFile.out)) << shown;
        EXPECT_EQ(withoutElapsedTime(fromServer.err), withoutElapsedTime(fromFile.err)) << shown;
    }
}

} // namespace
} // namespace tunebay
