#include "browse/tree_node_rename.h"

#include "browse/edited_name.h"
#include "store/catalogue_error.h"
#include "store/classification.h"

namespace tunebay {

bool CanRenameNode(const ScopeNode& node) {
    return node.type == kNodeGroup || node.type == kNodePackage;
}

NodeRenameOutcome RenameTreeNode(CCatalogueConnection& connection, const ScopeNode& node,
                                 std::string_view text, std::string* error) {
    auto fail = [&](std::string why) {
        if (error)
            *error = std::move(why);
        return NodeRenameOutcome::Failed;
    };
    if (!CanRenameNode(node))
        return fail("only group and package nodes can be renamed");
    const bool group = node.type == kNodeGroup;
    const std::string table = group ? "tblGroup" : "tblPackage";
    try {
        CatalogueTransaction transaction(connection);
        {
            ResultSet row = connection.Execute("SELECT lID FROM " + table +
                                               " WHERE lID=" + std::to_string(node.id));
            if (row.IsEof())
                return fail(std::string(group ? "no group " : "no package ") +
                            std::to_string(node.id));
        }
        int rowId = node.id;
        const bool merged = RenameClassification(
            connection, group ? ClassificationKind::Group : ClassificationKind::Package, rowId,
            EditedName(text));
        transaction.Commit();
        return merged ? NodeRenameOutcome::Merged : NodeRenameOutcome::Renamed;
    } catch (const CatalogueError& failure) {
        return fail(failure.what());
    }
}

} // namespace tunebay
