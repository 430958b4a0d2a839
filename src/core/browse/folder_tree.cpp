#include "browse/folder_tree.h"

#include "store/item_query.h"

#include <array>
#include <unordered_map>

namespace tunebay {

namespace {

struct Level {
    int type;
    int bit;
    int TreeRow::*id;
    std::string TreeRow::*name;
};

constexpr std::array<Level, 3> kLevels{{
    {kNodeGenre, kFolderViewGenre, &TreeRow::genreId, &TreeRow::genreName},
    {kNodeGroup, kFolderViewGroup, &TreeRow::groupId, &TreeRow::groupName},
    {kNodePackage, kFolderViewPackage, &TreeRow::packageId, &TreeRow::packageName},
}};

struct NodeHash {
    std::size_t operator()(const ScopeNode& node) const {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(node.id)) << 32) ^
            (static_cast<std::uint64_t>(node.parent) << 2) ^ static_cast<std::uint64_t>(node.type);
        return std::hash<std::uint64_t>{}(key);
    }
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
    std::string order;
    if (folderView & kFolderViewGenre)
        order += " tblGenre.sName,";
    if (folderView & kFolderViewGroup)
        order += " tblGroup.sName,";
    if (folderView & kFolderViewPackage)
        order += " tblPackage.sName,";
    if (!order.empty()) {
        order.pop_back();
        sql += " ORDER BY" + order;
    }
    return sql;
}

FolderTree BuildFolderTree(std::span<const TreeRow> rows, int folderView,
                           const NodeChain& remembered) {
    FolderTree tree;
    tree.nodes.push_back(ScopeNode{});
    tree.names.emplace_back(kTreeRootName);
    tree.children.emplace_back();

    std::unordered_map<ScopeNode, std::uint32_t, NodeHash> index;
    for (const TreeRow& row : rows) {
        std::uint32_t parent = 0;
        for (const Level& level : kLevels) {
            if (!(folderView & level.bit))
                continue;
            const ScopeNode node{level.type, row.*level.id, static_cast<std::int32_t>(parent)};
            const auto [found, inserted] =
                index.try_emplace(node, static_cast<std::uint32_t>(tree.nodes.size()));
            if (inserted) {
                tree.nodes.push_back(node);
                tree.names.push_back(row.*level.name);
                tree.children.emplace_back();
                tree.children[parent].push_back(found->second);
            }
            parent = found->second;
        }
    }

    // Follow the remembered chain from its outermost node down; any step missing means the
    // node is gone (or the levels changed) and the root is selected.
    std::uint32_t at = 0;
    for (auto key = remembered.rbegin(); key != remembered.rend(); ++key) {
        const auto found = index.find({key->type, key->id, static_cast<std::int32_t>(at)});
        if (found == index.end()) {
            at = 0;
            break;
        }
        at = found->second;
    }
    tree.selected = at;
    return tree;
}

FolderTree PopulateTree(CCatalogueConnection& connection, int folderView,
                        const NodeChain& remembered) {
    if (!connection.IsOpen())
        return {};
    std::vector<TreeRow> rows;
    if (folderView & (kFolderViewGenre | kFolderViewGroup | kFolderViewPackage)) {
        for (ResultSet result = connection.Execute(TreeStatement(folderView)); !result.IsEof();
             result.MoveNext())
            rows.push_back({result.GetInt(0), result.GetText(1), result.GetInt(2),
                            result.GetText(3), result.GetInt(4), result.GetText(5)});
    }
    return BuildFolderTree(rows, folderView, remembered);
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
