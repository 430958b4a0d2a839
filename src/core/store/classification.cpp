#include "store/classification.h"

#include "store/catalogue_error.h"
#include "store/sql_quote.h"
#include "store/writer_locks.h"

#include <optional>

namespace tunebay {

namespace {

// The table and column names of one classification kind.
struct KindNames {
    const char* table;
    const char* itemColumn;
};

constexpr KindNames kGroupNames{"tblGroup", "lGroupID"};
constexpr KindNames kPackageNames{"tblPackage", "lPackageID"};

int firstInt(ResultSet rows, int fallback) {
    return rows.IsEof() || rows.IsNull(0) ? fallback : rows.GetInt(0);
}

constexpr std::string_view kSelectGroup =
    "SELECT tblGroup.lID FROM tblGroup WHERE tblGroup.sName=?";

// Runs for every updated file: the statements are bound, so each is prepared once, and none
// scans a whole table.
void reassign(CCatalogueConnection& connection, const KindNames& kind, int itemId,
              const std::string& name) {
    const std::string table = kind.table;
    const std::string column = kind.itemColumn;
    const long long item = itemId;
    const bool group = &kind == &kGroupNames;
    if (!group)
        LockPackageName(connection, name);

    std::optional<long long> oldId;
    {
        ResultSet rows =
            connection.ExecuteWith("SELECT " + column + " FROM tblItem WHERE lID=?", {item});
        if (!rows.IsEof() && !rows.IsNull(0))
            oldId = rows.GetInt64(0);
    }
    std::optional<long long> newId;
    {
        ResultSet rows =
            connection.ExecuteWith("SELECT MIN(lID) FROM " + table + " WHERE sName=?", {name});
        if (!rows.IsEof() && !rows.IsNull(0))
            newId = rows.GetInt64(0);
    }
    if (newId == oldId)
        return;
    // Users of the old row other than this item; a NULL or missing link counts none.
    int oldUsers = 0;
    if (oldId) {
        ResultSet rows = connection.ExecuteWith("SELECT COUNT(tblItem." + column + ") FROM " +
                                                    table + ", tblItem WHERE tblItem." + column +
                                                    "=" + table + ".lID AND " + table + ".lID=?",
                                                {*oldId});
        oldUsers = rows.IsEof() ? 0 : rows.GetInt(0);
    }

    if (!newId) {
        // The table's own counter picks the id: the next after the largest (as MAX+1 would) in
        // an older catalogue, and never the id of a deleted row in one whose counter remembers.
        if (group) {
            newId = AddGroup(connection, name);
        } else {
            connection.ExecuteWith("INSERT INTO " + table + " (sName) VALUES (?)", {name});
            newId = connection.LastInsertedId();
        }
        if (*newId <= 0)
            throw CatalogueError("", "the new " + table + " row cannot be found");
    }
    connection.ExecuteWith("UPDATE tblItem SET " + column + "=? WHERE lID=?", {*newId, item});
    if (oldId && oldUsers < 2)
        connection.ExecuteWith("DELETE * FROM " + table + " WHERE lID=?", {*oldId});
}

} // namespace

int FindOrCreateGroup(CCatalogueConnection& connection, std::string_view name) {
    const std::string select =
        "SELECT tblGroup.lID FROM tblGroup WHERE tblGroup.sName=" + SqlQuote(name);
    if (const int id = firstInt(connection.Execute(select), -1); id != -1)
        return id;
    return AddGroup(connection, name);
}

int AddGroup(CCatalogueConnection& connection, std::string_view name) {
    try {
        connection.ExecuteWith("INSERT INTO tblGroup (sName) VALUES (?)", {name});
    } catch (const CatalogueError&) {
        if (firstInt(connection.ExecuteWith(kSelectGroup, {name}), -1) == -1)
            throw;
    }
    return firstInt(connection.ExecuteWith(kSelectGroup, {name}), -1);
}

int FindPackageOfGroup(CCatalogueConnection& connection, std::string_view packageName,
                       std::string_view groupName) {
    return firstInt(connection.ExecuteWith(
                        "SELECT tblPackage.lID FROM tblPackage, tblGroup, tblItem WHERE "
                        "tblItem.lPackageID=tblPackage.lID AND tblItem.lGroupID=tblGroup.lID "
                        "AND tblPackage.sName=? AND tblGroup.sName=?",
                        {packageName, groupName}),
                    -1);
}

int AddPackage(CCatalogueConnection& connection, std::string_view name) {
    connection.ExecuteWith("INSERT INTO tblPackage (sName) VALUES (?)", {name});
    return firstInt(
        connection.ExecuteWith(
            "SELECT MAX(tblPackage.lID) FROM tblPackage WHERE tblPackage.sName=?", {name}),
        -1);
}

int FindOrCreatePackage(CCatalogueConnection& connection, std::string_view packageName,
                        std::string_view groupName) {
    const std::string quoted = SqlQuote(packageName);
    LockPackageName(connection, packageName);
    const int found = firstInt(
        connection.Execute("SELECT tblPackage.lID FROM tblPackage, tblGroup, tblItem WHERE "
                           "tblItem.lPackageID=tblPackage.lID AND tblItem.lGroupID=tblGroup.lID "
                           "AND tblPackage.sName=" +
                           quoted + " AND tblGroup.sName=" + SqlQuote(groupName)),
        -1);
    if (found != -1)
        return found;
    connection.Execute("INSERT INTO tblPackage (sName) VALUES (" + quoted + ")");
    return firstInt(
        connection.Execute("SELECT MAX(tblPackage.lID) FROM tblPackage WHERE tblPackage.sName=" +
                           quoted),
        -1);
}

void ReassignItem(CCatalogueConnection& connection, int itemId, int /*mediaId*/,
                  const std::optional<std::string>& groupName,
                  const std::optional<std::string>& packageName) {
    if (groupName)
        reassign(connection, kGroupNames, itemId, *groupName);
    if (packageName)
        reassign(connection, kPackageNames, itemId, *packageName);
}

bool RenameClassification(CCatalogueConnection& connection, ClassificationKind kind, int& rowId,
                          std::string_view newName) {
    const KindNames& names = kind == ClassificationKind::Group ? kGroupNames : kPackageNames;
    const std::string table = names.table;
    const std::string row = std::to_string(rowId);
    const std::string quoted = SqlQuote(newName);

    const int target = firstInt(connection.Execute("SELECT lID FROM " + table +
                                                   " WHERE sName=" + quoted + " AND lID<>" + row),
                                -1);
    if (target == -1) {
        connection.Execute("UPDATE " + table + " SET sName=" + quoted + " WHERE lID=" + row);
        return false;
    }
    const std::string into = std::to_string(target);
    if (kind == ClassificationKind::Package) {
        connection.Execute("UPDATE tblItem SET lPackageID=" + into + " WHERE lPackageID=" + row);
        connection.Execute("DELETE * FROM tblPackage WHERE lID=" + row);
    } else {
        // Both groups' "Unknown" albums become one before the items move.
        ResultSet unknown = connection.Execute(
            "SELECT (SELECT First(tblPackage.lID) FROM tblPackage, tblItem WHERE "
            "tblPackage.sName='Unknown' AND tblPackage.lID=tblItem.lPackageID AND "
            "tblItem.lGroupID=" +
            row +
            "), (SELECT First(tblPackage.lID) FROM tblPackage, tblItem WHERE "
            "tblPackage.sName='Unknown' AND tblPackage.lID=tblItem.lPackageID AND "
            "tblItem.lGroupID=" +
            into + ") FROM tblItem");
        if (!unknown.IsEof() && !unknown.IsNull(0) && !unknown.IsNull(1)) {
            const std::string first = unknown.GetText(0);
            const std::string second = unknown.GetText(1);
            unknown = ResultSet();
            // Two groups may already share one "Unknown" row; then there is nothing to merge.
            if (first != second) {
                connection.Execute("UPDATE tblItem SET lPackageID=" + second +
                                   " WHERE lPackageID=" + first);
                connection.Execute("DELETE * FROM tblPackage WHERE lID=" + first);
            }
        }
        connection.Execute("UPDATE tblItem SET lGroupID=" + into + " WHERE lGroupID=" + row);
        connection.Execute("DELETE * FROM tblGroup WHERE lID=" + row);
    }
    rowId = -1;
    return true;
}

bool UpdateItemLinks(CCatalogueConnection& connection, int itemId, int mediaId, int folderId,
                     int genreId, int groupId, int packageId) {
    const std::string item = std::to_string(itemId);
    try {
        if (folderId != -1)
            connection.Execute("UPDATE tblItem SET lFolderID=" + std::to_string(folderId) +
                               " WHERE lID=" + item);
        if (genreId != -1)
            connection.Execute("UPDATE tblMedia SET lGenreID=" + std::to_string(genreId) +
                               " WHERE lID=" + std::to_string(mediaId));
        if (groupId != -1)
            connection.Execute("UPDATE tblItem SET lGroupID=" + std::to_string(groupId) +
                               " WHERE lID=" + item);
        if (packageId != -1)
            connection.Execute("UPDATE tblItem SET lPackageID=" + std::to_string(packageId) +
                               " WHERE lID=" + item);
    } catch (const CatalogueError&) {
        return false;
    }
    return true;
}

} // namespace tunebay
