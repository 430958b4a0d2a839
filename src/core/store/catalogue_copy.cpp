#include "store/catalogue_copy.h"

#include "store/catalogue_error.h"
#include "store/server_catalogue.h"

#include <algorithm>
#include <cctype>

namespace tunebay {

namespace {

// Tables the program makes on demand for its own bookkeeping.
constexpr const char* kBookkeepingTables[] = {"tbljournal"};

// Rows and statement text per INSERT: few round trips to a server, statements of modest size.
constexpr int kRowsPerStatement = 200;
constexpr size_t kTextPerStatement = 256 * 1024;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A value as a literal. Every value travels as quoted text and each engine reads it as its
// column's type, so a number keeps its kind; unlike SqlQuote the empty text stays the empty
// text, not NULL, since the copy must read back as the source reads.
void appendLiteral(std::string& sql, const ResultSet& rows, int column) {
    if (rows.IsNull(column)) {
        sql += "NULL";
        return;
    }
    sql += '\'';
    for (const char c : rows.GetText(column)) {
        if (c == '\0')
            continue; // cannot travel inside a statement (and no catalogue text holds one)
        if (c == '\'')
            sql += '\'';
        sql += c;
    }
    sql += '\'';
}

// The directory rows of the source that repeat the local path of an older row.
std::vector<long long> repeatedDirectories(CCatalogueConnection& source) {
    std::vector<long long> ids;
    for (ResultSet rows = source.Execute(
             "SELECT lID FROM tblDirectory WHERE EXISTS (SELECT lID FROM tblDirectory AS older "
             "WHERE older.sLocal=tblDirectory.sLocal AND older.lID<tblDirectory.lID) ORDER BY lID");
         !rows.IsEof(); rows.MoveNext())
        ids.push_back(rows.GetInt64(0));
    return ids;
}

long long copyTable(CCatalogueConnection& source, CCatalogueConnection& target,
                    const std::string& table, long long copied, long long total,
                    const CopyRowsProgress& progress) {
    target.Execute("DELETE FROM " + table);
    // A server keys directories by their local path; an old catalogue file may repeat one, and
    // its rows come over all the same, ids and all.
    if (lowerCase(table) == "tbldirectory" && IsServerCatalogueName(target.Path()))
        KeyServerDirectories(target, repeatedDirectories(source));
    ResultSet rows = source.Execute("SELECT * FROM " + table + " ORDER BY 1");
    if (rows.IsEof())
        return copied;
    std::string head = "INSERT INTO " + table + " (";
    int idColumn = -1;
    for (int column = 0; column < rows.ColumnCount(); ++column) {
        const std::string name = rows.ColumnName(column);
        head += (column ? ", " : "") + name;
        if (lowerCase(name) == "lid")
            idColumn = column;
    }
    head += ") VALUES ";

    long long lastId = 0;
    std::string sql;
    int batched = 0;
    const auto flush = [&] {
        if (batched == 0)
            return;
        target.Execute(sql);
        copied += batched;
        batched = 0;
        if (progress)
            progress(copied, total);
    };
    for (; !rows.IsEof(); rows.MoveNext()) {
        sql += batched ? ", (" : head + "(";
        for (int column = 0; column < rows.ColumnCount(); ++column) {
            if (column)
                sql += ", ";
            appendLiteral(sql, rows, column);
        }
        sql += ')';
        if (idColumn >= 0)
            lastId = std::max(lastId, rows.GetInt64(idColumn));
        if (++batched == kRowsPerStatement || sql.size() >= kTextPerStatement) {
            flush();
            sql.clear();
        }
    }
    flush();
    // Ids the source has handed out stay used: rows deleted there are never given again.
    target.AdvanceIdCounter(table, std::max(lastId, source.IdCounter(table)));
    return copied;
}

} // namespace

std::vector<std::string> CopiedTables(CCatalogueConnection& target) {
    std::vector<std::string> tables;
    for (const std::string& table : target.TableNames())
        if (std::none_of(std::begin(kBookkeepingTables), std::end(kBookkeepingTables),
                         [&](const char* own) { return lowerCase(table) == own; }))
            tables.push_back(table);
    return tables;
}

long long CopyCatalogueRows(CCatalogueConnection& source, CCatalogueConnection& target,
                            const CopyRowsProgress& progress) {
    const std::vector<std::string> tables = CopiedTables(target);
    long long total = 0;
    for (const std::string& table : tables) {
        if (!source.HasTable(table))
            throw CatalogueError("", "the source catalogue has no table " + table);
        ResultSet count = source.Execute("SELECT COUNT(*) FROM " + table);
        total += count.IsEof() ? 0 : count.GetInt64(0);
    }
    if (progress)
        progress(0, total);
    CatalogueTransaction transaction(target);
    long long copied = 0;
    for (const std::string& table : tables)
        copied = copyTable(source, target, table, copied, total, progress);
    transaction.Commit();
    return total;
}

} // namespace tunebay
