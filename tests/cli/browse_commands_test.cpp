#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;

constexpr int kRock = 17;
constexpr int kPop = 13;

// A small catalogue on disk, closed again so that only the command line works on it.
struct Shelf {
    test::TempCatalogue catalogue;
    test::AddedItem song, ballad, live;
    std::string path;

    Shelf() : path(catalogue.path().string()) {
        test::CatalogueBuilder builder(catalogue.connection);
        song = builder.add({.title = "Song",
                            .group = "Abba",
                            .package = "Gold",
                            .genreId = kRock,
                            .directory = "/music/abba/",
                            .fileName = "song.mp3",
                            .length = 3723,
                            .publishTime = "1992",
                            .comment = "best\tof"});
        ballad = builder.add({.title = "Ballad",
                              .group = "Abba",
                              .package = "Gold",
                              .genreId = kPop,
                              .directory = "/music/abba/",
                              .fileName = "ballad.mp3",
                              .length = 59});
        live = builder.add({.title = "Live",
                            .group = "Queen",
                            .package = "Jazz",
                            .genreId = kRock,
                            .directory = "/music/queen/",
                            .fileName = "live.mp3",
                            .length = 200,
                            .comment = "Don't"});
        catalogue.connection.Open("");
    }
    std::string scalar(const std::string& sql) {
        CCatalogueConnection connection;
        connection.Open(CatalogueConnectionString(path));
        ResultSet rows = connection.Execute(sql);
        return rows.IsEof() ? std::string() : rows.GetText(0);
    }
    std::string node(int type, int id) const {
        return std::to_string(type) + ":" + std::to_string(id);
    }
};

std::string firstColumn(const std::string& lines) {
    std::string ids;
    std::size_t start = 0;
    while (start < lines.size()) {
        const std::size_t end = lines.find('\n', start);
        ids += (ids.empty() ? "" : ",") + lines.substr(start, lines.find('\t', start) - start);
        start = end == std::string::npos ? lines.size() : end + 1;
    }
    return ids;
}

std::string manyIds(int count) {
    std::string ids;
    for (int i = 1; i <= count; ++i)
        ids += (i > 1 ? "," : "") + std::to_string(i);
    return ids;
}

TEST(CliList, OneTabSeparatedLinePerItemInTheItemOrder) {
    Shelf shelf;
    CliRunner cli;
    const CliResult result = cli.run({"list", shelf.path});
    EXPECT_EQ(result.status, 0) << result.err;
    // ItemOrder 7: group, then title; tabs inside values become spaces.
    EXPECT_EQ(result.out,
              "2\tBallad\tAbba\tGold\t00:59\tPop\t\t\t/music/abba/ballad.mp3\n"
              "1\tSong\tAbba\tGold\t0102:03\tRock\t1992\tbest of\t/music/abba/song.mp3\n"
              "3\tLive\tQueen\tJazz\t03:20\tRock\t\tDon't\t/music/queen/live.mp3\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--sort", "-5"}).out), "1,3,2");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--sort", "6"}).out), "2,3,1");
    EXPECT_EQ(firstColumn(cli.run({"--set", "ItemOrder=-6", "list", shelf.path}).out), "1,3,2");
    EXPECT_EQ(cli.run({"list", shelf.path, "--sort", "11"}).status, 2);
    EXPECT_EQ(cli.run({"list", shelf.path, "--sort", "x"}).status, 2);
}

TEST(CliList, JsonAndTheStatementOnStderr) {
    Shelf shelf;
    CliRunner cli;
    const CliResult result = cli.run({"list", shelf.path, "--json", "--show-sql", "--items", "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto items = nlohmann::json::parse(result.out);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]["id"], 1);
    EXPECT_EQ(items[0]["title"], "Song");
    EXPECT_EQ(items[0]["comment"], "best\tof");
    EXPECT_EQ(items[0]["length"], 3723);
    EXPECT_EQ(items[0]["lengthText"], "0102:03");
    EXPECT_EQ(items[0]["path"], "/music/abba/song.mp3");
    EXPECT_EQ(
        result.err,
        "SELECT tblItem.lID, tblMedia.sName, tblMedia.lLength, tblGroup.sName, "
        "tblGenre.sName, tblMedia.sPublishTime, tblMedia.sComment, tblPackage.sName, "
        "tblDirectory.sLocal, tblMedia.sFileName FROM tblGroup, tblPackage, tblMedia, "
        "tblGenre, tblItem, tblDirectory WHERE tblGroup.lID=tblItem.lGroupID AND "
        "tblItem.lPackageID=tblPackage.lID AND tblItem.lMediaID=tblMedia.lID AND "
        "tblMedia.lGenreID=tblGenre.lID AND tblMedia.lDirectoryID=tblDirectory.lID AND "
        "( tblItem.lID=1 ) ORDER BY tblGroup.sName ASC, tblMedia.sName ASC, tblItem.lID ASC\n");
    const CliResult none = cli.run({"list", shelf.path, "--json", "--items", "99"});
    EXPECT_EQ(nlohmann::json::parse(none.out), nlohmann::json::array());
}

TEST(CliList, ItemScopesAndTheirLimit) {
    Shelf shelf;
    CliRunner cli;
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--items", "3,1"}).out), "1,3");
    EXPECT_EQ(cli.run({"list", shelf.path, "--items", manyIds(255)}).status, 0);
    const CliResult refused = cli.run({"list", shelf.path, "--items", manyIds(256)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "Only a maximum of 255 items can be selected directly! Please focus "
                           "left side or reduce amount of items!\n");
    EXPECT_EQ(cli.run({"list", shelf.path, "--items", "1,,2"}).status, 2);
    EXPECT_EQ(cli.run({"list", shelf.path, "--items", "1", "--node", "1:17"}).status, 2);
}

TEST(CliList, NodeScopesGiveEverythingBelowTheNode) {
    Shelf shelf;
    CliRunner cli;
    const std::string abba = shelf.node(2, shelf.song.groupId);
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node", "1:17"}).out), "1,3");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node", abba}).out), "2,1");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node", abba + ",1:17"}).out), "1");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node",
                                   shelf.node(3, shelf.live.packageId) + "," +
                                       shelf.node(2, shelf.live.groupId) + ",1:17"})
                              .out),
              "3");
    EXPECT_EQ(cli.run({"list", shelf.path, "--node", "1:13,1:17"}).out, "");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node", "11:2"}).out), "2");
    EXPECT_EQ(cli.run({"list", shelf.path, "--node", "5:1"}).status, 2);
    EXPECT_EQ(cli.run({"list", shelf.path, "--node", "2"}).status, 2);
    EXPECT_EQ(cli.run({"list", shelf.path, "--node", "2:x"}).status, 2);
}

TEST(CliList, SearchScopesAreBuiltAsTheFormBuildsThem) {
    Shelf shelf;
    CliRunner cli;
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--search", "Title|=|o"}).out), "1");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--search", "*|=|abba"}).out), "2,1");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--search", "Length|<|1", "--link", "OR",
                                   "--search2", "Comment|=|don't"})
                              .out),
              "2,3");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--search", "Group|=|abba", "--link", "AND",
                                   "--search2", "Genre|=|rock"})
                              .out),
              "1");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--search", "Comment|<>|"}).out), "1,3");
    EXPECT_EQ(cli.run({"list", shelf.path, "--search", "Duplicates:Name"}).out, "");
    const CliResult refused = cli.run({"list", shelf.path, "--search", "ImportTime|>|yesterday"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is no date or time"), std::string::npos);
    EXPECT_EQ(
        cli.run({"list", shelf.path, "--search", "Title|=|a", "--search2", "Title|=|b"}).status, 2);
    EXPECT_EQ(cli.run({"list", shelf.path, "--search", "Title|=|a", "--link", "NOT", "--search2",
                       "Title|=|b"})
                  .status,
              2);
}

TEST(CliTree, TheRootThenEachNodeIndentedByLevel) {
    Shelf shelf;
    CliRunner cli;
    const std::string abba = std::to_string(shelf.song.groupId);
    const std::string queen = std::to_string(shelf.live.groupId);
    const CliResult result = cli.run({"tree", shelf.path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Tunebay\n  1:13\tPop\n    2:" + abba + "\tAbba\n  1:17\tRock\n    2:" +
                              abba + "\tAbba\n    2:" + queen + "\tQueen\n");
    EXPECT_EQ(cli.run({"tree", shelf.path, "--view", "3"}).out,
              "Tunebay\n  2:" + abba + "\tAbba\n    3:" + std::to_string(shelf.song.packageId) +
                  "\tGold\n  2:" + queen +
                  "\tQueen\n    3:" + std::to_string(shelf.live.packageId) + "\tJazz\n");
    EXPECT_EQ(cli.run({"--set", "FolderView=4", "tree", shelf.path}).out,
              "Tunebay\n  1:13\tPop\n  1:17\tRock\n");
    EXPECT_EQ(cli.run({"tree", shelf.path, "--view", "0"}).out, "Tunebay\n");
    EXPECT_EQ(cli.run({"tree", shelf.path, "--view", "8"}).status, 2);
}

TEST(CliDelete, AsksThenDeletesWithTheCleanUp) {
    Shelf shelf;
    CliRunner cli;
    EXPECT_EQ(cli.run({"delete", shelf.path}).status, 2); // no scope: use clear
    const CliResult declined = cli.run({"delete", shelf.path, "--items", "3"}, "n\n");
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.err,
              "Do you really want to delete the selected items? [y/N] Nothing deleted.\n");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblItem"), "3");

    const CliResult agreed = cli.run({"delete", shelf.path, "--items", "3"}, "yes\n");
    EXPECT_EQ(agreed.status, 0);
    EXPECT_EQ(agreed.out, "Deleted 1 item.\n");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Queen'"), "0");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sLocal='/music/queen/'"), "0");

    const CliResult none = cli.run({"delete", shelf.path, "--search", "*|=|zzz", "--yes"});
    EXPECT_EQ(none.out, "Deleted 0 items.\n");
    const CliResult rock = cli.run({"delete", shelf.path, "--node", "1:17", "--yes"});
    EXPECT_EQ(rock.out, "Deleted 1 item.\n");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblItem"), "1");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblGroup"), "1");
}

TEST(CliRename, TitlesAndGroupAndPackageNodes) {
    Shelf shelf;
    CliRunner cli;
    EXPECT_EQ(cli.run({"rename", shelf.path, "1", "It's new"}).status, 0);
    EXPECT_EQ(shelf.scalar("SELECT sName FROM tblMedia WHERE lID=1"), "It's new");
    EXPECT_EQ(cli.run({"rename", shelf.path, "1", ""}).status, 0);
    EXPECT_EQ(shelf.scalar("SELECT sName FROM tblMedia WHERE lID=1"), "Unknown");
    const CliResult missing = cli.run({"rename", shelf.path, "42", "x"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Couldn't save edited item!\n");

    const std::string queen = std::to_string(shelf.live.groupId);
    const CliResult renamed = cli.run({"rename-node", shelf.path, "group", queen, "Queen II"});
    EXPECT_EQ(renamed.out, "renamed\n");
    const CliResult merged = cli.run({"rename-node", shelf.path, "group", queen, "ABBA"});
    EXPECT_EQ(merged.status, 0);
    EXPECT_EQ(merged.out, "merged\n");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblGroup"), "1");
    EXPECT_EQ(
        cli.run({"rename-node", shelf.path, "package", std::to_string(shelf.live.packageId), ""})
            .out,
        "renamed\n");
    EXPECT_EQ(shelf.scalar("SELECT sName FROM tblPackage WHERE lID=" +
                           std::to_string(shelf.live.packageId)),
              "Unknown");
    EXPECT_EQ(cli.run({"rename-node", shelf.path, "group", "99", "x"}).status, 1);
    EXPECT_EQ(cli.run({"rename-node", shelf.path, "genre", "17", "x"}).status, 2);
    EXPECT_EQ(cli.run({"rename-node", shelf.path, "group", "1", std::string(256, 'x')}).status, 2);
    EXPECT_EQ(cli.run({"rename-node", shelf.path, "group", "1", std::string(255, 'x')}).status, 0);
}

TEST(CliMove, TheDropOntoATreeNode) {
    Shelf shelf;
    CliRunner cli;
    const std::string jazzPath =
        shelf.node(3, shelf.live.packageId) + "," + shelf.node(2, shelf.live.groupId) + ",1:17";
    const CliResult moved = cli.run({"move", shelf.path, "--items", "2", "--to", jazzPath});
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(moved.out, "Moved 1 item.\n");
    EXPECT_EQ(firstColumn(cli.run({"list", shelf.path, "--node", jazzPath}).out), "2,3");

    // Onto a genre: only the genre changes.
    EXPECT_EQ(cli.run({"move", shelf.path, "--node", "1:17", "--to", "1:13"}).out,
              "Moved 3 items.\n");
    EXPECT_EQ(cli.run({"tree", shelf.path, "--view", "4"}).out, "Tunebay\n  1:13\tPop\n");
    EXPECT_EQ(shelf.scalar("SELECT lGroupID FROM tblItem WHERE lID=1"),
              std::to_string(shelf.song.groupId));

    // A node onto its own parent stays.
    const std::string abba = shelf.node(2, shelf.song.groupId);
    EXPECT_EQ(cli.run({"move", shelf.path, "--node", abba + ",1:13", "--to", "1:13"}).out,
              "Moved 0 items.\n");

    EXPECT_EQ(cli.run({"move", shelf.path, "--items", "1", "--to", "2:999"}).status, 1);
    EXPECT_EQ(cli.run({"move", shelf.path, "--items", "1", "--to", "11:1"}).status, 2);
    EXPECT_EQ(cli.run({"move", shelf.path, "--to", "1:13"}).status, 2);
    EXPECT_EQ(cli.run({"move", shelf.path, "--items", "1"}).status, 2);
}

TEST(CliClear, RemovesAllDataAfterAsking) {
    Shelf shelf;
    CliRunner cli;
    EXPECT_EQ(cli.run({"clear", shelf.path}, "no\n").status, 1);
    EXPECT_EQ(cli.run({"clear", shelf.path}).status, 1); // no answer is No
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblItem"), "3");
    const CliResult cleared = cli.run({"clear", shelf.path}, "y\n");
    EXPECT_EQ(cleared.status, 0);
    EXPECT_EQ(cleared.err, "Clear the whole database? [y/N] ");
    EXPECT_EQ(cli.run({"list", shelf.path}).out, "");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblDirectory"), "0");
    EXPECT_EQ(shelf.scalar("SELECT COUNT(*) FROM tblGenre"), "127");
    EXPECT_EQ(cli.run({"clear", shelf.path, "--yes"}).status, 0);
}

} // namespace
} // namespace tunebay
