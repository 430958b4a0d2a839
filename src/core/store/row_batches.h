#pragma once

#include "store/catalogue_connection.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tunebay {

// Statements that write or look up many rows at once, so that a batch of imported files costs a
// few statements instead of a dozen for each file (on a server, each statement is a round trip).

// The marks of a list of `count` values: "?, ?, ?".
std::string ListMarks(std::size_t count);

// Inserts rows whose values follow one another in `values`, `columns` to a row, in the order
// given: as few statements as the engines' limit of bound values allows. `statement` is the
// INSERT up to and with its VALUES keyword; `tail` follows the rows (" RETURNING lID") and
// `eachReturned` reads every row it returns.
void InsertRows(CCatalogueConnection& connection, std::string_view statement, std::size_t columns,
                std::span<const SqlValue> values, std::string_view tail = {},
                const std::function<void(const ResultSet&)>& eachReturned = {});

} // namespace tunebay
