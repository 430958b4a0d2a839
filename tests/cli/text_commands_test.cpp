#include "support/cli_runner.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::CliRunner;

std::string output(const CliRunner& cli, const std::vector<std::string>& arguments) {
    const auto result = cli.run(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

TEST(CliText, EachRulePrintsItsResultAndANewline) {
    CliRunner cli;
    EXPECT_EQ(output(cli, {"text", "correct", "Tom&Jerry,live"}), "Tom & Jerry, live\n");
    EXPECT_EQ(output(cli, {"text", "correct", "Hello%20World!!s"}), "Hello World\n");
    EXPECT_EQ(output(cli, {"text", "correct", "--basic", "07 Intro"}), "07 Intro\n");
    EXPECT_EQ(output(cli, {"text", "safe", "AC/DC: \"Live\" <1|2>?"}), "AC-DC! 'Live' (1!2).\n");
    EXPECT_EQ(output(cli, {"text", "unix", "Café Olé"}), "Caf%C3%A9_Ol%C3%A9\n");
    EXPECT_EQ(output(cli, {"text", "html", "Rock & \"Roll\" €"}),
              "Rock &#038; &#034;Roll&#034; &#8364;\n");
    EXPECT_EQ(output(cli, {"text", "thousands", "1048576"}), "1.048.576\n");
    EXPECT_EQ(output(cli, {"text", "thousands", "999"}), "999\n");
    EXPECT_EQ(output(cli, {"text", "similarity", "abcd", "abed"}), "0.7500\n");
    EXPECT_EQ(output(cli, {"text", "similarity", "", ""}), "1.0000\n");
}

TEST(CliText, CapitalizeUsesTheModeAndTheExceptionFile) {
    CliRunner cli;
    const auto exceptions = cli.dir().write("mine.txt", "; my list\nMcdonald\nMc?\n").string();
    EXPECT_EQ(output(cli, {"text", "capitalize", "--mode", "0", "--exceptions", exceptions,
                           "mcdonald mcguire"}),
              "Mcdonald McGuire\n");
    EXPECT_EQ(output(cli, {"text", "capitalize", "--mode", "1", "ÉCOLE du monde"}),
              "ÉCOLE DU MONDE\n");
    EXPECT_EQ(output(cli, {"text", "capitalize", "--mode", "2", "ÉCOLE"}), "école\n");
    // Without --mode the ToolsCapitalizeType setting decides.
    EXPECT_EQ(output(cli, {"--set", "ToolsCapitalizeType=2", "text", "capitalize", "LOUD"}),
              "loud\n");
    // The program's own list knows the usual abbreviations.
    EXPECT_EQ(output(cli, {"text", "capitalize", "--mode", "0", "live in the uk"}),
              "Live In The UK\n");
    EXPECT_EQ(cli.run({"text", "capitalize", "--mode", "3", "x"}).status, 2);
}

TEST(CliText, FunctionsAreCheckedOrApplied) {
    CliRunner cli;
    EXPECT_EQ(output(cli, {"text", "function", "Replace(\"is\", \"at\");", "This is a preview!"}),
              "That at a preview!\n");
    EXPECT_EQ(output(cli, {"text", "function", "Delete(END - 1, END);", "This is a preview!"}),
              "This is a preview\n");
    EXPECT_EQ(output(cli, {"text", "function", "  Insert ( 0 , \"x\" ) ;  "}),
              "  Insert ( 0 , \"x\" ) ;  \n");
    const auto invalid = cli.run({"text", "function", "replace(\"a\", \"b\");", "abc"});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_EQ(invalid.err, "invalid function at character 1: Replace, Insert or Delete expected\n");
    EXPECT_EQ(invalid.out, "");
}

} // namespace
} // namespace tunebay
