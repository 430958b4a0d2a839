#pragma once

#include "store/catalogue_connection.h"

#include <string>

namespace tunebay::test {

// A change the catalogue refuses from now on, as a failing disk or a broken catalogue would, with
// `message` as the engine's words: `change` ("INSERT", "UPDATE", "UPDATE OF sName", "DELETE") of
// the rows of `table` for which `when` holds (a condition on NEW. and OLD. columns; "" for every
// row).
struct RefusedChange {
    std::string table;
    std::string change;
    std::string when;
    std::string message;
};

// Makes the open catalogue, a file or a server database, refuse the change.
void RefuseChange(CCatalogueConnection& connection, const RefusedChange& refused);

} // namespace tunebay::test
