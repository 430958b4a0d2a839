#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/programs.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;

// Reads the JSON with another parser and prints the value at the key path: a text as the bytes
// it stands for (stray bytes of a file name come back through surrogateescape), anything else as
// JSON.
constexpr const char* kReader = R"(
import json, sys
value = json.load(open(sys.argv[1], encoding="utf-8"))
for key in sys.argv[2:]:
    value = value[int(key)] if isinstance(value, list) else value[key]
if isinstance(value, str):
    sys.stdout.buffer.write(value.encode("utf-8", "surrogateescape"))
else:
    sys.stdout.write(json.dumps(value))
)";

struct JsonCase {
    std::vector<std::string> arguments; // "@" is the catalogue, "#" the item's id
    std::vector<std::string> keys;
    std::string value; // "@DIR" stands for the music folder
    int status = 0;
};

class JsonOutput : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonOutput, ParsesAndKeepsAFileNameThatIsNotUtf8) {
    if (!test::onPath("python3"))
        GTEST_SKIP() << "python3 is needed to read the output with another parser";
    test::TempCatalogue catalogue;
    test::TempDir music;
    const std::string name = "caf\xe9 \"1\".mp3"; // Latin-1, as an old file system wrote it
    std::ofstream(music.path() / name) << "not audio";
    const std::string folder = music.path().string() + "/";
    std::string item;
    {
        test::CatalogueBuilder builder(catalogue.connection);
        item = std::to_string(builder
                                  .add({.title = "Song",
                                        .group = "Duo",
                                        .genreId = 17,
                                        .directory = folder,
                                        .fileName = name,
                                        .size = 9})
                                  .itemId);
        catalogue.connection.Open("");
    }
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().arguments)
        arguments.push_back(argument == "@"   ? catalogue.path().string()
                            : argument == "#" ? item
                                              : argument);
    CliRunner cli;
    const CliResult result = cli.run(arguments);
    EXPECT_EQ(result.status, GetParam().status) << result.err;
    // One object (or, for list, one array) and nothing after it.
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.front(), GetParam().arguments[0] == "list" ? '[' : '{');

    const std::string file = music.file("output.json").string();
    std::ofstream(file, std::ios::binary) << result.out;
    std::vector<std::string> reader = {"python3", "-c", kReader, file};
    reader.insert(reader.end(), GetParam().keys.begin(), GetParam().keys.end());
    const test::ProgramRun read = test::runProgram(reader);
    ASSERT_EQ(read.status, 0) << result.out;
    std::string expected = GetParam().value;
    if (const auto at = expected.find("@DIR"); at != std::string::npos)
        expected.replace(at, 4, folder);
    EXPECT_EQ(read.out, expected) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, JsonOutput,
    testing::Values(
        JsonCase{{"list", "@", "--json"}, {"0", "path"}, "@DIRcaf\xe9 \"1\".mp3"},
        JsonCase{{"show", "@", "#", "--json"}, {"tblMedia", "sFileName"}, "caf\xe9 \"1\".mp3"},
        JsonCase{{"info", "@", "--json"}, {"Items"}, "1"},
        JsonCase{{"stats", "@", "--json"}, {"ALL items", "MediaItems"}, "1 (1)"},
        JsonCase{
            {"tree", "@", "--view", "7", "--json"}, {"nodes", "0", "nodes", "0", "name"}, "Duo"},
        JsonCase{{"properties", "@", "#", "--json"}, {"File"}, "@DIRcaf\xe9 \"1\".mp3"},
        JsonCase{{"properties", "@", "#", "--json"}, {"Genre"}, "[17, \"Rock\"]"},
        JsonCase{{"details", "@", "#", "--json"}, {"Actual FileSize [byte]"}, "9"},
        JsonCase{{"directories", "@", "--json"}, {"Directories", "-1", "Local"}, "@DIR"},
        // The file is no audio, so it has no fingerprint: a failure, and no pair.
        JsonCase{{"duplicates", "@", "--acoustic", "--json"}, {"pairs"}, "[]", 1}));

} // namespace
} // namespace tunebay
