#include "support/cli_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(SettingsCommand, ListsMarksDefaultsAndSetsAsTheWindowStoresThem) {
    CliRunner cli;
    CliResult listed = cli.run({"settings"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("\nItemOrder\t7\t(default)\n"), std::string::npos) << listed.out;
    // The runner's file sets Player to 1, which is not the default.
    EXPECT_NE(listed.out.find("\nPlayer\t1\n"), std::string::npos);

    ASSERT_EQ(cli.run({"settings", "ItemOrder", "3"}).status, 0);
    ASSERT_EQ(cli.run({"settings", "CustomPlayer", "\"vlc\" --one, \"%1\""}).status, 0);
    EXPECT_EQ(cli.run({"settings", "ItemOrder"}).out, "3\n");
    EXPECT_EQ(cli.run({"settings", "CustomPlayer"}).out, "\"vlc\" --one, \"%1\"\n");
    EXPECT_NE(cli.run({"settings"}).out.find("\nItemOrder\t3\n"), std::string::npos);
    // One value written, the others left as the file had them.
    const std::string stored = fileText(cli.configFile());
    EXPECT_NE(stored.find("ItemOrder=3\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Player=1\n"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("ItemStyle"), std::string::npos) << stored;
    // What the file holds is shown, not an override of the run.
    EXPECT_EQ(cli.run({"--set", "ItemOrder=5", "settings", "ItemOrder"}).out, "3\n");
}

struct Refusal {
    std::vector<std::string> arguments;
    std::string message;
};

class SettingsRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(SettingsRefusal, ExitsTwoWithTheReasonAndWritesNothing) {
    CliRunner cli;
    const std::string before = fileText(cli.configFile());
    std::vector<std::string> arguments = {"settings"};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const CliResult result = cli.run(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(fileText(cli.configFile()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsRefusal,
    testing::Values(Refusal{{"ItemOrdr", "3"}, "Unknown setting: ItemOrdr"},
                    Refusal{{"itemorder"}, "Unknown setting: itemorder"},
                    Refusal{{"ItemOrder", "seven"}, "a whole number is expected"},
                    Refusal{{"ItemOrder", "99999999999"}, "a whole number is expected"},
                    Refusal{{"HTMLTitle", std::string(256, 'x')}, "fewer than 256 characters"}));

} // namespace
} // namespace tunebay
