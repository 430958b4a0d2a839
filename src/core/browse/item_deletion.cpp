#include "browse/item_deletion.h"

#include "store/catalogue_error.h"
#include "store/row_links.h"

#include <optional>

namespace tunebay {

namespace {

// The value of the first column, or -1 when there is no row or it is NULL.
int idOrNone(ResultSet rows, int column = 0) {
    return rows.IsEof() || rows.IsNull(column) ? -1 : rows.GetInt(column);
}

// Removes one item and what only it used. False when there is no such item. The statements
// repeat for every item of a large selection, so each is prepared once.
bool deleteItem(CCatalogueConnection& connection, int itemId) {
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

    // Another writer linking one of these rows at this moment is waited for, and its link kept.
    if (groupId != -1)
        RemoveRowIfUnused(connection, "tblGroup", groupId,
                          "SELECT lID FROM tblItem WHERE tblItem.lGroupID=? LIMIT 1");
    if (packageId != -1)
        RemoveRowIfUnused(connection, "tblPackage", packageId,
                          "SELECT lID FROM tblItem WHERE tblItem.lPackageID=? LIMIT 1");
    // Directory 1 is never removed here.
    if (directoryId != -1 && directoryId != 1)
        RemoveRowIfUnused(connection, "tblDirectory", directoryId,
                          "SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1");
    return true;
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
        for (const int itemId : itemIds) {
            if (stopRequested && stopRequested()) {
                outcome.stopped = true;
                break;
            }
            try {
                CatalogueTransaction unit(connection);
                const bool deleted = deleteItem(connection, itemId);
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
