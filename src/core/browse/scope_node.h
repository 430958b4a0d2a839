#pragma once

#include <cstdint>
#include <vector>

namespace tunebay {

// What a folder-tree node or an item-list row stands for.
enum NodeType : int {
    kNodeEnd = 0, // ends a chain of parents; also the tree's root
    kNodeGenre = 1,
    kNodeGroup = 2,
    kNodePackage = 3,
    kNodeMedia = 4,
    kNodeItem = 11,
};

// One folder-tree node or one item-list row: its type, the id of the row it stands for, and the
// index of its parent in the same array.
struct ScopeNode {
    std::int32_t type = kNodeEnd;
    std::int32_t id = 0;
    std::int32_t parent = 0;

    friend bool operator==(const ScopeNode&, const ScopeNode&) = default;
};

using NodeArray = std::vector<ScopeNode>;

// A node named without its array: type and id.
struct NodeKey {
    std::int32_t type = kNodeEnd;
    std::int32_t id = 0;

    friend bool operator==(const NodeKey&, const NodeKey&) = default;
};

// A node and its parents, innermost first, up to (not including) the root. Unlike a parent
// index, it still names the same node after the tree has been rebuilt.
using NodeChain = std::vector<NodeKey>;

} // namespace tunebay
