#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
namespace fs = std::filesystem;

// Two real files in a catalogue that is closed again, so only the command line works on it.
struct FileShelf {
    test::TempCatalogue catalogue;
    test::TempDir files;
    test::TempDir out;
    std::string path;

    FileShelf() : path(catalogue.path().string()) {
        test::CatalogueBuilder builder(catalogue.connection);
        fs::create_directories(files.path() / "in");
        for (const std::string name : {"a.mp3", "b.mp3"}) {
            std::ofstream(files.path() / "in" / name) << name;
            builder.add({.title = name,
                         .group = "Duo",
                         .genreId = 17,
                         .directory = (files.path() / "in").string() + "/",
                         .fileName = name,
                         .size = 5});
        }
        catalogue.connection.Open("");
    }
};

TEST(CopyFilesCommand, CopiesIntoGenreFoldersAndReportsClashesByName) {
    FileShelf shelf;
    CliRunner cli;
    const std::string to = (shelf.out.path() / "new").string();
    CliResult result = cli.run({"copy-files", shelf.path, "--to", to, "--genre-folders", "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 files have been copied.\n");
    EXPECT_TRUE(fs::exists(fs::path(to) / "!Rock" / "a.mp3"));
    result = cli.run({"copy-files", shelf.path, "--to", to, "--genre-folders", "--yes"});
    EXPECT_TRUE(fs::exists(fs::path(to) / "!Rock" / "b (1).mp3"));
}

TEST(CopyFilesCommand, TakesARelativeFolderFromTheCurrentFolderAndNoDeclines) {
    FileShelf shelf;
    CliRunner cli;
    const fs::path previous = fs::current_path();
    fs::current_path(shelf.out.path());
    const CliResult relative =
        cli.run({"copy-files", shelf.path, "--to", "./new/../copies", "--yes"});
    fs::current_path(previous);
    ASSERT_EQ(relative.status, 0) << relative.err;
    EXPECT_TRUE(fs::exists(shelf.out.path() / "copies" / "a.mp3"));

    const CliResult declined =
        cli.run({"move-files", shelf.path, "--to", (shelf.out.path() / "x").string(), "--no"});
    EXPECT_EQ(declined.status, 0);
    EXPECT_FALSE(fs::exists(shelf.out.path() / "x"));
}

TEST(MoveFilesCommand, MovesAndEmptiesTheSourceFolder) {
    FileShelf shelf;
    CliRunner cli;
    const CliResult result =
        cli.run({"move-files", shelf.path, "--to", shelf.out.path().string(), "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 files have been moved.\n");
    EXPECT_TRUE(fs::exists(shelf.out.path() / "a.mp3"));
    EXPECT_FALSE(fs::exists(shelf.files.path() / "in"));
}

TEST(CopyFilesCommand, OnlyIfMoreTakesAnyCount) {
    FileShelf shelf;
    CliRunner cli;
    const std::vector<std::pair<std::string, std::string>> cases = {{"1", "Duo/a.mp3"},
                                                                    {"2", "!Rock/a.mp3"}};
    for (const auto& [count, expected] : cases) {
        const std::string to = (shelf.out.path() / count).string();
        const CliResult result = cli.run({"copy-files", shelf.path, "--to", to, "--group-folders",
                                          "--only-if-more", count, "--yes"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::exists(fs::path(to) / expected)) << count;
    }
    EXPECT_NE(cli.run({"copy-files", shelf.path, "--to", shelf.out.path().string(),
                       "--group-folders", "--only-if-more", "0", "--yes"})
                  .status,
              0);
}

} // namespace
} // namespace tunebay
