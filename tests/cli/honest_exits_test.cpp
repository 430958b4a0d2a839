// The command line's exit statuses and messages: Ctrl-C, output that cannot be written, messages
// that name what failed, the failed files of an import, output to standard output, and no
// player probe for commands that play nothing.
#include "support/cli_runner.h"
#include "support/mp3_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CliRunner;

// A tunebay-cli started with its standard output on `stdoutPath` and its messages in a file.
struct Started {
    pid_t pid = -1;
    fs::path messages;

    // Waits for the end; the exit status (-1 when it ended by a signal).
    int wait() const {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

// `stdoutPath` "" leaves standard output as `inChild` makes it.
Started start(const CliRunner& cli, const std::vector<std::string>& arguments,
              const std::string& stdoutPath, const std::function<void()>& inChild = {}) {
    std::vector<std::string> argv{TUNEBAY_CLI_PATH, "--config", cli.configFile()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& argument : argv)
        raw.push_back(argument.data());
    raw.push_back(nullptr);
    Started started;
    started.messages = cli.dir().file("messages.txt");
    started.pid = fork();
    if (started.pid == 0) {
        const int err = open(started.messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        if (!stdoutPath.empty())
            dup2(open(stdoutPath.c_str(), O_WRONLY), 1);
        if (inChild)
            inChild();
        execv(raw[0], raw.data());
        _exit(127);
    }
    return started;
}

// Whether the process has a handler of its own for SIGINT.
bool catchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    return false;
}

class CliHonesty : public ::testing::Test {
protected:
    CliHonesty() : catalogue(cli.dir().file("c.tbf").string()) { cli.run({"new", catalogue}); }
    std::string sql(const std::string& statement) {
        return cli.run({"sql", catalogue, statement}).out;
    }

    CliRunner cli;
    std::string catalogue;
};

TEST_F(CliHonesty, CtrlCStopsAnImportAfterTheCurrentFileWithStatus130) {
    const std::string bytes = test::makeMp3({});
    for (int i = 0; i < 6000; ++i)
        cli.dir().write("music/" + std::to_string(i) + ".mp3", bytes);
    const Started run =
        start(cli, {"import", catalogue, cli.dir().file("music").string()}, "/dev/null");
    // Interrupt once the import has taken over Ctrl-C (its worker is then under way).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < giveUp && !catchesInterrupt(run.pid))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    kill(run.pid, SIGINT);
    EXPECT_EQ(run.wait(), 130);
    const std::string messages = test::readFile(run.messages);
    const std::string items = sql("SELECT COUNT(*) FROM tblItem");
    ASSERT_LT(std::stoi(items), 6000) << "the import ended before the interrupt";
    // Every file read before the stop is catalogued.
    EXPECT_EQ(messages.rfind(
                  "Stopped after " + items.substr(0, items.size() - 1) + " files.\nImported ", 0),
              0u)
        << messages;
}

TEST_F(CliHonesty, OutputThatCannotBeWrittenIsAnError) {
    // An export far larger than any buffer on the way, so that part of it is written.
    cli.dir().write("music/a.mp3", test::makeMp3({}));
    ASSERT_EQ(cli.run({"import", catalogue, cli.dir().file("music").string()}).status, 0);
    sql("UPDATE tblMedia SET sComment=replace(hex(zeroblob(200000)), '00', 'ab')");
    const std::vector<std::string> largeExport{"export",   catalogue, "--format", "html",
                                               "--detail", "4",       "-o",       "-"};
    ASSERT_GT(cli.run(largeExport).out.size(), 400000u);

    const test::TempDir scratch; // the exports' TMPDIR: nothing may stay behind there
    setenv("TMPDIR", scratch.path().c_str(), 1);
    auto closeStdout = [] { close(1); };
    // A pipe whose reader is gone; with SIGPIPE ignored each write fails with EPIPE.
    auto brokenPipe = [] {
        int ends[2];
        if (pipe(ends) == 0) {
            dup2(ends[1], 1);
            close(ends[0]);
            close(ends[1]);
        }
        signal(SIGPIPE, SIG_IGN);
    };
    const struct {
        std::vector<std::string> command;
        std::string stdoutPath;
        std::function<void()> inChild;
        std::string message;
    } cases[] = {
        {{"info", catalogue}, "/dev/full", {}, "No space left on device"},
        {{"sql", catalogue, "SELECT 1"}, "/dev/full", {}, "No space left on device"},
        {{"export", catalogue, "--format", "txt", "-o", "-"},
         "/dev/full",
         {},
         "No space left on device"},
        {largeExport, "/dev/full", {}, "No space left on device"},
        {largeExport, "", brokenPipe, "Broken pipe"},
        {largeExport, "", closeStdout, "standard output is closed"},
        {{"text", "thousands", "1"}, "/dev/full", {}, "No space left on device"},
        {{"text", "thousands", "1"}, "", closeStdout, "standard output is closed"},
        {{"--help"}, "/dev/full", {}, "No space left on device"},
        {{"help", "import"}, "/dev/full", {}, "No space left on device"},
        {{"--version"}, "", closeStdout, "standard output is closed"},
    };
    for (const auto& test : cases) {
        std::string line;
        for (const std::string& word : test.command)
            line += word + " ";
        SCOPED_TRACE(line + (test.stdoutPath.empty() ? "(pipe or closed)" : test.stdoutPath));
        const Started run = start(cli, test.command, test.stdoutPath, test.inChild);
        EXPECT_EQ(run.wait(), 1);
        EXPECT_EQ(test::readFile(run.messages), "Cannot write the output: " + test.message + "\n");
    }
    // A reader that goes away ends the export by SIGPIPE: nothing of it stays behind.
    const Started stopped = start(cli, largeExport, "", [] {
        int ends[2];
        if (pipe(ends) == 0) {
            dup2(ends[1], 1);
            close(ends[0]);
            close(ends[1]);
        }
        signal(SIGPIPE, SIG_DFL);
    });
    EXPECT_EQ(stopped.wait(), -1);
    unsetenv("TMPDIR");
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST_F(CliHonesty, MessagesNameWhatFailed) {
    const CliResult unknown = cli.run({"frobnicate", catalogue});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("Unknown command: frobnicate\n", 0), 0u);

    for (const std::vector<std::string>& line :
         {std::vector<std::string>{"-V"}, {"-V", "info", catalogue}, {"--frob=1", "info"}}) {
        const CliResult option = cli.run(line);
        EXPECT_EQ(option.status, 2) << line[0];
        EXPECT_EQ(option.err.rfind("Unknown option: " + line[0] + "\n", 0), 0u) << option.err;
    }

    const CliResult config = cli.run({"--config", cli.dir().file("none.conf").string()});
    EXPECT_EQ(config.status, 2);

    const std::string folder = cli.dir().file("no-such-folder").string();
    const CliResult import = cli.run({"import", catalogue, folder});
    EXPECT_EQ(import.status, 1);
    EXPECT_EQ(
        import.err.rfind(folder + ": No such file or directory\nImported 0 files, 1 failed, ", 0),
        0u)
        << import.err;

    const std::string playlist = cli.dir().file("music").string();
    fs::create_directories(playlist);
    EXPECT_NE(cli.run({"import-pls", catalogue, playlist}).err.find("not a regular file"),
              std::string::npos);
}

TEST_F(CliHonesty, TheCatalogueMayComeFromTheEnvironment) {
    cli.dir().write("music/a.mp3", test::makeMp3({}));
    ASSERT_EQ(cli.run({"import", catalogue, cli.dir().file("music").string()}).status, 0);
    const std::string other = cli.dir().file("other.tbf").string();
    cli.run({"new", other});
    const std::string fresh = cli.dir().file("fresh.tbf").string();
    setenv("TUNEBAY_CATALOGUE", catalogue.c_str(), 1);
    const struct {
        std::vector<std::string> command;
        std::string out; // what the output begins with
    } cases[] = {
        {{"sql", "SELECT COUNT(*) FROM tblItem"}, "1\n"},
        {{"sql", other, "SELECT COUNT(*) FROM tblItem"}, "0\n"},
        {{"show", "1"}, "tblItem.lID\t1\n"},
        {{"list", "--sort", "6", "--items", "1"}, ""},
        {{"text", "thousands", "1234"}, "1.234\n"},
        {{"new", fresh}, ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.command[0]);
        const CliResult result = cli.run(test.command);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out.rfind(test.out, 0), 0u) << result.out;
    }
    unsetenv("TUNEBAY_CATALOGUE");
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(CliHonesty, DatabaseErrorsCarryTheEnginesMessage) {
    cli.run({"sql", catalogue,
             "CREATE TRIGGER full BEFORE INSERT ON tblMedia BEGIN SELECT RAISE(ABORT, "
             "'no room left'); END"});
    const std::string file = cli.dir().write("music/a.mp3", test::makeMp3({})).string();
    const CliResult result = cli.run({"import", catalogue, file});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Unknown error occurred while importing files! (no room left)\n", 0),
              0u)
        << result.err;
    EXPECT_NE(result.err.find(file + ": database error (no room left)\n"), std::string::npos);
}

TEST_F(CliHonesty, NoExportOverwritesTheCatalogue) {
    cli.run({"sql", catalogue, "INSERT INTO tblGroup (sName) VALUES ('kept')"});
    for (const std::string& target : {catalogue, catalogue + "-wal", catalogue + "-journal"}) {
        const CliResult refused = cli.run({"export", catalogue, "--format", "txt", "-o", target});
        EXPECT_EQ(refused.status, 1) << target;
        EXPECT_EQ(refused.err, "An error occurred while exporting! (" + target +
                                   ": the file is the open catalogue)\n");
    }
    EXPECT_EQ(sql("SELECT sName FROM tblGroup"), "kept\n");
}

TEST_F(CliHonesty, ExportToStandardOutputMatchesTheFile) {
    cli.dir().write("music/a.mp3", test::makeMp3({}));
    ASSERT_EQ(cli.run({"import", catalogue, cli.dir().file("music").string()}).status, 0);
    for (const char* format : {"txt", "m3u", "pls", "csv", "xml", "html"}) {
        const std::string file = cli.dir().file(std::string("list.") + format).string();
        ASSERT_EQ(cli.run({"export", catalogue, "--format", format, "-o", file}).status, 0);
        const CliResult piped = cli.run({"export", catalogue, "--format", format, "-o", "-"});
        EXPECT_EQ(piped.status, 0) << format;
        EXPECT_EQ(piped.out, test::readFile(file)) << format;
    }
    EXPECT_EQ(cli.run({"export", catalogue, "--format", "site", "-o", "-"}).status, 2);
}

TEST_F(CliHonesty, FailedFilesAreListedAfterTheSummary) {
    for (int i = 0; i < 25; ++i)
        cli.dir().write("music/n" + std::to_string(i) + ".mp3", "no audio");
    cli.dir().write("music/good.mp3", test::makeMp3({}));
    const std::string folder = cli.dir().file("music").string();
    const CliResult first = cli.run({"import", catalogue, folder});
    EXPECT_EQ(first.status, 1);
    EXPECT_NE(first.err.find(folder + "/n7.mp3: not audio\n"), std::string::npos);
    // The summary is the last line, its numbers written as the window writes them.
    const std::string more = "... and 5 more (--verbose lists them all)\n";
    const std::string summary = "Imported 1 files, 25 failed, 0 already catalogued in ";
    ASSERT_NE(first.err.find(more), std::string::npos) << first.err;
    EXPECT_EQ(first.err.find(summary), first.err.find(more) + more.size()) << first.err;
    EXPECT_EQ(first.err.substr(first.err.size() - 4), " s.\n");

    const CliResult verbose = cli.run({"import", catalogue, folder, "--verbose"});
    size_t lines = 0;
    for (size_t at = 0; (at = verbose.err.find(".mp3: ", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 26u);
    EXPECT_NE(verbose.err.find(folder + "/good.mp3: already catalogued\n"), std::string::npos);
    EXPECT_NE(verbose.err.find("Imported 0 files, 25 failed, 1 already catalogued in "),
              std::string::npos);
}

TEST_F(CliHonesty, UpdateNamesTheFilesItCouldNotRead) {
    const std::string file = cli.dir().write("music/a.mp3", test::makeMp3({})).string();
    ASSERT_EQ(cli.run({"import", catalogue, file}).status, 0);
    fs::remove(file);
    const CliResult update = cli.run({"update", catalogue, "--verbose"});
    EXPECT_EQ(update.status, 1);
    EXPECT_EQ(update.err.rfind(file + ": vanished\nUpdated 0 files, 1 failed in ", 0), 0u)
        << update.err;
}

TEST_F(CliHonesty, CatalogueNamesAreFileNamesAndPathsAreNormal) {
    const fs::path previous = fs::current_path();
    fs::current_path(cli.dir().path());
    cli.run({"sql", "c.tbf", "INSERT INTO tblGroup (sName) VALUES ('kept')"});
    const CliResult uri = cli.run({"clear", "file:c.tbf", "--yes"});
    cli.dir().write("music/a.mp3", test::makeMp3({}));
    for (const char* path : {"./music", "music//", "music/../music", "music/./a.mp3"})
        cli.run({"import", "c.tbf", path});
    fs::current_path(previous);
    EXPECT_EQ(uri.status, 3);
    EXPECT_EQ(sql("SELECT sName FROM tblGroup WHERE sName='kept'"), "kept\n");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblMedia"), "1\n");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblDirectory"), "1\n");
}

TEST(CliHelp, ListHelpNamesTheSearchTypesAndComparisons) {
    CliRunner cli;
    const CliResult help = cli.run({"list", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"Search types", "Duplicates:Name", "VolumeName", "Length", "<>", ">="})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

TEST(CliHelp, HelpCommandShowsWhatHelpOptionShows) {
    CliRunner cli;
    const struct {
        std::vector<std::string> help;
        std::vector<std::string> option;
    } cases[] = {
        {{"help"}, {"--help"}},
        {{"help", "import"}, {"import", "--help"}},
        {{"help", "text", "function"}, {"text", "function", "--help"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.option[0]);
        const CliResult asked = cli.run(test.help);
        EXPECT_EQ(asked.status, 0);
        EXPECT_FALSE(asked.out.empty());
        EXPECT_EQ(asked.out, cli.run(test.option).out);
    }
    const CliResult unknown = cli.run({"help", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("Unknown command: frobnicate\n", 0), 0u);
}

TEST(CliStart, CommandsThatPlayNothingNeverProbeForAPlayer) {
    CliRunner cli;
    cli.dir().write("settings.conf", "[Settings]\nPlayer=2\n"); // a probe would be due
    const fs::path marker = cli.dir().file("probed");
    const fs::path bin = cli.dir().file("bin");
    fs::create_directory(bin);
    cli.dir().write("bin/xdg-mime", "#!/bin/sh\ntouch '" + marker.string() + "'\n");
    fs::permissions(bin / "xdg-mime", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    const CliResult result = cli.run({"text", "thousands", "1"});
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(fs::exists(marker));
}

} // namespace
} // namespace tunebay
