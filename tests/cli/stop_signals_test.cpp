// Stopping long commands: SIGTERM and SIGHUP stop like Ctrl-C, after the file in hand, with
// status 130; failed files are named with the system's reason.
#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CliRunner;

// A catalogue of `count` items in folder "in", closed again for the command line.
struct Shelf {
    test::TempCatalogue catalogue;
    test::TempDir files;
    test::TempDir out;
    std::string path;
    std::vector<fs::path> sources;

    explicit Shelf(int count) : path(catalogue.path().string()) {
        test::CatalogueBuilder builder(catalogue.connection);
        fs::create_directories(files.path() / "in");
        for (int i = 0; i < count; ++i) {
            const std::string name = std::to_string(i) + ".mp3";
            sources.push_back(files.path() / "in" / name);
            std::ofstream(sources.back()) << name;
            builder.add({.title = name,
                         .directory = (files.path() / "in").string() + "/",
                         .fileName = name,
                         .size = 5});
        }
        catalogue.connection.Open("");
    }
};

// Whether the process has a handler of its own for `signal`.
bool catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

pid_t start(const CliRunner& cli, std::vector<std::string> arguments, const fs::path& messages) {
    arguments.insert(arguments.begin(), {TUNEBAY_CLI_PATH, "--config", cli.configFile()});
    std::vector<char*> raw;
    for (auto& argument : arguments)
        raw.push_back(argument.data());
    raw.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int err = open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int none = open("/dev/null", O_WRONLY);
        dup2(none, 1);
        dup2(err, 2);
        execv(raw[0], raw.data());
        _exit(127);
    }
    return pid;
}

// The sources are pipes standing for a slow disk: the copy of the first one waits for bytes
// while the signal arrives, so "after the current file" is a known point.
TEST(StopSignals, TermAndHangUpStopACopyAfterTheCurrentFileWithStatus130) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        Shelf shelf(3);
        for (const fs::path& source : shelf.sources) {
            fs::remove(source);
            ASSERT_EQ(mkfifo(source.c_str(), 0644), 0);
        }
        CliRunner cli;
        const fs::path messages = cli.dir().file("messages.txt");
        const pid_t run = start(
            cli, {"copy-files", shelf.path, "--to", shelf.out.path().string(), "--yes"}, messages);
        // The pipe the copy reads from: only that one has a reader.
        int writer = -1;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (writer < 0 && std::chrono::steady_clock::now() < giveUp)
            for (const fs::path& source : shelf.sources)
                if (writer < 0)
                    writer = open(source.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        ASSERT_TRUE(catches(run, signal));
        kill(run, signal);
        // The handler puts the default back once it has asked for the stop.
        while (catches(run, signal) && std::chrono::steady_clock::now() < giveUp) {
        }
        fcntl(writer, F_SETFL, 0);
        ASSERT_EQ(write(writer, "whole", 5), 5);
        close(writer);
        int status = 0;
        waitpid(run, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << signal;
        EXPECT_EQ(WEXITSTATUS(status), 130) << signal;
        EXPECT_NE(test::readFile(messages).find("Stopped after 1 items.\n"), std::string::npos)
            << test::readFile(messages);
        std::vector<fs::path> copied;
        for (const auto& entry : fs::directory_iterator(shelf.out.path()))
            copied.push_back(entry.path());
        ASSERT_EQ(copied.size(), 1u) << signal;
        EXPECT_EQ(test::readFile(copied[0]), "whole");
    }
}

TEST(StopSignals, FailedCopiesAreNamedWithTheirReasonTwentyUnlessVerbose) {
    Shelf shelf(23);
    for (const fs::path& source : shelf.sources)
        fs::remove(source);
    CliRunner cli;
    const std::string to = shelf.out.path().string();
    CliResult result = cli.run({"copy-files", shelf.path, "--to", to, "--yes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(shelf.sources[0].string() + ": No such file or directory\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("... and 3 more (--verbose lists them all)\n"), std::string::npos);
    result = cli.run({"move-files", shelf.path, "--to", to, "--yes", "--verbose"});
    EXPECT_EQ(result.status, 1);
    size_t lines = 0;
    for (size_t at = 0;
         (at = result.err.find(": No such file or directory\n", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 23u);
}

TEST(StopSignals, ToolsVerboseListsEveryFailureWithItsReason) {
    Shelf shelf(2);
    fs::remove(shelf.sources[1]);
    CliRunner cli;
    const CliResult result =
        cli.run({"tools", shelf.path, "--items", "1,2", "--rename", "0", "--yes", "--verbose"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(
        result.err.find(shelf.sources[1].string() + ": not renamed (No such file or directory)\n"),
        std::string::npos)
        << result.err;
}

} // namespace
} // namespace tunebay
