#include "store/row_batches.h"

#include "store/catalogue_error.h"

#include <algorithm>
#include <bit>

namespace tunebay {

namespace {

// Bound values per statement: well below the least limit of the engines (SQLite's 32766), and
// the rows of a few hundred files.
constexpr std::size_t kValuesPerStatement = 4096;

std::string marks(std::size_t count, std::string_view mark) {
    std::string text;
    text.reserve(count * (mark.size() + 2));
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0)
            text += ", ";
        text += mark;
    }
    return text;
}

} // namespace

std::string PaddedListMarks(std::vector<SqlValue>& values, std::size_t first) {
    const std::size_t count = values.size() - std::min(first, values.size());
    if (count == 0)
        return "NULL"; // an IN list that matches nothing
    const std::size_t padded = std::bit_ceil(count);
    const SqlValue last = values.back();
    values.resize(first + padded, last);
    return marks(padded, "?");
}

void InsertRows(CCatalogueConnection& connection, std::string_view statement, std::size_t columns,
                std::span<const SqlValue> values, std::string_view tail,
                const std::function<void(const ResultSet&)>& eachReturned) {
    if (columns == 0)
        return;
    const std::string row = "(" + marks(columns, "?") + ")";
    const std::size_t most =
        std::bit_floor(std::max<std::size_t>(1, kValuesPerStatement / columns));
    std::size_t left = values.size() / columns;
    for (std::size_t first = 0; left > 0;) {
        // The rows go in statements of a power of two rows each, the longest first.
        const std::size_t count = std::bit_floor(std::min(left, most));
        const std::string sql = std::string(statement) + marks(count, row) + std::string(tail);
        for (ResultSet returned =
                 connection.ExecuteBatch(sql, values.subspan(first * columns, count * columns));
             !returned.IsEof(); returned.MoveNext())
            if (eachReturned)
                eachReturned(returned);
        first += count;
        left -= count;
    }
}

std::vector<long long> InsertedRowIds(CCatalogueConnection& connection, std::string_view statement,
                                      std::size_t columns, std::span<const SqlValue> values) {
    std::vector<long long> ids;
    ids.reserve(values.size() / std::max<std::size_t>(1, columns));
    InsertRows(connection, statement, columns, values, " RETURNING lID",
               [&ids](const ResultSet& row) { ids.push_back(row.GetInt64(0)); });
    if (columns == 0 || ids.size() != values.size() / columns)
        throw CatalogueError(std::string(statement), "the new rows cannot be found");
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace tunebay
