#include "browse/folder_tree.h"
#include "browse/item_drop.h"
#include "browse/node_condition.h"
#include "browse/tree_node_rename.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <map>

namespace tunebay {
namespace {

using test::CatalogueBuilder;
using test::TempCatalogue;

constexpr int kRock = 17;
constexpr int kPop = 13;

// The tree as indented lines, the selected node marked with "*".
std::string render(const FolderTree& tree) {
    std::string text;
    auto walk = [&](auto&& self, std::uint32_t index, int depth) -> void {
        text += std::string(depth * 2, ' ') + tree.names[index] +
                (index == tree.selected ? "*" : "") + "\n";
        for (const auto child : tree.children[index])
            self(self, child, depth + 1);
    };
    if (!tree.empty())
        walk(walk, 0, 0);
    return text;
}

// Five items: Abba has Gold (rock and pop items) and Arrival (rock); Queen has Jazz (pop and
// rock items).
struct Shelf {
    TempCatalogue catalogue;
    test::AddedItem gold, arrival, goldPop, jazzPop, jazzRock;

    Shelf() {
        CatalogueBuilder builder(catalogue.connection);
        gold = builder.add({.title = "t1", .group = "Abba", .package = "Gold", .genreId = kRock});
        arrival =
            builder.add({.title = "t2", .group = "Abba", .package = "Arrival", .genreId = kRock});
        goldPop = builder.add({.title = "t3", .group = "Abba", .package = "Gold", .genreId = kPop});
        jazzPop =
            builder.add({.title = "t4", .group = "Queen", .package = "Jazz", .genreId = kPop});
        jazzRock =
            builder.add({.title = "t5", .group = "Queen", .package = "Jazz", .genreId = kRock});
    }
    FolderTree tree(int view, const NodeChain& remembered = {}) {
        return PopulateTree(catalogue.connection, view, remembered);
    }
};

TEST(TreeStatement, OrdersByTheShownLevelsInTheirFixedOrder) {
    const std::string head =
        "SELECT tblGenre.lID, tblGenre.sName, tblGroup.lID, tblGroup.sName, tblPackage.lID, "
        "tblPackage.sName FROM tblGroup, tblPackage, tblMedia, tblGenre, tblItem, tblDirectory "
        "WHERE tblGroup.lID=tblItem.lGroupID AND tblItem.lPackageID=tblPackage.lID AND "
        "tblItem.lMediaID=tblMedia.lID AND tblMedia.lGenreID=tblGenre.lID AND "
        "tblMedia.lDirectoryID=tblDirectory.lID GROUP BY tblGenre.lID, tblGenre.sName, "
        "tblGroup.lID, tblGroup.sName, tblPackage.lID, tblPackage.sName";
    EXPECT_EQ(TreeStatement(5),
              head + " ORDER BY tblGenre.sName, tblGenre.lID, tblGroup.sName, tblGroup.lID");
    EXPECT_EQ(TreeStatement(7), head + " ORDER BY tblGenre.sName, tblGenre.lID, tblGroup.sName, "
                                       "tblGroup.lID, tblPackage.sName, tblPackage.lID");
    EXPECT_EQ(TreeStatement(2), head + " ORDER BY tblPackage.sName, tblPackage.lID");
    EXPECT_EQ(TreeStatement(3), head + " ORDER BY tblGroup.sName, tblGroup.lID, "
                                       "tblPackage.sName, tblPackage.lID");
    EXPECT_EQ(TreeStatement(0), head);
}

TEST(FolderTree, EveryFolderViewCombination) {
    Shelf shelf;
    const std::map<int, std::string> expected{
        {0, "Tunebay*\n"},
        {1, "Tunebay*\n  Abba\n  Queen\n"},
        {2, "Tunebay*\n  Arrival\n  Gold\n  Jazz\n"},
        {3, "Tunebay*\n  Abba\n    Arrival\n    Gold\n  Queen\n    Jazz\n"},
        {4, "Tunebay*\n  Pop\n  Rock\n"},
        {5, "Tunebay*\n  Pop\n    Abba\n    Queen\n  Rock\n    Abba\n    Queen\n"},
        {6, "Tunebay*\n  Pop\n    Gold\n    Jazz\n  Rock\n    Arrival\n    Gold\n    Jazz\n"},
        {7, "Tunebay*\n  Pop\n    Abba\n      Gold\n    Queen\n      Jazz\n  Rock\n    Abba\n"
            "      Arrival\n      Gold\n    Queen\n      Jazz\n"},
    };
    for (const auto& [view, text] : expected)
        EXPECT_EQ(render(shelf.tree(view)), text) << "FolderView " << view;
}

TEST(FolderTree, NodesCarryTypeIdAndParentIndex) {
    Shelf shelf;
    const FolderTree tree = shelf.tree(5);
    ASSERT_EQ(tree.nodes.size(), 7u);
    EXPECT_EQ(tree.nodes[0], (ScopeNode{0, 0, 0}));
    EXPECT_EQ(tree.nodes[1], (ScopeNode{1, kPop, 0}));
    EXPECT_EQ(tree.nodes[2], (ScopeNode{2, shelf.gold.groupId, 1}));
    EXPECT_EQ(tree.nodes[3], (ScopeNode{2, shelf.jazzPop.groupId, 1}));
    EXPECT_EQ(tree.nodes[4], (ScopeNode{1, kRock, 0}));
    EXPECT_EQ(tree.nodes[5], (ScopeNode{2, shelf.gold.groupId, 4}));
    EXPECT_EQ(NodePathCondition(tree.nodes[5], tree.nodes),
              "tblGroup.lID=" + std::to_string(shelf.gold.groupId) + " AND tblGenre.lID=17");
    EXPECT_EQ(TreeImage(kNodeGenre), 2);
    EXPECT_EQ(TreeImage(kNodePackage), 3);
    EXPECT_EQ(TreeImage(kNodeGroup), 4);
}

TEST(FolderTree, APackageSplitByOtherRowsStillAppearsOnceUnderItsParent) {
    // Packages only, with two packages of one name whose rows interleave in the query's order.
    const std::vector<TreeRow> rows{{1, "A", 1, "G", 10, "Hits"},
                                    {1, "A", 2, "H", 11, "Hits"},
                                    {2, "B", 1, "G", 10, "Hits"},
                                    {2, "B", 1, "G", 12, "Live"}};
    const FolderTree tree = BuildFolderTree(rows, kFolderViewPackage, {});
    EXPECT_EQ(render(tree), "Tunebay*\n  Hits\n  Hits\n  Live\n");
    EXPECT_EQ(tree.nodes[1].id, 10);
    EXPECT_EQ(tree.nodes[2].id, 11);
}

TEST(FolderTree, LargeTreesKeepEveryNodeOnceAndFindTheRememberedOne) {
    std::vector<TreeRow> rows;
    for (int group = 1; group <= 3000; ++group)
        for (int package = 0; package < 3; ++package)
            for (const int genre : {1, 2}) // each package's rows twice, as for two genres
                rows.push_back({genre, "g", group, "G" + std::to_string(group),
                                group * 10 + package, "P" + std::to_string(package)});
    const FolderTree tree = BuildFolderTree(rows, kFolderViewGroup | kFolderViewPackage,
                                            {{kNodePackage, 29992}, {kNodeGroup, 2999}});
    ASSERT_EQ(tree.nodes.size(), 1u + 3000 + 9000);
    ASSERT_EQ(tree.children[0].size(), 3000u);
    for (const auto group : tree.children[0])
        EXPECT_EQ(tree.children[group].size(), 3u);
    EXPECT_EQ(tree.names[tree.selected], "P2");
    EXPECT_EQ(NodeChainOf(tree.nodes, tree.selected),
              (NodeChain{{kNodePackage, 29992}, {kNodeGroup, 2999}}));
    EXPECT_EQ(BuildFolderTree(rows, 3, {{kNodeItem, 1}}).selected, 0u);
}

TEST(FolderTree, TheRememberedNodeIsSelectedAgainWhereverItNowStands) {
    Shelf shelf;
    FolderTree tree = shelf.tree(5);
    const NodeChain queenInRock = NodeChainOf(tree.nodes, 6);
    ASSERT_EQ(queenInRock, (NodeChain{{2, shelf.jazzRock.groupId}, {1, kRock}}));

    // An import brings a genre that sorts first: every index moves on.
    CatalogueBuilder builder(shelf.catalogue.connection);
    builder.add({.group = "Queen", .package = "Jazz", .genreId = 26}); // Ambient
    tree = shelf.tree(5, queenInRock);
    EXPECT_EQ(render(tree), "Tunebay\n  Ambient\n    Queen\n  Pop\n    Abba\n    Queen\n"
                            "  Rock\n    Abba\n    Queen*\n");

    // Gone (or the level no longer shown): the root.
    EXPECT_EQ(shelf.tree(1, queenInRock).selected, 0u);
    EXPECT_EQ(shelf.tree(5, {{2, 999}, {1, kRock}}).selected, 0u);
    EXPECT_EQ(shelf.tree(5, {}).selected, 0u);
}

TEST(FolderTree, AClosedCatalogueGivesNoTreeAtAll) {
    CCatalogueConnection closed;
    EXPECT_TRUE(PopulateTree(closed, 5, {}).empty());
}

TEST(TreeNodeRename, RenamesOrMergesGroupsAndPackages) {
    Shelf shelf;
    std::string why;
    EXPECT_EQ(RenameTreeNode(shelf.catalogue.connection, {kNodeGroup, shelf.gold.groupId, 1},
                             "ABBA", &why),
              NodeRenameOutcome::Renamed);
    EXPECT_EQ(render(shelf.tree(1)), "Tunebay*\n  ABBA\n  Queen\n");

    // Renaming Queen to the other group's name merges the two; the node goes.
    EXPECT_EQ(
        RenameTreeNode(shelf.catalogue.connection, {kNodeGroup, shelf.jazzPop.groupId, 1}, "abba"),
        NodeRenameOutcome::Merged);
    EXPECT_EQ(render(shelf.tree(3)), "Tunebay*\n  ABBA\n    Arrival\n    Gold\n    Jazz\n");
    EXPECT_EQ(shelf.catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), "1");

    // Packages the same way; the empty text gives "Unknown".
    EXPECT_EQ(RenameTreeNode(shelf.catalogue.connection, {kNodePackage, shelf.jazzPop.packageId, 2},
                             "Gold"),
              NodeRenameOutcome::Merged);
    EXPECT_EQ(
        RenameTreeNode(shelf.catalogue.connection, {kNodePackage, shelf.arrival.packageId, 2}, ""),
        NodeRenameOutcome::Renamed);
    EXPECT_EQ(render(shelf.tree(2)), "Tunebay*\n  Gold\n  Unknown\n");
}

TEST(TreeNodeRename, OnlyExistingGroupAndPackageRowsCanBeRenamed) {
    Shelf shelf;
    std::string why;
    EXPECT_FALSE(CanRenameNode({kNodeGenre, kRock, 0}));
    EXPECT_FALSE(CanRenameNode({0, 0, 0}));
    EXPECT_TRUE(CanRenameNode({kNodePackage, 1, 0}));
    EXPECT_EQ(RenameTreeNode(shelf.catalogue.connection, {kNodeGenre, kRock, 0}, "Jazz", &why),
              NodeRenameOutcome::Failed);
    EXPECT_EQ(RenameTreeNode(shelf.catalogue.connection, {kNodeGroup, 999, 0}, "X", &why),
              NodeRenameOutcome::Failed);
    EXPECT_EQ(why, "no group 999");
    EXPECT_EQ(shelf.catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='X'"), "0");
}

TEST(ItemDrop, RefusedDropsChangeNothing) {
    const NodeArray nodes{{0, 0, 0}, {1, kRock, 0}, {2, 5, 1}, {3, 12, 2}, {2, 6, 1}};
    EXPECT_FALSE(IsDropAccepted(DragMode::TreeNode, nodes, 2, 1)); // onto its own parent
    EXPECT_FALSE(IsDropAccepted(DragMode::TreeNode, nodes, 2, 2)); // onto itself
    EXPECT_TRUE(IsDropAccepted(DragMode::TreeNode, nodes, 3, 4));
    EXPECT_TRUE(IsDropAccepted(DragMode::TreeNode, nodes, 2, 4));
    EXPECT_FALSE(IsDropAccepted(DragMode::ListRows, nodes, {}, 0)); // onto the root
    EXPECT_TRUE(IsDropAccepted(DragMode::ListRows, nodes, {}, 3));
    EXPECT_FALSE(IsDropAccepted(DragMode::ListRows, nodes, {}, {})); // onto no item
    EXPECT_FALSE(IsDropAccepted(DragMode::None, nodes, {}, 3));
    EXPECT_FALSE(IsDropAccepted(DragMode::ListRows, nodes, {}, 9));
}

TEST(ItemDrop, TargetLevelsComeFromThePathOfTheTargetNode) {
    const NodeArray nodes{{0, 0, 0}, {1, kRock, 0}, {2, 5, 1}, {3, 12, 2}, {3, 14, 0}};
    const DropLevels package = DropTargetLevels(nodes, 3);
    EXPECT_EQ(package.genreId, kRock);
    EXPECT_EQ(package.groupId, 5);
    EXPECT_EQ(package.packageId, 12);
    const DropLevels group = DropTargetLevels(nodes, 2);
    EXPECT_EQ(group.genreId, kRock);
    EXPECT_EQ(group.groupId, 5);
    EXPECT_EQ(group.packageId, -1);
    const DropLevels genre = DropTargetLevels(nodes, 1);
    EXPECT_EQ(genre.groupId, -1);
    EXPECT_EQ(genre.packageId, -1);
    const DropLevels alone = DropTargetLevels(nodes, 4);
    EXPECT_EQ(alone.genreId, -1);
    EXPECT_EQ(alone.packageId, 14);
    EXPECT_TRUE(DropTargetLevels(nodes, 0).empty());
}

TEST(ItemDrop, ListRowsOntoAPackageUnderAGroupUnderAGenreTakeAllThree) {
    Shelf shelf;
    const FolderTree tree = shelf.tree(7);
    // Pop > Queen > Jazz.
    const std::size_t target = 5;
    ASSERT_EQ(tree.names[target], "Jazz");
    ASSERT_EQ(tree.nodes[tree.nodes[target].parent].type, kNodeGroup);
    Selection rows;
    const std::vector<int> chosen{shelf.gold.itemId, shelf.arrival.itemId};
    ASSERT_EQ(ItemIdSelection(chosen, 7, rows), SelectionStatus::Ok);
    EXPECT_EQ(
        MoveItemsToNode(shelf.catalogue.connection, rows, DropTargetLevels(tree.nodes, target)), 2);
    EXPECT_EQ(render(shelf.tree(7)),
              "Tunebay*\n  Pop\n    Abba\n      Gold\n    Queen\n      Jazz\n  Rock\n"
              "    Queen\n      Jazz\n");
    EXPECT_EQ(shelf.catalogue.scalar("SELECT COUNT(*) FROM tblItem WHERE lPackageID=" +
                                     std::to_string(shelf.jazzPop.packageId)),
              "4");
    // Rows that lost their last item stay in their tables.
    EXPECT_EQ(shelf.catalogue.scalar("SELECT COUNT(*) FROM tblPackage WHERE sName='Arrival'"), "1");
}

TEST(ItemDrop, OntoAGenreNodeOnlyTheGenreChanges) {
    Shelf shelf;
    const NodeArray nodes = NodeArrayFromChain({{kNodeGenre, 26}});
    Selection rows;
    const std::vector<int> chosen{shelf.gold.itemId};
    ASSERT_EQ(ItemIdSelection(chosen, 7, rows), SelectionStatus::Ok);
    EXPECT_EQ(MoveItemsToNode(shelf.catalogue.connection, rows, DropTargetLevels(nodes, 1)), 1);
    EXPECT_EQ(shelf.catalogue.scalar("SELECT lGenreID FROM tblMedia WHERE lID=" +
                                     std::to_string(shelf.gold.mediaId)),
              "26");
    EXPECT_EQ(
        shelf.catalogue.scalar("SELECT lGroupID || ',' || lPackageID FROM tblItem WHERE lID=" +
                               std::to_string(shelf.gold.itemId)),
        std::to_string(shelf.gold.groupId) + "," + std::to_string(shelf.gold.packageId));
}

TEST(ItemDrop, ATreeNodeDraggedOntoAnotherMovesEverythingBelowIt) {
    Shelf shelf;
    const FolderTree tree = shelf.tree(3);
    // Abba (index 1) onto Queen > Jazz.
    ASSERT_EQ(tree.names[1], "Abba");
    const std::size_t jazz = tree.children[tree.children[0][1]][0];
    ASSERT_EQ(tree.names[jazz], "Jazz");
    ASSERT_TRUE(IsDropAccepted(DragMode::TreeNode, tree.nodes, 1, jazz));
    const auto nodes = std::make_shared<const NodeArray>(tree.nodes);
    EXPECT_EQ(MoveItemsToNode(shelf.catalogue.connection, NodeSelection(nodes, 1, 7),
                              DropTargetLevels(tree.nodes, jazz)),
              3);
    EXPECT_EQ(render(shelf.tree(3)), "Tunebay*\n  Queen\n    Jazz\n");
    // No genre on the path: genres stay.
    EXPECT_EQ(render(shelf.tree(4)), "Tunebay*\n  Pop\n  Rock\n");
}

} // namespace
} // namespace tunebay
