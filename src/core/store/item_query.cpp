#include "store/item_query.h"

#include <cstdlib>

namespace tunebay {

namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

const char* sortColumn(int code) {
    switch (code) {
    case kSortLength:
        return "tblMedia.lLength";
    case kSortTitle:
        return "tblMedia.sName";
    case kSortGenre:
        return "tblGenre.sName";
    case kSortPublishTime:
        return "tblMedia.sPublishTime";
    case kSortComment:
        return "tblMedia.sComment";
    case kSortPackage:
        return "tblPackage.sName";
    default:
        return nullptr;
    }
}

} // namespace

std::string BuildItemQuery(std::string_view columns, std::string_view condition, int sortCode) {
    if (columns.empty())
        return {};
    std::string sql(columns);
    sql += " FROM tblGroup, tblPackage, tblMedia, tblGenre, tblItem, tblDirectory";
    const bool optional = contains(condition, "tblOptional.");
    if (optional)
        sql += ", tblOptional";
    if (contains(condition, "tblMediaDuplicates."))
        sql += ", tblMediaDuplicates";
    if (contains(condition, "tblMediaDuplicatesSize."))
        sql += ", tblMediaDuplicatesSize";
    if (contains(condition, "tblMediaDuplicatesTRM."))
        sql += ", tblMediaDuplicatesTRM";
    sql += " WHERE ";
    sql += kItemJoin;
    if (optional)
        sql += " AND tblOptional.lTableID=tblMedia.lID";
    if (!condition.empty()) {
        sql += " AND (";
        sql += condition;
        sql += ")";
    }
    if (sortCode == kSortNone)
        return sql;

    const int code = std::abs(sortCode);
    const bool hasGroup = contains(columns, "tblGroup.sName");
    const char* column = sortColumn(code);
    if (!column && hasGroup)
        column = "tblGroup.sName";
    if (!column)
        return sql;
    sql += " ORDER BY ";
    sql += column;
    sql += sortCode < 0 ? " DESC" : " ASC";
    if (code == kSortTitle)
        sql += ", tblGroup.sName ASC";
    else if (code == kSortGroup)
        sql += ", tblMedia.sName ASC";
    else if (hasGroup && contains(columns, "tblMedia.sName"))
        sql += ", tblGroup.sName ASC, tblMedia.sName ASC";
    // Items equal under the order come in the order they were catalogued, on every engine.
    sql += ", tblItem.lID ASC";
    return sql;
}

ResultSet QueryItems(CCatalogueConnection& connection, std::string_view columns,
                     std::string_view condition, int sortCode) {
    const std::string sql = BuildItemQuery(columns, condition, sortCode);
    if (sql.empty())
        return {};
    return connection.Execute(sql);
}

} // namespace tunebay
