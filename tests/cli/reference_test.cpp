// The manual page and the shell completions the build writes: every command and option that
// --help shows is in them, and bash offers the right words at the right places.
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::CliRunner;

const fs::path kShare = fs::path(TUNEBAY_CLI_PATH).parent_path().parent_path() / "share";

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The commands and options one --help lists: the first word of each line of its sections.
struct Help {
    std::vector<std::string> commands;
    std::vector<std::string> options;
};

Help parseHelp(const std::string& text) {
    Help help;
    std::istringstream lines(text);
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != ' ') {
            section = line;
            continue;
        }
        if (line.size() < 3 || line[2] == ' ')
            continue;
        const std::string word = line.substr(2, line.find(' ', 2) - 2);
        if (section == "Subcommands:")
            help.commands.push_back(word);
        else if (section == "Options:")
            for (std::string::size_type start = 0; start < word.size();) {
                const auto comma = word.find(',', start);
                help.options.push_back(word.substr(start, comma - start));
                start = comma == std::string::npos ? word.size() : comma + 1;
            }
    }
    return help;
}

std::string roff(const std::string& text) {
    std::string escaped;
    for (const char c : text)
        escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    return escaped;
}

// The bash completion's option list for one command path ("" for the program itself).
std::string bashOptions(const std::string& script, const std::string& path) {
    const auto level = script.find("    \"" + path + "\")\n");
    if (level == std::string::npos)
        return {};
    const auto start = script.find("options='", level) + 9;
    return " " + script.substr(start, script.find('\'', start) - start) + " ";
}

TEST(Reference, ManualPageAndCompletionsListEveryCommandAndOptionOfTheHelp) {
    const std::string manual = readFile(kShare / "man/man1/tunebay-cli.1");
    const std::string bash = readFile(kShare / "bash-completion/completions/tunebay-cli");
    const std::string zsh = readFile(kShare / "zsh/vendor-completions/_tunebay-cli");
    ASSERT_FALSE(manual.empty());
    ASSERT_FALSE(bash.empty());
    ASSERT_FALSE(zsh.empty());

    CliRunner cli;
    std::vector<std::vector<std::string>> paths{{}};
    int commandsSeen = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::vector<std::string> arguments = paths[i];
        arguments.push_back("--help");
        const Help help = parseHelp(cli.run(arguments).out);
        std::string path;
        for (const std::string& word : paths[i])
            path += (path.empty() ? "" : " ") + word;
        SCOPED_TRACE("command: '" + path + "'");
        ASSERT_FALSE(help.options.empty());
        if (!path.empty()) {
            EXPECT_NE(manual.find(".SS \"" + roff(path) + "\""), std::string::npos);
            ++commandsSeen;
        }
        const std::string offered = bashOptions(bash, path);
        for (const std::string& option : help.options) {
            EXPECT_NE(manual.find("\\fB" + roff(option) + "\\fR"), std::string::npos) << option;
            EXPECT_NE(offered.find(" " + option + " "), std::string::npos) << option;
            EXPECT_TRUE(zsh.find("'" + option + "[") != std::string::npos ||
                        zsh.find("'" + option + "=[") != std::string::npos ||
                        zsh.find("'*" + option + "[") != std::string::npos ||
                        zsh.find("'*" + option + "=[") != std::string::npos)
                << option;
        }
        for (const std::string& command : help.commands) {
            EXPECT_NE(zsh.find("'" + command + ":"), std::string::npos) << command;
            std::vector<std::string> sub = paths[i];
            sub.push_back(command);
            paths.push_back(sub);
        }
    }
    EXPECT_GT(commandsSeen, 20);
}

// What bash offers for the command line `line` (the cursor at its end).
std::vector<std::string> bashOffers(const std::string& line) {
    const fs::path script = kShare / "bash-completion/completions/tunebay-cli";
    std::string command = "bash --norc -c 'source \"" + script.string() +
                          "\"; COMP_LINE=\"$1\"; COMP_POINT=${#COMP_LINE}; "
                          "read -ra COMP_WORDS <<<\"$COMP_LINE\"; "
                          "[[ $COMP_LINE == *\" \" ]] && COMP_WORDS+=(\"\"); "
                          "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tunebay_cli; "
                          "printf \"%s\\n\" \"${COMPREPLY[@]}\"' bash '" +
                          line + "'";
    std::vector<std::string> words;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return words;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::string word = buffer;
        if (!word.empty() && word.back() == '\n')
            word.pop_back();
        if (!word.empty())
            words.push_back(word);
    }
    pclose(pipe);
    return words;
}

TEST(Reference, BashOffersCommandsOptionsSearchTypesAndSortCodes) {
    const struct {
        std::string line;
        std::vector<std::string> offered;
        std::vector<std::string> notOffered;
    } cases[] = {
        {"tunebay-cli ", {"new", "list", "export", "copy-files"}, {"correct"}},
        {"tunebay-cli --config my.conf li", {"list"}, {"new"}},
        {"tunebay-cli text c", {"correct", "capitalize"}, {"safe"}},
        {"tunebay-cli list a.tbf --s",
         {"--search", "--search2", "--sort", "--show-sql"},
         {"--json"}},
        {"tunebay-cli list a.tbf --sort ", {"0", "6", "-6", "12", "-12"}, {"11", "Bitrate"}},
        {"tunebay-cli stats a.tbf --search ", {"*", "Bitrate", "Duplicates:TRM"}, {"6"}},
        {"tunebay-cli export a.tbf --format ", {"html", "csv", "site"}, {"AND"}},
        {"tunebay-cli export a.tbf --search-link ", {"AND", "OR"}, {}},
        {"tunebay-cli tools a.tbf --capitalize ", {"0", "1", "2"}, {"3"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        const std::vector<std::string> offered = bashOffers(test.line);
        for (const std::string& word : test.offered)
            EXPECT_NE(std::find(offered.begin(), offered.end(), word), offered.end()) << word;
        for (const std::string& word : test.notOffered)
            EXPECT_EQ(std::find(offered.begin(), offered.end(), word), offered.end()) << word;
    }
}

TEST(Reference, BashTakesTheKindOfAValueFromItsOption) {
    const test::TempDir dir;
    dir.write("song.mp3", "");
    dir.write("notes.txt", "");
    fs::create_directory(dir.file("sounds"));
    const std::string at = dir.path().string() + "/";
    const struct {
        std::string line;
        std::vector<std::string> offered; // exactly these, in any order
    } cases[] = {
        // files and folders
        {"tunebay-cli import a.tbf " + at + "so", {at + "song.mp3", at + "sounds"}},
        {"tunebay-cli import-pls a.tbf " + at + "no", {at + "notes.txt"}},
        {"tunebay-cli export a.tbf --format csv -o " + at + "so", {at + "song.mp3", at + "sounds"}},
        // folders only
        {"tunebay-cli copy-files a.tbf --to " + at + "so", {at + "sounds"}},
        // a number: nothing to offer
        {"tunebay-cli copy-files a.tbf --group-folders --only-if-more ", {}},
        {"tunebay-cli copy-files a.tbf --limit ", {}},
        // choices, also after '='
        {"tunebay-cli export a.tbf --format=", {"html", "txt", "m3u", "pls", "csv", "xml", "site"}},
        {"tunebay-cli export a.tbf --format=c", {"csv"}},
        {"tunebay-cli export a.tbf --format=xml --search-link ", {"AND", "OR"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        std::vector<std::string> offered = bashOffers(test.line);
        std::vector<std::string> expected = test.offered;
        std::sort(offered.begin(), offered.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(offered, expected);
    }
}

TEST(Reference, ManualPagesPassMandocsLint) {
    if (std::system("command -v mandoc >/dev/null") != 0)
        GTEST_SKIP() << "mandoc is not installed";
    for (const char* page : {"tunebay-cli.1", "tunebay.1"}) {
        const fs::path path = kShare / "man/man1" / page;
        if (!fs::exists(path))
            continue; // the window is not built
        SCOPED_TRACE(page);
        const std::string command = "mandoc -Tlint -W warning '" + path.string() + "' 2>&1";
        std::string report;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[512];
            while (fgets(buffer, sizeof buffer, pipe))
                report += buffer;
            EXPECT_EQ(pclose(pipe), 0) << report;
        }
        EXPECT_EQ(report, "");
    }
}

TEST(Reference, CompletionScriptsAreValidShell) {
    const fs::path bash = kShare / "bash-completion/completions/tunebay-cli";
    EXPECT_EQ(std::system(("bash -n '" + bash.string() + "'").c_str()), 0);
    const fs::path zsh = kShare / "zsh/vendor-completions/_tunebay-cli";
    if (std::system("command -v zsh >/dev/null") != 0)
        GTEST_SKIP() << "zsh is not installed";
    EXPECT_EQ(std::system(("zsh -n '" + zsh.string() + "'").c_str()), 0);
}

} // namespace
} // namespace tunebay
