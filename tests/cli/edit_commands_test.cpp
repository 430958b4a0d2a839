#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;

// Two items of one group in a catalogue that is closed again, so only the command line works on
// it.
struct Shelf {
    test::TempCatalogue catalogue;
    std::string path = catalogue.path().string();

    Shelf() {
        test::CatalogueBuilder builder(catalogue.connection);
        builder.add({.title = "One", .group = "Abba", .package = "Gold", .directory = "/m/a/"});
        builder.add({.title = "Two", .group = "Abba", .package = "Gold", .directory = "/m/b/"});
        catalogue.connection.Open("");
    }
};

TEST(PropertiesCommand, PrintsSavesAndRefusesAsTheWindowDoes) {
    Shelf shelf;
    CliRunner cli;
    CliResult result = cli.run({"properties", shelf.path, "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Title\tOne\nGroup\tAbba\nPackage\tGold\n"), std::string::npos);

    result = cli.run(
        {"properties", shelf.path, "1", "--group", "Solo", "--new-group", "--published", "85"});
    ASSERT_EQ(result.status, 0) << result.err;
    result = cli.run({"properties", shelf.path, "1"});
    EXPECT_NE(result.out.find("Group\tSolo\n"), std::string::npos);
    EXPECT_NE(result.out.find("Published\t1985\n"), std::string::npos);
    EXPECT_NE(cli.run({"properties", shelf.path, "2"}).out.find("Group\tAbba\n"),
              std::string::npos);

    result = cli.run({"properties", shelf.path, "1", "--title", ""});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "You cannot set an empty title!\n");
    EXPECT_EQ(cli.run({"properties", shelf.path, "9"}).status, 1);
}

TEST(DetailsCommand, PrintsTheDetailsWithPlainLineBreaks) {
    Shelf shelf;
    CliRunner cli;
    const CliResult result = cli.run({"details", shelf.path, "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 18), "Exists local\t\t no\n");
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
}

TEST(DirectoriesCommand, ListsSetsReplacesAndCopies) {
    Shelf shelf;
    CliRunner cli;
    CliResult result = cli.run({"directories", shelf.path, "--copy-local"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 rows changed.\n");
    result = cli.run({"directories", shelf.path, "--replace", "unc", "/m/a", "//nas/a"});
    EXPECT_EQ(result.out, "1 row changed.\n");
    result = cli.run({"directories", shelf.path, "--set", "2", "url", "http://host/b/"});
    EXPECT_EQ(result.out, "1 row changed.\n");
    result = cli.run({"directories", shelf.path});
    EXPECT_EQ(result.out, "1\t/m/a/\t//nas/a/\t/m/a/\n2\t/m/b/\t/m/b/\thttp://host/b/\n");
    EXPECT_EQ(cli.run({"directories", shelf.path, "--set", "7", "url", "x"}).status, 1);
    EXPECT_EQ(cli.run({"directories", shelf.path, "--replace", "web", "a", "b"}).status, 2);
}

} // namespace
} // namespace tunebay
