#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
namespace fs = std::filesystem;

// Every file under the given folders with its bytes: what a dry run must leave as it found.
std::map<std::string, std::string> snapshot(const std::vector<fs::path>& roots) {
    std::map<std::string, std::string> files;
    for (const fs::path& root : roots) {
        if (!fs::exists(root)) // a move takes the folder it emptied away
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string name = entry.path().filename().string();
            // The engine's side files come and go with every open, reads included.
            if (name.ends_with("-wal") || name.ends_with("-shm"))
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::string bytes = entry.is_directory()
                                    ? "<folder>"
                                    : std::string(std::istreambuf_iterator<char>(in), {});
            // Every open for writing, a plain `info` too, counts in the engine's header (file
            // change counter, and the version that counter is valid for); the pages stay.
            if (name.ends_with(".tbf") && bytes.size() >= 100)
                for (const std::size_t at : {24, 92})
                    bytes.replace(at, 4, 4, '\0');
            files[entry.path().string()] = std::move(bytes);
        }
    }
    return files;
}

// The output's change lines: all but the closing summary.
std::vector<std::string> changeLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    if (!lines.empty())
        lines.pop_back();
    return lines;
}

struct DryRunCase {
    const char* name;
    // After the catalogue; "@OUT" is the destination folder, "@ITEMS" the items' ids.
    std::vector<std::string> options;
    std::size_t changes;
};

class DryRun : public testing::TestWithParam<DryRunCase> {};

TEST_P(DryRun, ListsWhatTheRealRunThenDoesAndChangesNothing) {
    test::TempCatalogue catalogue;
    test::TempDir music;
    test::TempDir out;
    std::string items;
    {
        test::CatalogueBuilder builder(catalogue.connection);
        // b.mp3 is taken at the destination already, so its copy takes the next free name.
        std::ofstream(out.path() / "b.mp3") << "other";
        for (const std::string name : {"a.mp3", "b.mp3"}) {
            std::ofstream(music.path() / name) << name;
            const int id = builder
                               .add({.title = name,
                                     .group = "Duo",
                                     .genreId = 17,
                                     .directory = music.path().string() + "/",
                                     .fileName = name,
                                     .size = 5})
                               .itemId;
            items += (items.empty() ? "" : ",") + std::to_string(id);
        }
        catalogue.connection.Open("");
    }
    std::vector<std::string> arguments = {GetParam().name, catalogue.path().string()};
    for (const std::string& option : GetParam().options)
        arguments.push_back(option == "@OUT"     ? out.path().string()
                            : option == "@ITEMS" ? items
                                                 : option);
    const std::vector<fs::path> roots = {catalogue.path().parent_path(), music.path(), out.path()};

    CliRunner cli;
    const auto before = snapshot(roots);
    std::vector<std::string> dry = arguments;
    dry.push_back("--dry-run");
    const CliResult planned = cli.run(dry);
    ASSERT_EQ(planned.status, 0) << planned.err;
    EXPECT_TRUE(snapshot(roots) == before) << "the dry run changed a file";
    EXPECT_EQ(changeLines(planned.out).size(), GetParam().changes) << planned.out;

    std::vector<std::string> real = arguments;
    real.insert(real.end(), {"--verbose", "--yes"});
    const CliResult done = cli.run(real);
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_FALSE(snapshot(roots) == before) << "the real run changed nothing";
    EXPECT_EQ(changeLines(done.out), changeLines(planned.out));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DryRun,
    testing::Values(DryRunCase{"copy-files", {"--to", "@OUT"}, 2},
                    DryRunCase{"move-files", {"--to", "@OUT", "--genre-folders"}, 2},
                    DryRunCase{"delete", {"--items", "@ITEMS"}, 2},
                    DryRunCase{
                        "tools", {"--items", "@ITEMS", "--capitalize", "1", "--rename", "0"}, 8}),
    [](const testing::TestParamInfo<DryRunCase>& info) {
        std::string name = info.param.name;
        std::erase(name, '-');
        return name;
    });

} // namespace
} // namespace tunebay
