#include "store/row_batches.h"

#include <algorithm>

namespace tunebay {

namespace {

// Bound values per statement: well below the least limit of the engines (SQLite's 32766), and
// a few hundred files' rows at most.
constexpr std::size_t kValuesPerStatement = 8192;

} // namespace

std::string ListMarks(std::size_t count) {
    std::string marks;
    marks.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i)
        marks += i == 0 ? "?" : ", ?";
    return marks;
}

void InsertRows(CCatalogueConnection& connection, std::string_view statement, std::size_t columns,
                std::span<const SqlValue> values, std::string_view tail,
                const std::function<void(const ResultSet&)>& eachReturned) {
    if (columns == 0)
        return;
    const std::string row = "(" + ListMarks(columns) + ")";
    const std::size_t rowsPerStatement = std::max<std::size_t>(1, kValuesPerStatement / columns);
    const std::size_t rows = values.size() / columns;
    for (std::size_t first = 0; first < rows; first += rowsPerStatement) {
        const std::size_t count = std::min(rowsPerStatement, rows - first);
        std::string sql(statement);
        sql.reserve(sql.size() + count * (row.size() + 2) + tail.size());
        for (std::size_t i = 0; i < count; ++i) {
            if (i != 0)
                sql += ", ";
            sql += row;
        }
        sql += tail;
        for (ResultSet returned =
                 connection.ExecuteBatch(sql, values.subspan(first * columns, count * columns));
             !returned.IsEof(); returned.MoveNext())
            if (eachReturned)
                eachReturned(returned);
    }
}

} // namespace tunebay
