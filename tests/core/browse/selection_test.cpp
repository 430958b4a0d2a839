#include "browse/node_condition.h"
#include "browse/selection.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tunebay {
namespace {

// Root, genre 17, group 5 under it, package 12 under the group.
std::shared_ptr<const NodeArray> nestedNodes() {
    return std::make_shared<const NodeArray>(
        NodeArray{{0, 0, 0}, {1, 17, 0}, {2, 5, 1}, {3, 12, 2}});
}

std::vector<int> ids(int count, int first = 1) {
    std::vector<int> result(count);
    std::iota(result.begin(), result.end(), first);
    return result;
}

TEST(NodePathCondition, NestedLevelsGiveInnermostTermFirst) {
    const auto nodes = nestedNodes();
    EXPECT_EQ(NodePathCondition((*nodes)[3], *nodes),
              "tblPackage.lID=12 AND tblGroup.lID=5 AND tblGenre.lID=17");
    EXPECT_EQ(NodePathCondition((*nodes)[2], *nodes), "tblGroup.lID=5 AND tblGenre.lID=17");
    EXPECT_EQ(NodePathCondition((*nodes)[1], *nodes), "tblGenre.lID=17");
    EXPECT_EQ(NodePathCondition((*nodes)[0], *nodes), "");
}

TEST(NodePathCondition, EveryTypeHasItsColumnAndTheChainEndsWhereItShould) {
    const NodeArray none;
    EXPECT_EQ(NodePathCondition({4, 9, 0}, none), "tblMedia.lID=9");
    EXPECT_EQ(NodePathCondition({11, 3, 0}, none), "tblItem.lID=3");
    // A list row's parent index 0 is the root of the tree's array, which ends the chain.
    EXPECT_EQ(NodePathCondition({11, 3, 0}, *nestedNodes()), "tblItem.lID=3");
    // A parent index outside the array ends the chain after the node itself.
    EXPECT_EQ(NodePathCondition({3, 12, 40}, *nestedNodes()), "tblPackage.lID=12");
    EXPECT_EQ(NodePathCondition({3, 12, -1}, *nestedNodes()), "tblPackage.lID=12");
    // A type that stands for no table ends it as type 0 does.
    EXPECT_EQ(NodePathCondition({7, 1, 0}, none), "");
}

TEST(NodePathCondition, ALoopingArrayStillEnds) {
    const NodeArray loop{{2, 5, 1}, {1, 17, 0}};
    const std::string condition = NodePathCondition(loop[0], loop);
    EXPECT_EQ(condition, "tblGroup.lID=5 AND tblGenre.lID=17 AND tblGroup.lID=5");
}

TEST(NodeChain, ArraysFromChainsAndChainsFromArrays) {
    const NodeChain chain{{3, 12}, {2, 5}, {1, 17}};
    const NodeArray nodes = NodeArrayFromChain(chain);
    EXPECT_EQ(nodes, (NodeArray{{0, 0, 0}, {1, 17, 0}, {2, 5, 1}, {3, 12, 2}}));
    EXPECT_EQ(NodeChainOf(nodes, 3), chain);
    EXPECT_EQ(NodeChainOf(nodes, 0), NodeChain{});
    EXPECT_EQ(NodePathCondition(nodes.back(), nodes),
              "tblPackage.lID=12 AND tblGroup.lID=5 AND tblGenre.lID=17");
}

TEST(BuildSelection, SelectedRowsBecomeAnOrListInListOrder) {
    ListState list;
    list.listedRows = 10;
    list.selectedRows = 3;
    list.selectedItemIds = {7, 3, 12};
    list.itemOrder = -6;
    Selection selection;
    selection.columns = "SELECT tblItem.lID";
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.condition, " tblItem.lID=7 OR tblItem.lID=3 OR tblItem.lID=12 ");
    EXPECT_EQ(selection.sortCode, -6);
    EXPECT_EQ(selection.nodeType, 0);
    EXPECT_EQ(selection.nodes, nullptr);
    EXPECT_EQ(selection.columns, "SELECT tblItem.lID"); // the consumer's own
}

TEST(BuildSelection, TwoHundredFiftyFiveRowsPassAndTwoHundredFiftySixAreRefused) {
    ListState list;
    list.listedRows = 1000;
    list.selectedRows = 255;
    list.selectedItemIds = ids(255);
    Selection selection;
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    size_t terms = 0;
    for (size_t at = selection.condition.find("tblItem.lID="); at != std::string::npos;
         at = selection.condition.find("tblItem.lID=", at + 1))
        ++terms;
    EXPECT_EQ(terms, 255u);
    EXPECT_EQ(selection.condition.substr(0, 16), " tblItem.lID=1 O");
    EXPECT_EQ(selection.condition.substr(selection.condition.size() - 19), "OR tblItem.lID=255 ");

    list.selectedRows = 256;
    list.selectedItemIds = ids(256);
    Selection refused;
    refused.condition = "untouched";
    EXPECT_EQ(BuildSelection(list, refused), SelectionStatus::TooManyItems);
    EXPECT_EQ(refused.condition, "untouched");
    EXPECT_STREQ(kMessageTooManyItems, "Only a maximum of 255 items can be selected directly! "
                                       "Please focus left side or reduce amount of items!");
}

TEST(BuildSelection, AllRowsSelectedGiveTheTreeNodeNotAnOrList) {
    ListState list;
    list.listedRows = 10000;
    list.selectedRows = 10000;
    list.selectedItemIds = ids(10000);
    list.scope.nodes = nestedNodes();
    list.scope.selectedNode = (*list.scope.nodes)[2];
    list.itemOrder = 7;
    Selection selection;
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.condition, "");
    EXPECT_EQ(selection.nodeType, 2);
    EXPECT_EQ(selection.nodeId, 5);
    EXPECT_EQ(selection.nodeParent, 1);
    EXPECT_EQ(selection.nodes, list.scope.nodes);
    EXPECT_EQ(selection.sortCode, 7);
    EXPECT_EQ(SelectionCondition(selection), "tblGroup.lID=5 AND tblGenre.lID=17");
}

TEST(BuildSelection, AnEmptyListGivesTheScopeAndTheRootGivesEverything) {
    ListState list; // nothing listed, nothing selected, the root selected
    Selection selection;
    selection.condition = "old";
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.nodeType, 0);
    EXPECT_EQ(SelectionCondition(selection), "");
}

TEST(BuildSelection, TheSearchPaneGivesItsConditionOnlyWhenItHasOne) {
    ListState list;
    list.listedRows = list.selectedRows = 4;
    list.scope.nodes = nestedNodes();
    list.scope.selectedNode = (*list.scope.nodes)[1];
    list.scope.searchCondition = "( (tblMedia.sName LIKE '%a%') )";

    list.scope.view = kExplorerSearch;
    Selection selection;
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.condition, list.scope.searchCondition);
    EXPECT_EQ(selection.nodeType, 0);

    list.scope.view = kExplorerFolders; // the tree is shown: its node, whatever was searched
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.condition, "");
    EXPECT_EQ(selection.nodeType, 1);

    list.scope.view = kExplorerSearch;
    list.scope.searchCondition.clear();
    ASSERT_EQ(BuildSelection(list, selection), SelectionStatus::Ok);
    EXPECT_EQ(selection.nodeType, 1);
}

TEST(BuildSelection, NoSelectedRowFailsWithoutMessage) {
    ListState list;
    list.listedRows = 5;
    list.selectedRows = 0;
    Selection selection;
    EXPECT_EQ(BuildSelection(list, selection), SelectionStatus::NothingSelected);
}

TEST(SelectionStatement, NodeAndConditionAreJoinedAndTheConditionKeepsItsOrTerms) {
    Selection selection = NodeSelection(nestedNodes(), 2, 7);
    selection.columns = "SELECT tblItem.lID, tblGroup.sName, tblMedia.sName";
    selection.condition = " tblItem.lID=1 OR tblItem.lID=2 ";
    EXPECT_EQ(SelectionCondition(selection),
              "tblGroup.lID=5 AND tblGenre.lID=17 AND ( tblItem.lID=1 OR tblItem.lID=2 )");
    EXPECT_EQ(SelectionStatement(selection),
              "SELECT tblItem.lID, tblGroup.sName, tblMedia.sName FROM tblGroup, tblPackage, "
              "tblMedia, tblGenre, tblItem, tblDirectory WHERE tblGroup.lID=tblItem.lGroupID AND "
              "tblItem.lPackageID=tblPackage.lID AND tblItem.lMediaID=tblMedia.lID AND "
              "tblMedia.lGenreID=tblGenre.lID AND tblMedia.lDirectoryID=tblDirectory.lID AND "
              "(tblGroup.lID=5 AND tblGenre.lID=17 AND ( tblItem.lID=1 OR tblItem.lID=2 )) "
              "ORDER BY tblGroup.sName ASC, tblMedia.sName ASC, tblItem.lID ASC");
    // A node type without an array is no node: the condition alone.
    selection.nodes = nullptr;
    EXPECT_EQ(SelectionCondition(selection), " tblItem.lID=1 OR tblItem.lID=2 ");
}

TEST(RunSelection, ReadsTheItemsOfATreeNodeOrAnIdList) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    const auto a = builder.add({.title = "A", .group = "G1", .package = "P1", .genreId = 17});
    const auto b = builder.add({.title = "B", .group = "G1", .package = "P2", .genreId = 17});
    const auto c = builder.add({.title = "C", .group = "G2", .package = "P3", .genreId = 13});

    auto readIds = [&](Selection selection) {
        selection.columns = "SELECT tblItem.lID, tblGroup.sName, tblMedia.sName";
        std::vector<int> result;
        for (ResultSet rows = RunSelection(catalogue.connection, selection); !rows.IsEof();
             rows.MoveNext())
            result.push_back(rows.GetInt(0));
        return result;
    };
    const auto nodes = std::make_shared<const NodeArray>(
        NodeArrayFromChain({{kNodeGroup, a.groupId}, {kNodeGenre, 17}}));
    EXPECT_EQ(readIds(NodeSelection(nodes, nodes->size() - 1, 6)),
              (std::vector<int>{a.itemId, b.itemId}));
    EXPECT_EQ(readIds(NodeSelection(nodes, 0, -6)),
              (std::vector<int>{c.itemId, b.itemId, a.itemId}));

    Selection byId;
    const std::vector<int> chosen{c.itemId, a.itemId};
    ASSERT_EQ(ItemIdSelection(chosen, 6, byId), SelectionStatus::Ok);
    EXPECT_EQ(readIds(byId), (std::vector<int>{a.itemId, c.itemId}));

    // No columns: nothing is run.
    EXPECT_TRUE(RunSelection(catalogue.connection, Selection{}).IsEof());
}

} // namespace
} // namespace tunebay
