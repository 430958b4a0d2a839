#include "browse/folder_tree.h"

#include "store/item_query.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace tunebay {

namespace {

// The levels in their fixed order, with the statement columns of their names at 2 * level + 1.
struct Level {
    int type;
    int bit;
    std::string TreeRow::*name;
};

constexpr std::array<Level, 3> kLevels{{
    {kNodeGenre, kFolderViewGenre, &TreeRow::genreName},
    {kNodeGroup, kFolderViewGroup, &TreeRow::groupName},
    {kNodePackage, kFolderViewPackage, &TreeRow::packageName},
}};

// Where each node stands in the array, by type, id and parent index: an open-addressing table,
// because a large tree has hundreds of thousands of nodes and a node-per-entry map spends most
// of the build allocating and freeing.
class NodeIndex {
public:
    // The index stored for the node, or `fresh` (now stored) when the node is new; `inserted`
    // says which.
    std::uint32_t findOrAdd(const ScopeNode& node, std::uint32_t fresh, bool& inserted) {
        if ((m_used + 1) * 2 > m_slots.size())
            grow();
        const std::uint64_t key = keyOf(node);
        for (std::size_t at = slotOf(key);; at = (at + 1) & (m_slots.size() - 1)) {
            Slot& slot = m_slots[at];
            if (slot.value == kEmpty) {
                slot = {key, fresh};
                ++m_used;
                inserted = true;
                return fresh;
            }
            if (slot.key == key) {
                inserted = false;
                return slot.value;
            }
        }
    }

    // The index of the node, or none.
    std::optional<std::uint32_t> find(const ScopeNode& node) const {
        if (m_slots.empty())
            return std::nullopt;
        const std::uint64_t key = keyOf(node);
        for (std::size_t at = slotOf(key);; at = (at + 1) & (m_slots.size() - 1)) {
            const Slot& slot = m_slots[at];
            if (slot.value == kEmpty)
                return std::nullopt;
            if (slot.key == key)
                return slot.value;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t value = kEmpty;
    };

    // Tree nodes are of types 1 to 3, so type, parent index and id fit one 64-bit key.
    static std::uint64_t keyOf(const ScopeNode& node) {
        return (static_cast<std::uint64_t>(node.type & 3) << 62) |
               (static_cast<std::uint64_t>(static_cast<std::uint32_t>(node.parent) & 0x3fffffffU)
                << 32) |
               static_cast<std::uint32_t>(node.id);
    }
    std::size_t slotOf(std::uint64_t key) const {
        key += 0x9e3779b97f4a7c15ULL; // splitmix64's finaliser spreads neighbouring ids
        key = (key ^ (key >> 30)) * 0xbf58476d1ce4e5b9ULL;
        key = (key ^ (key >> 27)) * 0x94d049bb133111ebULL;
        return static_cast<std::size_t>(key ^ (key >> 31)) & (m_slots.size() - 1);
    }
    void grow() {
        std::vector<Slot> old =
            std::exchange(m_slots, std::vector<Slot>(m_slots.empty() ? 1024 : m_slots.size() * 2));
        for (const Slot& slot : old) {
            if (slot.value == kEmpty)
                continue;
            std::size_t at = slotOf(slot.key);
            while (m_slots[at].value != kEmpty)
                at = (at + 1) & (m_slots.size() - 1);
            m_slots[at] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

} // namespace

std::string TreeStatement(int folderView) {
    std::string sql =
        "SELECT tblGenre.lID, tblGenre.sName, tblGroup.lID, tblGroup.sName, tblPackage.lID, "
        "tblPackage.sName FROM tblGroup, tblPackage, tblMedia, tblGenre, tblItem, tblDirectory "
        "WHERE ";
    sql += kItemJoin;
    sql += " GROUP BY tblGenre.lID, tblGenre.sName, tblGroup.lID, tblGroup.sName, tblPackage.lID, "
           "tblPackage.sName";
    // Nodes of one name (packages are not unique by name, names compare without ASCII case)
    // come in the order they were made, on every engine.
    std::string order;
    if (folderView & kFolderViewGenre)
        order += " tblGenre.sName, tblGenre.lID,";
    if (folderView & kFolderViewGroup)
        order += " tblGroup.sName, tblGroup.lID,";
    if (folderView & kFolderViewPackage)
        order += " tblPackage.sName, tblPackage.lID,";
    if (!order.empty()) {
        order.pop_back();
        sql += " ORDER BY" + order;
    }
    return sql;
}

namespace {

// Builds the tree one statement row at a time. Names are asked for only when a row brings a node
// the tree does not have yet, which for a large catalogue is far fewer than the rows.
class TreeAssembler {
public:
    explicit TreeAssembler(int folderView) : m_folderView(folderView) {
        m_tree.nodes.push_back(ScopeNode{});
        m_tree.names.emplace_back(kTreeRootName);
        m_tree.children.emplace_back();
    }

    // `ids` are the genre, group and package ids of the row; `nameOf(level)` gives the name of
    // the row's node on that level (0 genre, 1 group, 2 package).
    template <class NameOf>
    void addRow(const std::array<int, 3>& ids, NameOf&& nameOf) {
        std::uint32_t parent = 0;
        for (std::size_t level = 0; level < kLevels.size(); ++level) {
            if (!(m_folderView & kLevels[level].bit))
                continue;
            const ScopeNode node{kLevels[level].type, ids[level],
                                 static_cast<std::int32_t>(parent)};
            // Rows come in name order, so most repeat the node the row before had on the level.
            std::uint32_t& last = m_last[level];
            if (last == 0 || m_tree.nodes[last] != node) {
                bool inserted = false;
                const std::uint32_t index = m_index.findOrAdd(
                    node, static_cast<std::uint32_t>(m_tree.nodes.size()), inserted);
                if (inserted) {
                    m_tree.nodes.push_back(node);
                    m_tree.names.push_back(nameOf(level));
                    m_tree.children.emplace_back();
                    m_tree.children[parent].push_back(index);
                }
                last = index;
            }
            parent = last;
        }
    }

    // Follows the remembered chain from its outermost node down; a step that is missing means
    // the node is gone (or its level no longer shown) and the root is selected.
    FolderTree finish(const NodeChain& remembered) {
        std::uint32_t at = 0;
        for (auto key = remembered.rbegin(); key != remembered.rend(); ++key) {
            // Only tree levels can be found; any other type is simply not there.
            const auto found =
                key->type >= kNodeGenre && key->type <= kNodePackage
                    ? m_index.find({key->type, key->id, static_cast<std::int32_t>(at)})
                    : std::nullopt;
            if (!found) {
                at = 0;
                break;
            }
            at = *found;
        }
        m_tree.selected = at;
        return std::move(m_tree);
    }

private:
    int m_folderView;
    FolderTree m_tree;
    NodeIndex m_index;
    std::array<std::uint32_t, 3> m_last{}; // per level, the node of the row before; 0 for none
};

} // namespace

FolderTree BuildFolderTree(std::span<const TreeRow> rows, int folderView,
                           const NodeChain& remembered) {
    TreeAssembler assembler(folderView);
    for (const TreeRow& row : rows)
        assembler.addRow({row.genreId, row.groupId, row.packageId},
                         [&](std::size_t level) { return row.*kLevels[level].name; });
    return assembler.finish(remembered);
}

FolderTree PopulateTree(CCatalogueConnection& connection, int folderView,
                        const NodeChain& remembered) {
    if (!connection.IsOpen())
        return {};
    TreeAssembler assembler(folderView);
    if (folderView & (kFolderViewGenre | kFolderViewGroup | kFolderViewPackage)) {
        for (ResultSet rows = connection.Execute(TreeStatement(folderView)); !rows.IsEof();
             rows.MoveNext())
            assembler.addRow(
                {rows.GetInt(0), rows.GetInt(2), rows.GetInt(4)},
                [&](std::size_t level) { return rows.GetText(static_cast<int>(level) * 2 + 1); });
    }
    return assembler.finish(remembered);
}

int TreeImage(int nodeType) {
    switch (nodeType) {
    case kNodeGenre:
        return 2;
    case kNodePackage:
        return 3;
    case kNodeGroup:
        return 4;
    default:
        return 0;
    }
}

} // namespace tunebay
