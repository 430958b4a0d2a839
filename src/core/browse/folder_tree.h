#pragma once

#include "browse/scope_node.h"
#include "store/catalogue_connection.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tunebay {

// FolderView bits: which levels the folder tree shows.
enum FolderViewBit : int {
    kFolderViewGroup = 1,
    kFolderViewPackage = 2,
    kFolderViewGenre = 4,
};

inline constexpr const char* kTreeRootName = "Tunebay";

// The tree's statement: every (genre, group, package) that has items, ordered by the names of
// the levels shown. With no level shown there is no ORDER BY (and nothing to show).
std::string TreeStatement(int folderView);

// One row of the tree statement.
struct TreeRow {
    int genreId = 0;
    std::string genreName;
    int groupId = 0;
    std::string groupName;
    int packageId = 0;
    std::string packageName;
};

// The folder tree as data. Entry 0 of every array is the root ("Tunebay", node (0, 0, 0)).
// Children of a node are listed in the order they are shown.
struct FolderTree {
    NodeArray nodes;
    std::vector<std::string> names;
    std::vector<std::vector<std::uint32_t>> children;
    std::size_t selected = 0; // the node to select: the remembered one, else the root

    bool empty() const { return nodes.empty(); }
};

// Builds the levels from the statement's rows in their order: under the root the first shown
// level, under each of its nodes the next shown level, and so on; a level whose bit is clear is
// left out and the next one hangs where it would have. Each node appears once under its
// parent, so a level's nodes come in the order of its names. `remembered` is the previously
// selected node; it is selected again when the new tree still has it at the same place.
FolderTree BuildFolderTree(std::span<const TreeRow> rows, int folderView,
                           const NodeChain& remembered);

// Runs the tree statement and builds the tree. A closed connection gives an empty tree (not
// even the root). Throws CatalogueError.
FolderTree PopulateTree(CCatalogueConnection& connection, int folderView,
                        const NodeChain& remembered);

// The image a node of this type shows: genre 2, package 3, group 4; the root 0.
int TreeImage(int nodeType);

} // namespace tunebay
