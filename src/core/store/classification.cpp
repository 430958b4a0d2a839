#include "store/classification.h"

#include "store/catalogue_error.h"
#include "store/sql_quote.h"

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

void reassign(CCatalogueConnection& connection, const KindNames& kind, int itemId,
              const std::string& name) {
    const std::string table = kind.table;
    const std::string column = kind.itemColumn;
    const std::string item = std::to_string(itemId);

    std::string oldId;
    {
        ResultSet rows = connection.Execute("SELECT " + column + " FROM tblItem WHERE lID=" + item);
        if (!rows.IsEof())
            oldId = rows.GetText(0);
    }
    // A NULL or missing link counts no users: the comparison below must not see an id.
    const std::string oldIdInSql = oldId.empty() ? "NULL" : oldId;

    ResultSet facts = connection.Execute(
        "SELECT (SELECT FIRST(" + table + ".lID) FROM " + table + " WHERE " + table +
        ".sName=" + SqlQuote(name) + "), MAX(" + table + ".lID), (SELECT COUNT(tblItem." + column +
        ") FROM " + table + ", tblItem WHERE tblItem." + column + "=" + table + ".lID AND " +
        table + ".lID=" + oldIdInSql + ") FROM " + table);
    const bool found = !facts.IsEof() && !facts.IsNull(0);
    const std::string existingId = found ? facts.GetText(0) : std::string();
    const bool tableEmpty = facts.IsEof() || facts.IsNull(1);
    const long long maxId = tableEmpty ? 0 : facts.GetInt64(1);
    const int oldUsers = facts.IsEof() ? 0 : facts.GetInt(2);
    facts = ResultSet();

    std::string newId;
    if (!found) {
        // The table's own counter picks the id: the next after the largest (as MAX+1 would) in
        // an older catalogue, and never the id of a deleted row in one whose counter remembers.
        connection.Execute("INSERT INTO " + table + " (sName) VALUES (" + SqlQuote(name) + ")");
        ResultSet inserted = connection.Execute("SELECT MAX(lID) FROM " + table);
        newId = inserted.IsEof() ? std::to_string(tableEmpty ? 1 : maxId + 1) : inserted.GetText(0);
        inserted = ResultSet();
        connection.Execute("UPDATE tblItem SET " + column + "=" + newId + " WHERE lID=" + item);
    } else {
        newId = existingId;
        if (newId != oldId)
            connection.Execute("UPDATE tblItem SET " + column + "=" + newId + " WHERE lID=" + item);
    }
    if (oldUsers < 2 && oldId != newId && !oldId.empty())
        connection.Execute("DELETE * FROM " + table + " WHERE lID=" + oldId);
}

} // namespace

int FindOrCreateGroup(CCatalogueConnection& connection, std::string_view name) {
    const std::string select =
        "SELECT tblGroup.lID FROM tblGroup WHERE tblGroup.sName=" + SqlQuote(name);
    if (const int id = firstInt(connection.Execute(select), -1); id != -1)
        return id;
    connection.Execute("INSERT INTO tblGroup (sName) VALUES (" + SqlQuote(name) + ")");
    return firstInt(connection.Execute(select), -1);
}

int FindOrCreatePackage(CCatalogueConnection& connection, std::string_view packageName,
                        std::string_view groupName) {
    const std::string quoted = SqlQuote(packageName);
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
