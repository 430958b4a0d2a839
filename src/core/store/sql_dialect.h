#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Turns a statement written in the catalogue's historical (Jet) dialect into one the SQLite
// engine accepts. This is the one place where the dialect is translated; everything else in
// the program writes the statements as they have always been written.
//
// Only "DELETE * FROM" needs rewriting: FIRST is registered as an aggregate on every handle,
// TRUE, DISTINCT(x), scalar sub-selects, derived tables and the stored queries (views) are
// understood as they stand. Text inside quoted literals is never touched.
//
// One rewrite is for speed alone: a GROUP BY term "tblX.sName" that follows "tblX.lID" in the
// same list is left out, since the key already makes the groups (the folder tree's statement
// groups a million rows by three names it need not compare).
std::string TranslateJetSql(std::string_view statement);

} // namespace tunebay
