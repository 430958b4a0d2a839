// Progress on a terminal: one line written over in place, erased with the terminal's control
// sequence only where the terminal knows it.
#include "support/cli_runner.h"
#include "support/mp3_fixture.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace tunebay {
namespace {

using test::CliRunner;

// Runs tunebay-cli with a terminal of type `term` for its output and messages; returns what the
// terminal received.
std::string runOnTerminal(const CliRunner& cli, const std::vector<std::string>& arguments,
                          const std::string& term) {
    std::vector<std::string> argv{TUNEBAY_CLI_PATH, "--config", cli.configFile()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& argument : argv)
        raw.push_back(argument.data());
    raw.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        return {};
    if (child == 0) {
        setenv("TERM", term.c_str(), 1);
        execv(raw[0], raw.data());
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, static_cast<size_t>(got));
    waitpid(child, nullptr, 0);
    close(terminal);
    return seen;
}

TEST(ProgressLines, EraseSequenceOnlyWhereTheTerminalKnowsIt) {
    CliRunner cli;
    const std::string catalogue = cli.dir().file("c.tbf").string();
    cli.run({"new", catalogue});
    const std::string bytes = test::makeMp3({});
    for (int i = 0; i < 30; ++i)
        cli.dir().write("music/" + std::to_string(i) + ".mp3", bytes);
    const struct {
        std::string term;
        bool erases;
    } cases[] = {{"xterm", true}, {"dumb", false}, {"", false}};
    for (const auto& test : cases) {
        SCOPED_TRACE("TERM=" + test.term);
        cli.run({"clear", catalogue, "--yes"});
        const std::string seen =
            runOnTerminal(cli, {"import", catalogue, cli.dir().file("music").string()}, test.term);
        ASSERT_NE(seen.find("Imported 30 files"), std::string::npos) << seen;
        EXPECT_NE(seen.find("\rImporting files..."), std::string::npos) << "no progress shown";
        EXPECT_EQ(seen.find("\033["), test.erases ? seen.find("\033[K") : std::string::npos)
            << seen;
        if (test.erases) {
            EXPECT_NE(seen.find("\033[K"), std::string::npos);
        }
    }
}

} // namespace
} // namespace tunebay
