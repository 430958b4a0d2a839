#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace tunebay {
namespace {

using test::CliRunner;

// Three catalogued files in a folder of their own, the catalogue closed again.
struct Shelf {
    test::TempCatalogue catalogue;
    test::TempDir files;
    test::AddedItem waterloo, solo, other;
    std::string path;

    Shelf() : path(catalogue.path().string()) {
        test::CatalogueBuilder builder(catalogue.connection);
        const std::string folder = files.path().string() + "/";
        files.write("01.MP3", "a");
        files.write("02.mp3", "b");
        waterloo = builder.add(
            {.title = "waterloo_", .group = "abba", .directory = folder, .fileName = "01.MP3"});
        solo = builder.add({.title = "solo  song", .directory = folder, .fileName = "02.mp3"});
        other = builder.add(
            {.title = "untouched_", .group = "Queen", .directory = folder, .fileName = "03.mp3"});
        catalogue.connection.Open("");
    }
    std::string scalar(const std::string& sql) {
        CCatalogueConnection connection;
        connection.Open(CatalogueConnectionString(path));
        ResultSet rows = connection.Execute(sql);
        return rows.IsEof() ? std::string() : rows.GetText(0);
    }
    std::string mediaOf(const test::AddedItem& item, const std::string& column) {
        return scalar("SELECT " + column +
                      " FROM tblMedia WHERE lID=" + std::to_string(item.mediaId));
    }
    std::string items() const {
        return std::to_string(waterloo.itemId) + "," + std::to_string(solo.itemId);
    }
};

TEST(CliTools, NamesAreCorrectedCapitalisedAndSetOnTheScopeOnly) {
    Shelf shelf;
    CliRunner cli;
    const auto result = cli.run({"tools", shelf.path, "--items", shelf.items(), "--correct",
                                 "--capitalize", "1", "--set-title", "Insert(END, \"!\");",
                                 "--set-published", "19999", "--set-genre", "17"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Applied the tools to 2 items.\n");
    EXPECT_EQ(shelf.mediaOf(shelf.waterloo, "sName"), "WATERLOO!");
    EXPECT_EQ(shelf.mediaOf(shelf.solo, "sName"), "SOLO SONG!");
    EXPECT_EQ(shelf.mediaOf(shelf.solo, "sPublishTime"), "1999");
    EXPECT_EQ(shelf.mediaOf(shelf.solo, "lGenreID"), "17");
    EXPECT_EQ(shelf.mediaOf(shelf.other, "sName"), "untouched_");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='ABBA'"), "1");
}

TEST(CliTools, RenamesFilesAndReportsFailuresWithExitOne) {
    Shelf shelf;
    CliRunner cli;
    const std::string all = shelf.items() + "," + std::to_string(shelf.other.itemId);
    const auto result =
        cli.run({"tools", shelf.path, "--items", all, "--correct", "--rename", "0", "--no"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(shelf.mediaOf(shelf.waterloo, "sFileName"), "abba - waterloo.mp3");
    EXPECT_TRUE(std::filesystem::exists(shelf.files.file("abba - waterloo.mp3")));
    EXPECT_EQ(shelf.mediaOf(shelf.solo, "sFileName"), "solo song.mp3");
    // The third file was never there.
    EXPECT_NE(result.err.find("> 1 filename/s couldn't be renamed!\n\n" +
                              shelf.files.path().string() + "/03.mp3 (Rename)"),
              std::string::npos)
        << result.err;
}

TEST(CliTools, NoAnswersTheTenFailuresQuestionAndEndsTheRun) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    std::string items;
    for (int i = 0; i < 12; ++i) {
        const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
        const auto item = builder.add({.title = "Missing " + number,
                                       .directory = "/nowhere/",
                                       .fileName = "gone" + number + ".mp3"});
        items += (items.empty() ? "" : ",") + std::to_string(item.itemId);
    }
    catalogue.connection.Open("");
    CliRunner cli;
    for (const auto& [answer, done] : {std::pair{"--no", 10}, std::pair{"--yes", 12}}) {
        const auto result = cli.run(
            {"tools", catalogue.path().string(), "--items", items, "--rename", "1", answer});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "Applied the tools to " + std::to_string(done) + " items.\n");
        EXPECT_NE(result.err.find("/nowhere/gone09.mp3 (Rename)"), std::string::npos) << result.err;
        // More than ten failures end the list with one ellipsis; each line says why.
        EXPECT_EQ(result.err.ends_with("gone09.mp3 (Rename): No such file or directory\n...\n"),
                  done == 12)
            << result.err;
    }
}

// Two runs at once over the same items: each run's edit lands on what the other wrote, so every
// title gains both marks and both runs say they applied their edit to every item.
TEST(CliTools, TwoRunsAtOnceLoseNoEdit) {
    constexpr int kItems = 1500;
    test::TempCatalogue catalogue;
    {
        test::CatalogueBuilder builder(catalogue.connection);
        for (int i = 0; i < kItems; ++i)
            builder.add({.title = "t" + std::to_string(i), .fileName = std::to_string(i) + ".mp3"});
    }
    catalogue.connection.Open("");
    const std::string path = catalogue.path().string();
    CliRunner first, second;
    test::CliResult results[2];
    const std::vector<std::string> arguments = {
        "tools", path, "--search", "Title|<>|zzz", "--set-title", "Insert(END, \"!\");", "--yes"};
    std::thread other([&] { results[1] = second.run(arguments); });
    results[0] = first.run(arguments);
    other.join();
    for (const auto& result : results) {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "Applied the tools to " + std::to_string(kItems) + " items.\n");
    }
    CCatalogueConnection connection;
    ASSERT_EQ(connection.Open(CatalogueConnectionString(path)), 0);
    EXPECT_EQ(connection.Execute("SELECT COUNT(*) FROM tblMedia WHERE sName LIKE '%!!'").GetInt(0),
              kItems);
}

TEST(CliTools, RefusedWithoutAWayToAnswerOrWithNothingToDo) {
    Shelf shelf;
    CliRunner cli;
    // Renames may bring a question; standard input is no terminal here.
    auto result = cli.run({"tools", shelf.path, "--items", shelf.items(), "--rename", "0"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--yes or --no"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(shelf.files.file("01.MP3")));

    result = cli.run({"tools", shelf.path, "--items", shelf.items()});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "There is nothing checked to apply!\n");
    result = cli.run({"tools", shelf.path, "--items", shelf.items(), "--set-title", ""});
    EXPECT_EQ(result.err, "You cannot set an empty title!\n");
    result = cli.run({"tools", shelf.path, "--correct"});
    EXPECT_EQ(result.status, 2);
    result = cli.run({"tools", shelf.path, "--items", shelf.items(), "--tag", "strip"});
    EXPECT_EQ(result.status, 2);
}

} // namespace
} // namespace tunebay
