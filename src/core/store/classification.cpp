#include "store/classification.h"

#include "store/catalogue_error.h"
#include "store/row_batches.h"
#include "store/row_links.h"
#include "store/sql_quote.h"
#include "store/writer_locks.h"
#include "text/text_case.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

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
    // A row found may be removed by a writer that found it unused: it is then made anew.
    if (newId &&
        KeepLinkedRows(connection, table, std::vector<int>{static_cast<int>(*newId)}).empty())
        newId.reset();
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
    if (oldId)
        RemoveRowIfUnused(connection, table, static_cast<int>(*oldId),
                          "SELECT lID FROM tblItem WHERE " + column + "=? LIMIT 1");
}

// Names compare without ASCII case: one row serves every spelling.
std::string folded(std::string_view name) {
    return AsciiFoldedText(name);
}

} // namespace

namespace {

using PackageKey = std::pair<std::string, std::string>;

PackageKey packageKey(std::string_view package, std::string_view group) {
    return {folded(package), folded(group)};
}

// Adds to `ids` the groups among `names` it lacks that have a row: one lookup for all.
void findGroups(CCatalogueConnection& connection, std::span<const std::string_view> names,
                std::unordered_map<std::string, int>& ids) {
    std::vector<SqlValue> values;
    for (const std::string_view name : names)
        if (!ids.contains(folded(name)))
            values.emplace_back(name);
    if (values.empty())
        return;
    const std::string marks = PaddedListMarks(values);
    for (ResultSet rows = connection.ExecuteBatch(
             "SELECT lID, sName FROM tblGroup WHERE sName IN (" + marks + ")", values);
         !rows.IsEof(); rows.MoveNext())
        ids.emplace(folded(rows.GetText(1)), rows.GetInt(0));
}

// Adds to `ids` the (package, group) pairs among `pairs` it lacks that some item already links:
// one lookup for all. Of several rows of one pair, the first made.
void findPackagesOfGroups(CCatalogueConnection& connection,
                          std::span<const std::pair<std::string_view, std::string_view>> pairs,
                          std::map<PackageKey, int>& ids) {
    std::vector<SqlValue> values;
    std::vector<std::string_view> groups;
    for (const auto& [package, group] : pairs)
        if (!ids.contains(packageKey(package, group))) {
            values.emplace_back(package);
            groups.push_back(group);
        }
    if (values.empty())
        return;
    const std::string packageMarks = PaddedListMarks(values);
    const std::size_t groupsFrom = values.size();
    for (const std::string_view group : groups)
        values.emplace_back(group);
    const std::string groupMarks = PaddedListMarks(values, groupsFrom);
    std::map<PackageKey, int> found;
    for (ResultSet rows = connection.ExecuteBatch(
             "SELECT DISTINCT tblPackage.lID, tblPackage.sName, tblGroup.sName FROM tblPackage, "
             "tblGroup, tblItem WHERE tblItem.lPackageID=tblPackage.lID AND "
             "tblItem.lGroupID=tblGroup.lID AND tblPackage.sName IN (" +
                 packageMarks + ") AND tblGroup.sName IN (" + groupMarks + ")",
             values);
         !rows.IsEof(); rows.MoveNext()) {
        const int id = rows.GetInt(0);
        auto [at, added] = found.try_emplace(packageKey(rows.GetText(1), rows.GetText(2)), id);
        if (!added)
            at->second = std::min(at->second, id);
    }
    ids.merge(found);
}

// Makes the groups and packages of the batch that `groupIds` and `packageIds` lack, in the order
// given, under the writer locks of their names.
void makeMissing(CCatalogueConnection& connection, std::span<const std::string_view> groups,
                 std::span<const std::pair<std::string_view, std::string_view>> pairs,
                 std::unordered_map<std::string, int>& groupIds,
                 std::map<PackageKey, int>& packageIds) {
    std::vector<std::string_view> newGroups;
    for (const std::string_view group : groups)
        if (!groupIds.contains(folded(group)))
            newGroups.push_back(group);
    std::vector<std::pair<std::string_view, std::string_view>> newPairs;
    std::vector<std::string_view> newPackages;
    for (const auto& [package, group] : pairs)
        if (!packageIds.contains(packageKey(package, group))) {
            newPairs.emplace_back(package, group);
            newPackages.push_back(package);
        }
    if (newGroups.empty() && newPairs.empty())
        return;
    // Only the names to be made are locked, so that importers finding what is there already
    // never wait for one another. Another writer may have made some of them meanwhile: once
    // the locks are held, the rows it committed are found.
    LockMediaFilesAndPackages(connection, {}, newPackages, newGroups);
    findGroups(connection, newGroups, groupIds);
    findPackagesOfGroups(connection, newPairs, packageIds);
    std::vector<SqlValue> missing;
    for (const std::string_view group : newGroups)
        if (!groupIds.contains(folded(group)))
            missing.emplace_back(group);
    if (!missing.empty()) {
        // A writer that takes no lock (a rename) may make a group at once: the unique key lets
        // one row in, which both take.
        InsertRows(connection, "INSERT INTO tblGroup (sName) VALUES ", 1, missing,
                   " ON CONFLICT DO NOTHING");
        findGroups(connection, newGroups, groupIds);
    }
    missing.clear();
    std::vector<PackageKey> missingKeys;
    for (const auto& [package, group] : newPairs)
        if (!packageIds.contains(packageKey(package, group))) {
            missing.emplace_back(package);
            missingKeys.push_back(packageKey(package, group));
        }
    if (!missing.empty()) {
        const std::vector<long long> ids =
            InsertedRowIds(connection, "INSERT INTO tblPackage (sName) VALUES ", 1, missing);
        for (std::size_t k = 0; k < ids.size(); ++k)
            packageIds.emplace(missingKeys[k], static_cast<int>(ids[k]));
    }
}

// Keeps the rows of the ids from removal by other writers (KeepLinkedRows) and forgets those
// removed already: true when one was.
template <typename Map>
bool forgetRemoved(CCatalogueConnection& connection, std::string_view table, Map& ids) {
    std::vector<int> values;
    for (const auto& entry : ids)
        values.push_back(entry.second);
    const std::unordered_set<int> kept = KeepLinkedRows(connection, table, values);
    return std::erase_if(ids, [&](const auto& entry) { return !kept.contains(entry.second); }) > 0;
}

} // namespace

ClassificationIds FindOrCreateGroupsAndPackages(
    CCatalogueConnection& connection, std::span<const std::string_view> groups,
    std::span<const std::pair<std::string_view, std::string_view>> pairs) {
    std::unordered_map<std::string, int> groupIds;
    std::map<PackageKey, int> packageIds;
    findGroups(connection, groups, groupIds);
    findPackagesOfGroups(connection, pairs, packageIds);
    // A row found may be removed by a writer that found it unused before this one's items link
    // it: such a row is made anew.
    for (int attempt = 0;; ++attempt) {
        makeMissing(connection, groups, pairs, groupIds, packageIds);
        const bool groupGone = forgetRemoved(connection, "tblGroup", groupIds);
        const bool packageGone = forgetRemoved(connection, "tblPackage", packageIds);
        if (!groupGone && !packageGone)
            break;
        if (attempt == 3)
            throw CatalogueError("", "the groups and packages keep being removed");
    }

    ClassificationIds result;
    result.groups.reserve(groups.size());
    for (const std::string_view group : groups) {
        const auto found = groupIds.find(folded(group));
        if (found == groupIds.end())
            throw CatalogueError("", "the new tblGroup row cannot be found");
        result.groups.push_back(found->second);
    }
    result.packages.reserve(pairs.size());
    for (const auto& [package, group] : pairs)
        result.packages.push_back(packageIds.at(packageKey(package, group)));
    return result;
}

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

    int target = firstInt(connection.Execute("SELECT lID FROM " + table + " WHERE sName=" + quoted +
                                             " AND lID<>" + row),
                          -1);
    // The row merged into is kept from removal meanwhile (one removed is no merge), and a writer
    // still linking items to the renamed row is waited for, so that its items move too.
    if (const int kept[] = {target};
        target != -1 && KeepLinkedRows(connection, table, kept).empty())
        target = -1;
    if (target != -1 && !LockRowForRemoval(connection, table, rowId))
        return false;
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
        // A group or album removed since the caller found it takes no items.
        if (const int group[] = {groupId};
            groupId != -1 && KeepLinkedRows(connection, "tblGroup", group).empty())
            return false;
        if (const int package[] = {packageId};
            packageId != -1 && KeepLinkedRows(connection, "tblPackage", package).empty())
            return false;
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

namespace {

// The packages of the items the condition picks, one row for each name: the oldest. (A plain
// DISTINCT would show whichever spelling the engine met first.)
std::vector<std::string> packageNames(CCatalogueConnection& connection,
                                      std::string_view itemCondition, SqlValue value) {
    std::vector<std::string> names;
    for (ResultSet rows = connection.ExecuteWith(
             "SELECT sName FROM tblPackage WHERE lID IN (SELECT MIN(tblPackage.lID) FROM "
             "tblPackage, tblItem WHERE tblItem.lPackageID=tblPackage.lID AND " +
                 std::string(itemCondition) + " GROUP BY tblPackage.sName) ORDER BY sName",
             {value});
         !rows.IsEof(); rows.MoveNext())
        names.push_back(rows.GetText(0));
    return names;
}

} // namespace

std::vector<std::string> GroupPackageNames(CCatalogueConnection& connection, int groupId) {
    return packageNames(connection, "tblItem.lGroupID=?", static_cast<long long>(groupId));
}

std::vector<std::string> GroupPackageNames(CCatalogueConnection& connection,
                                           std::string_view groupName) {
    return packageNames(connection, "tblItem.lGroupID IN (SELECT lID FROM tblGroup WHERE sName=?)",
                        groupName);
}

} // namespace tunebay
