#include "browse/item_deletion.h"

#include "store/catalogue_error.h"
#include "store/row_links.h"

#include <optional>
#include <set>

namespace tunebay {

namespace {

// The value of the first column, or -1 when there is no row or it is NULL.
int idOrNone(ResultSet rows, int column = 0) {
    return rows.IsEof() || rows.IsNull(column) ? -1 : rows.GetInt(column);
}

// The group, package and directory rows the deleted items linked: each is removed at the end of
// the run if nothing links it any more.
struct LinkedRows {
    std::set<int> groups, packages, directories;
};

// Removes one item, noting the rows it linked in `linked`. False when there is no such item. The
// statements repeat for every item of a large selection, so each is prepared once.
bool deleteItem(CCatalogueConnection& connection, int itemId, LinkedRows& linked) {
    const long long item = itemId;
    int mediaId = -1, groupId = -1, packageId = -1;
    {
        ResultSet rows = connection.ExecuteWith(
            "SELECT tblItem.lMediaID, tblItem.lGroupID, tblItem.lPackageID FROM tblItem WHERE "
            "tblItem.lID=?",
            {item});
        if (rows.IsEof())
            return false;
        mediaId = rows.IsNull(0) ? -1 : rows.GetInt(0);
        groupId = rows.IsNull(1) ? -1 : rows.GetInt(1);
        packageId = rows.IsNull(2) ? -1 : rows.GetInt(2);
    }
    const long long media = mediaId;
    const int directoryId =
        idOrNone(connection.ExecuteWith("SELECT lDirectoryID FROM tblMedia WHERE lID=?", {media}));

    connection.ExecuteWith("DELETE FROM tblItem WHERE lID=?", {item});
    connection.ExecuteWith("DELETE FROM tblMedia WHERE lID=?", {media});
    // Left behind, these rows would make a later media row that reuses the id look like a
    // duplicate (audio size, fingerprint) or carry another file's facts.
    connection.ExecuteWith("DELETE FROM tblOptional WHERE lTableID=?", {media});

    if (groupId != -1)
        linked.groups.insert(groupId);
    if (packageId != -1)
        linked.packages.insert(packageId);
    // Directory 1 is never removed here.
    if (directoryId != -1 && directoryId != 1)
        linked.directories.insert(directoryId);
    return true;
}

// Removes the linked rows nothing links any more. Another writer linking one of them at this
// moment is waited for, and its link kept. They are taken table by table in the order of their
// ids, as a writer keeping several takes them, so that the two never wait for each other in a
// circle.
void removeUnusedRows(CCatalogueConnection& connection, const LinkedRows& linked) {
    for (const int id : linked.groups)
        RemoveRowIfUnused(connection, "tblGroup", id,
                          "SELECT lID FROM tblItem WHERE tblItem.lGroupID=? LIMIT 1");
    for (const int id : linked.packages)
        RemoveRowIfUnused(connection, "tblPackage", id,
                          "SELECT lID FROM tblItem WHERE tblItem.lPackageID=? LIMIT 1");
    for (const int id : linked.directories)
        RemoveRowIfUnused(connection, "tblDirectory", id,
                          "SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1");
}

} // namespace

DeletionOutcome DeleteItems(CCatalogueConnection& connection, std::span<const int> itemIds,
                            const std::function<void(int itemId)>& onDeleted,
                            const std::function<bool()>& stopRequested) {
    DeletionOutcome outcome;
    std::optional<CatalogueTransaction> run;
    try {
        // One transaction for the whole selection; each item is a unit of its own inside it.
        run.emplace(connection);
        LinkedRows linked;
        for (const int itemId : itemIds) {
            if (stopRequested && stopRequested()) {
                outcome.stopped = true;
                break;
            }
            try {
                CatalogueTransaction unit(connection);
                const bool deleted = deleteItem(connection, itemId, linked);
                unit.Commit();
                if (!deleted)
                    continue;
            } catch (const CatalogueError& error) {
                outcome.failed = true;
                outcome.error = error.what();
                break;
            }
            ++outcome.deleted;
            outcome.deletedIds.push_back(itemId);
            if (onDeleted)
                onDeleted(itemId);
        }
        removeUnusedRows(connection, linked);
        run->Commit();
    } catch (const CatalogueError& error) {
        // Nothing of the run reached the catalogue.
        outcome.failed = true;
        outcome.error = error.what();
        outcome.deleted = 0;
        outcome.deletedIds.clear();
    }
    return outcome;
}

} // namespace tunebay
