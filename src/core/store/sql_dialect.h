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

// The same statement for a PostgreSQL catalogue, whose text columns are of the "C" collation
// (byte order of UTF-8, as SQLite compares):
// - "?" marks become "$1", "$2", ...; TRUE and FALSE become 1 and 0 (the flags are integers);
// - LIKE ignores ASCII case only, as SQLite's: ILIKE under the "C" collation folds A-Z alone;
// - a comparison of a column that compares without ASCII case (IsCaseFoldedColumn) with a
//   literal, a mark or another column compares both sides in lower case of that collation;
// - NULLs sort first ascending and last descending, as in SQLite;
// - a SELECT DISTINCT of columns, one of them case-folded, groups by its columns instead, so
//   that names differing in ASCII case count as one (each shown as its table's first row has it);
// - IFNULL becomes COALESCE. FIRST, TOTAL and INSTR are functions of the server catalogue.
// One rewrite is for speed alone: the search for titles that occur twice, "tblMedia.sName IN
// (SELECT sName FROM tblMediaDuplicates)", asks whether another media row has the same name
// instead, which the server answers through the index of names without grouping every title
// first. Beside an OR, where that would be one lookup for each row the other side leaves out,
// the titles that occur twice are grouped once and joined to the media rows of the FROM list.
// The forms differ only for a title that is NULL (false, not NULL), which no search negates.
std::string TranslateJetSqlForServer(std::string_view statement);

// Whether a column of the catalogue compares its text without ASCII case (sName, sValue, ...).
bool IsCaseFoldedColumn(std::string_view name);

} // namespace tunebay
