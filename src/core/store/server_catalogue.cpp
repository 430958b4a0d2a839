#include "store/server_catalogue.h"

#include "store/catalogue_error.h"
#include "store/sql_dialect.h"
#include "store/sql_quote.h"

#include <algorithm>
#include <cctype>
// GCC 12 with the sanitizers warns that std::regex's own std::function members may be used
// uninitialised; the warning is about the library's code, not this file's.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#include <set>
#include <vector>

namespace tunebay {

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct TemplateObject {
    std::string type; // table, index or view
    std::string name;
    std::string sql;
};

// Tables made on demand by the program, not by the template; a catalogue's own all the same.
constexpr const char* kOnDemandTables[] = {"tbljournal"};

// Indexes that are unique on a server: there several importers may find a directory missing at
// once, and the key lets only one row in (one folder has one row, as every writer keeps it).
constexpr const char* kUniqueOnServer[] = {"idxDirectoryLocal"};

// An index of a column that compares without ASCII case is an index of its lower case, the
// form in which the translated statements compare it.
std::string serverIndex(std::string sql, const std::string& name) {
    for (const char* unique : kUniqueOnServer)
        if (lowerCase(name) == lowerCase(unique))
            sql = std::regex_replace(sql, std::regex(R"(^\s*CREATE\s+INDEX\b)", std::regex::icase),
                                     "CREATE UNIQUE INDEX");
    const size_t open = sql.find('(');
    const size_t close = sql.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return sql;
    std::string columns;
    size_t start = open + 1;
    while (start <= close) {
        size_t end = sql.find(',', start);
        if (end == std::string::npos || end > close)
            end = close;
        std::string column = sql.substr(start, end - start);
        column.erase(0, column.find_first_not_of(" \t\n"));
        column.erase(column.find_last_not_of(" \t\n") + 1);
        if (!columns.empty())
            columns += ", ";
        columns += IsCaseFoldedColumn(column) ? "lower(" + column + ")" : column;
        start = end + 1;
    }
    return sql.substr(0, open + 1) + columns + sql.substr(close);
}

std::string serverView(const std::string& sql) {
    static const std::regex head(R"(^\s*CREATE\s+VIEW\s+\w+\s+AS\s+)", std::regex::icase);
    std::smatch match;
    if (!std::regex_search(sql, match, head))
        return sql;
    return match.str(0) + TranslateJetSqlForServer(match.suffix().str());
}

// Functions of the historical dialect and of SQLite that the server lacks.
constexpr const char* kFunctions[] = {
    "CREATE FUNCTION tb_first_step(anyelement, anyelement) RETURNS anyelement "
    "LANGUAGE sql IMMUTABLE STRICT AS 'SELECT $1'",
    "CREATE AGGREGATE first(anyelement) (SFUNC = tb_first_step, STYPE = anyelement)",
    "CREATE AGGREGATE total(double precision) (SFUNC = float8pl, STYPE = double precision, "
    "INITCOND = '0')",
    "CREATE FUNCTION instr(text, text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT "
    "AS 'SELECT strpos($1, $2)'",
};
constexpr const char* kDropFunctions[] = {
    "DROP AGGREGATE IF EXISTS first(anyelement)",
    "DROP AGGREGATE IF EXISTS total(double precision)",
    "DROP FUNCTION IF EXISTS tb_first_step(anyelement, anyelement)",
    "DROP FUNCTION IF EXISTS instr(text, text)",
};

// Indexes a server catalogue has beyond the template's. A folder on a network share is looked
// up by its network form in any case, as another machine may have catalogued it.
struct ServerIndex {
    const char* name; // as the server keeps it
    const char* definition;
};
constexpr ServerIndex kServerIndexes[] = {
    {"idxdirectorynetwork", "CREATE INDEX idxDirectoryNetwork ON tblDirectory (lower(sUNC))"},
};

} // namespace

void AddServerIndexes(CCatalogueConnection& connection) {
    if (!IsServerCatalogueName(connection.Path()))
        return;
    for (const ServerIndex& index : kServerIndexes)
        if (connection
                .ExecuteWith("SELECT 1 FROM pg_indexes WHERE schemaname=current_schema() AND "
                             "indexname=?",
                             {std::string_view(index.name)})
                .IsEof())
            connection.Execute(index.definition);
}

void RefreshServerStatistics(CCatalogueConnection& connection, long long addedRows) {
    if (!IsServerCatalogueName(connection.Path()) || addedRows <= 0)
        return;
    // The number of items the statistics know of: -1 (or 0) before they were ever gathered.
    ResultSet known = connection.Execute(
        "SELECT reltuples FROM pg_class WHERE oid = CAST('tblitem' AS regclass)");
    const double items = known.IsEof() ? -1 : known.GetDouble(0);
    known = ResultSet();
    if (items > 0 && static_cast<double>(addedRows) * 10 < items)
        return;
    // Outside a transaction the rows are vacuumed too: their visibility is then settled once,
    // instead of by the first readers of each page, and the index of ids answers alone.
    connection.Execute(std::string(connection.InTransaction() ? "ANALYZE" : "VACUUM (ANALYZE)") +
                       " tblMedia, tblItem, tblOptional, tblDirectory, tblGroup, tblPackage");
}

// The server's form of a column type: 64-bit integers (sizes and ids outgrow 32 bits), double
// precision, and text of the "C" collation, compared in byte order as SQLite compares it.
std::string ServerTableDefinition(std::string_view definition) {
    const std::string sql(definition);
    const auto icase = std::regex::icase;
    std::string out =
        std::regex_replace(sql, std::regex(R"(\bINTEGER\s+PRIMARY\s+KEY\s+AUTOINCREMENT\b)", icase),
                           "bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    out = std::regex_replace(out, std::regex(R"(\bINTEGER\b)", icase), "bigint");
    out = std::regex_replace(out, std::regex(R"(\bREAL\b)", icase), "double precision");
    out = std::regex_replace(out, std::regex(R"(\bTEXT(\s+COLLATE\s+(\w+|"[^"]*"))?)", icase),
                             "text COLLATE \"C\"");
    return out;
}

void KeyServerDirectories(CCatalogueConnection& connection,
                          const std::vector<long long>& repeated) {
    // The key stays an index of sLocal first, which every lookup of a folder uses; a repeated
    // row is told apart from the first row of its folder by its id.
    std::string key = "sLocal";
    if (!repeated.empty()) {
        key += ", (CASE WHEN lID IN (";
        for (std::size_t i = 0; i < repeated.size(); ++i)
            key += (i ? ", " : "") + std::to_string(repeated[i]);
        key += ") THEN lID ELSE 0 END)";
    }
    connection.Execute(std::string("DROP INDEX IF EXISTS ") + kUniqueOnServer[0]);
    connection.Execute(std::string("CREATE UNIQUE INDEX ") + kUniqueOnServer[0] +
                       " ON tblDirectory (" + key + ")");
}

bool CreateServerCatalogue(CCatalogueConnection& connection, const std::string& templatePath,
                           bool replace, std::string& reason) {
    CCatalogueConnection source;
    if (source.Open(CatalogueConnectionString(templatePath)) != 0) {
        reason = templatePath + ": " + source.OpenError();
        return false;
    }
    try {
        std::vector<TemplateObject> objects;
        for (ResultSet rows = source.Execute(
                 "SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL AND "
                 "name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
             !rows.IsEof(); rows.MoveNext())
            objects.push_back({rows.GetText(0), rows.GetText(1), rows.GetText(2)});

        std::set<std::string> own(std::begin(kOnDemandTables), std::end(kOnDemandTables));
        for (const auto& object : objects)
            if (object.type != "index")
                own.insert(lowerCase(object.name));

        std::vector<std::string> present;
        for (ResultSet rows = connection.Execute(
                 "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                 "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'm', 'p', 'f') "
                 "ORDER BY c.relname");
             !rows.IsEof(); rows.MoveNext())
            present.push_back(rows.GetText(0));
        for (const auto& name : present)
            if (!own.contains(name)) {
                reason = "the database holds other tables (" + name +
                         "); a catalogue needs a database of its own";
                return false;
            }
        if (!present.empty() && !replace) {
            reason = "the database already holds a catalogue; --force replaces it";
            return false;
        }

        CatalogueTransaction transaction(connection);
        for (auto object = objects.rbegin(); object != objects.rend(); ++object)
            if (object->type == "view")
                connection.Execute("DROP VIEW IF EXISTS " + object->name);
        for (auto object = objects.rbegin(); object != objects.rend(); ++object)
            if (object->type == "table")
                connection.Execute("DROP TABLE IF EXISTS " + object->name);
        for (const char* table : kOnDemandTables)
            connection.Execute(std::string("DROP TABLE IF EXISTS ") + table);
        for (const char* statement : kDropFunctions)
            connection.Execute(statement);
        for (const char* statement : kFunctions)
            connection.Execute(statement);

        for (const auto& object : objects) {
            if (object.type == "table")
                connection.Execute(ServerTableDefinition(object.sql));
            else if (object.type == "index")
                connection.Execute(serverIndex(object.sql, object.name));
            else if (object.type == "view")
                connection.Execute(serverView(object.sql));
            else
                throw CatalogueError(object.sql, "the template holds a " + object.type +
                                                     ", which a server catalogue cannot take");
        }
        AddServerIndexes(connection);
        for (const auto& object : objects) {
            if (object.type != "table")
                continue;
            for (ResultSet rows = source.Execute("SELECT * FROM " + object.name); !rows.IsEof();
                 rows.MoveNext()) {
                std::string names;
                std::string values;
                for (int column = 0; column < rows.ColumnCount(); ++column) {
                    names += (column ? ", " : "") + rows.ColumnName(column);
                    values += column ? ", " : "";
                    values += rows.IsNull(column) ? "NULL" : SqlQuote(rows.GetText(column));
                }
                connection.Execute("INSERT INTO " + object.name + " (" + names + ") VALUES (" +
                                   values + ")");
            }
            // Counters go on from where the template's stand, never below a row's id.
            if (std::regex_search(object.sql, std::regex("AUTOINCREMENT", std::regex::icase))) {
                ResultSet counter =
                    source.Execute("SELECT MAX(n) FROM (SELECT MAX(lID) AS n FROM " + object.name +
                                   " UNION ALL SELECT seq FROM sqlite_sequence WHERE name = " +
                                   SqlQuote(object.name) + ")");
                const long long last = counter.IsEof() ? 0 : counter.GetInt64(0);
                if (last > 0)
                    connection.Execute("SELECT setval(pg_get_serial_sequence(" +
                                       SqlQuote(lowerCase(object.name)) + ", 'lid'), " +
                                       std::to_string(last) + ")");
            }
        }
        transaction.Commit();
    } catch (const CatalogueError& error) {
        reason = error.engineMessage();
        return false;
    }
    return true;
}

} // namespace tunebay
