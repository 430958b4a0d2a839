#pragma once

#include "store/catalogue_connection.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// Statements that write or look up many rows at once, so that a batch of imported files costs a
// few statements instead of a dozen for each file (on a server, each statement is a round trip).
// Their lists come in a few lengths only (powers of two), so that each statement text comes up
// again and is kept prepared: preparing a long statement costs more than running it.

// The marks of a list of the values from `first` on ("?, ?, ?, ?"): the list is padded to a
// power of two by repeating its last value, which changes nothing of what an IN list matches
// and adds no other key to a list of distinct keys.
std::string PaddedListMarks(std::vector<SqlValue>& values, std::size_t first = 0);

// Inserts rows whose values follow one another in `values`, `columns` to a row, in the order
// given. `statement` is the INSERT up to and with its VALUES keyword; `tail` follows the rows
// (" RETURNING lID") and `eachReturned` reads every row it returns.
void InsertRows(CCatalogueConnection& connection, std::string_view statement, std::size_t columns,
                std::span<const SqlValue> values, std::string_view tail = {},
                const std::function<void(const ResultSet&)>& eachReturned = {});

// InsertRows with " RETURNING lID": the ids the rows were given, in the order of `values`. The
// engines number the rows of one INSERT in the order of its VALUES, whatever order RETURNING
// lists them in. Throws CatalogueError when not every row is returned.
std::vector<long long> InsertedRowIds(CCatalogueConnection& connection, std::string_view statement,
                                      std::size_t columns, std::span<const SqlValue> values);

} // namespace tunebay
