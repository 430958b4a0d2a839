#include "store/row_links.h"

#include "store/row_batches.h"

#include <string>
#include <vector>

namespace tunebay {

namespace {

bool onServer(CCatalogueConnection& connection) {
    return IsServerCatalogueName(connection.Path());
}

} // namespace

std::unordered_set<int> KeepLinkedRows(CCatalogueConnection& connection, std::string_view table,
                                       std::span<const int> ids) {
    std::unordered_set<int> kept;
    std::vector<SqlValue> values;
    for (const int id : ids)
        if (id > 0 && kept.insert(id).second)
            values.emplace_back(static_cast<long long>(id));
    if (values.empty())
        return kept;
    kept.clear();
    // On a server the rows are locked in the order of their ids, as every writer keeping several
    // locks them, so that two such writers never wait for each other in a circle.
    const std::string marks = PaddedListMarks(values);
    const char* locked = onServer(connection) ? " FOR KEY SHARE" : "";
    for (ResultSet rows =
             connection.ExecuteBatch("SELECT lID FROM " + std::string(table) + " WHERE lID IN (" +
                                         marks + ") ORDER BY lID" + locked,
                                     values);
         !rows.IsEof(); rows.MoveNext())
        kept.insert(rows.GetInt(0));
    return kept;
}

bool LockRowForRemoval(CCatalogueConnection& connection, std::string_view table, int id) {
    // The row's own lock waits out a writer that keeps it; the statements after it then see
    // that writer's links.
    const std::string locked = onServer(connection) ? " FOR UPDATE" : "";
    return !connection
                .ExecuteWith("SELECT lID FROM " + std::string(table) + " WHERE lID=?" + locked,
                             {static_cast<long long>(id)})
                .IsEof();
}

bool RemoveRowIfUnused(CCatalogueConnection& connection, std::string_view table, int id,
                       std::string_view firstUserQuery) {
    const long long row = id;
    if (onServer(connection) && !LockRowForRemoval(connection, table, id))
        return false;
    if (!connection.ExecuteWith(firstUserQuery, {row}).IsEof())
        return false;
    connection.ExecuteWith("DELETE FROM " + std::string(table) + " WHERE lID=?", {row});
    return true;
}

} // namespace tunebay
