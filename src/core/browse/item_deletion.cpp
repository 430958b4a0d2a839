#include "browse/item_deletion.h"

#include "store/catalogue_error.h"

namespace tunebay {

namespace {

// The value of the first column, or -1 when there is no row or it is NULL.
int idOrNone(ResultSet rows, int column = 0) {
    return rows.IsEof() || rows.IsNull(column) ? -1 : rows.GetInt(column);
}

bool isUnused(CCatalogueConnection& connection, const std::string& firstUserQuery) {
    return idOrNone(connection.Execute(firstUserQuery)) == -1;
}

// Removes one item and what only it used. False when there is no such item.
bool deleteItem(CCatalogueConnection& connection, int itemId) {
    const std::string item = std::to_string(itemId);
    int mediaId = -1, groupId = -1, packageId = -1;
    {
        ResultSet rows = connection.Execute(
            "SELECT tblItem.lMediaID, tblItem.lGroupID, tblItem.lPackageID FROM tblItem WHERE "
            "tblItem.lID=" +
            item);
        if (rows.IsEof())
            return false;
        mediaId = rows.IsNull(0) ? -1 : rows.GetInt(0);
        groupId = rows.IsNull(1) ? -1 : rows.GetInt(1);
        packageId = rows.IsNull(2) ? -1 : rows.GetInt(2);
    }
    const std::string media = std::to_string(mediaId);
    const int directoryId =
        idOrNone(connection.Execute("SELECT lDirectoryID FROM tblMedia WHERE lID=" + media));

    connection.Execute("DELETE FROM tblItem WHERE lID=" + item);
    connection.Execute("DELETE FROM tblMedia WHERE lID=" + media);
    // Left behind, these rows would make a later media row that reuses the id look like a
    // duplicate (audio size, fingerprint) or carry another file's facts.
    connection.Execute("DELETE FROM tblOptional WHERE lTableID=" + media);

    if (groupId != -1) {
        const std::string group = std::to_string(groupId);
        if (isUnused(connection, "SELECT First(lID) FROM tblItem WHERE tblItem.lGroupID=" + group))
            connection.Execute("DELETE FROM tblGroup WHERE lID=" + group);
    }
    if (packageId != -1) {
        const std::string package = std::to_string(packageId);
        if (isUnused(connection,
                     "SELECT First(lID) FROM tblItem WHERE tblItem.lPackageID=" + package))
            connection.Execute("DELETE FROM tblPackage WHERE lID=" + package);
    }
    // Directory 1 is never removed here.
    if (directoryId != 1) {
        const std::string directory = std::to_string(directoryId);
        if (isUnused(connection, "SELECT First(lID) FROM tblMedia WHERE lDirectoryID=" + directory))
            connection.Execute("DELETE FROM tblDirectory WHERE lID=" + directory);
    }
    return true;
}

} // namespace

DeletionOutcome DeleteItems(CCatalogueConnection& connection, std::span<const int> itemIds,
                            const std::function<void(int itemId)>& onDeleted) {
    DeletionOutcome outcome;
    for (const int itemId : itemIds) {
        try {
            CatalogueTransaction transaction(connection);
            const bool deleted = deleteItem(connection, itemId);
            transaction.Commit();
            if (!deleted)
                continue;
        } catch (const CatalogueError& error) {
            outcome.failed = true;
            outcome.error = error.what();
            break;
        }
        ++outcome.deleted;
        if (onDeleted)
            onDeleted(itemId);
    }
    return outcome;
}

} // namespace tunebay
