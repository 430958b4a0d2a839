#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tunebay {

class CatalogueEngine;
class EngineRows;

// How a statement waits for another writer: the clock (steady milliseconds) and the sleep, both
// replaceable by tests.
struct BusyWait {
    std::function<long long()> now;
    std::function<void(long long milliseconds)> sleep;
    BusyWait();
};

// A value bound to a "?" of a prepared statement. Text binds the way SqlQuote writes it: the
// empty text is NULL.
using SqlValue = std::variant<std::nullptr_t, long long, double, std::string_view>;

// A forward-only, read-only view of a statement's result. It stands on the first row as soon as
// `Execute` returns; statements that return no rows give a result that is already at its end.
// Columns are read by their zero-based position in the select list; a NULL reads as 0 or as the
// empty text.
class ResultSet {
public:
    ResultSet();
    ResultSet(ResultSet&&) noexcept;
    ResultSet& operator=(ResultSet&&) noexcept;
    ~ResultSet();

    bool IsEof() const { return m_rows == nullptr; }
    void MoveNext();

    int ColumnCount() const;
    std::string ColumnName(int column) const;
    bool IsNull(int column) const;
    int GetInt(int column) const;
    long long GetInt64(int column) const;
    double GetDouble(int column) const;
    // Whole numbers stored as floating point read as whole numbers ("1234", not "1234.0"), as
    // every caller that shows a size or compares an id as text expects.
    std::string GetText(int column) const;

private:
    friend class CCatalogueConnection;
    explicit ResultSet(std::unique_ptr<EngineRows> rows);

    std::unique_ptr<EngineRows> m_rows;
};

// The one connection to the open catalogue. Every statement of the program goes through
// `Execute` in the catalogue's historical SQL dialect, which is translated here.
//
// The catalogue is a file (SQLite) or a database on a PostgreSQL server, named by its
// connection URI; which engine serves it is decided here alone.
//
// Safe to use from several threads at once: each thread gets its own engine session on the same
// catalogue, so a worker's transaction never takes in another thread's statements and a long
// listing does not block an import.
class CCatalogueConnection {
public:
    CCatalogueConnection();
    ~CCatalogueConnection();
    CCatalogueConnection(const CCatalogueConnection&) = delete;
    CCatalogueConnection& operator=(const CCatalogueConnection&) = delete;

    // "DRIVER=...;DBQ=<path or URI>;PWD=" — only DBQ is read. Closes the current catalogue
    // first; an empty string only closes. Returns 0 on success, non-zero when the file cannot be
    // opened as a catalogue database (the connection then stays closed).
    int Open(std::string_view connectionString);
    bool IsOpen() const;
    // The absolute file name, or the server catalogue's URI.
    const std::string& Path() const { return m_path; }
    bool IsReadOnly() const;
    // Why the last Open failed, in the system's or the engine's words ("" after a success).
    const std::string& OpenError() const { return m_openError; }

    // How statements of catalogues opened after this call wait for another writer.
    void SetBusyWait(BusyWait wait) { m_busyWait = std::move(wait); }

    // Lets readers and one writer work on a catalogue file at once: its first change switches
    // the file to write-ahead logging (an open that changes nothing leaves the file byte for
    // byte as it was). Called once the file is known to be a catalogue. A server needs no such
    // switch.
    void EnableConcurrentAccess();

    // Runs exactly one statement. Text after the first statement is refused, never run.
    // Throws CatalogueError on any failure.
    ResultSet Execute(std::string_view sql);

    // Runs a statement that repeats with other values (the per-file statements of an import):
    // parsed once per thread, values bound to its "?" marks. Same dialect and checks as Execute.
    ResultSet ExecuteWith(std::string_view sql, std::initializer_list<SqlValue> values);

    // ExecuteWith for a statement whose values come as a list (the rows of a multi-row INSERT,
    // an IN list): kept prepared like ExecuteWith's, so it should come in few lengths.
    ResultSet ExecuteBatch(std::string_view sql, std::span<const SqlValue> values);

    // "SELECT COUNT(lMediaID) FROM tblItem"; 0 on any failure.
    int CountItems();

    // Rows changed by the last INSERT, UPDATE or DELETE on this thread.
    int ChangedRows();

    // The row id the last successful INSERT on this thread gave its row.
    long long LastInsertedId();

    // The engine that serves the open catalogue and its version ("PostgreSQL 15.18").
    std::string EngineDescription();

    // The catalogue's tables (not its views), and whether it has one of a name (compared
    // without ASCII case, as the engines compare names).
    std::vector<std::string> TableNames();
    bool HasTable(std::string_view name);

    // The last id the counter of `table` handed out (0 when none, or it has no counter), and
    // moving it on (never back) so that ids up to `last` are not handed out.
    long long IdCounter(std::string_view table);
    void AdvanceIdCounter(std::string_view table, long long last);

    // Makes every later commit of the calling thread wait until it is on the disk; returns the
    // setting it replaced, for RestoreCommitDurability. Prefer DurableCommits.
    std::string RequireDurableCommits();
    void RestoreCommitDurability(const std::string& previous);

    // Transactions belong to the calling thread's handle. Prefer CatalogueTransaction.
    bool InTransaction();
    void Begin();
    void Commit();
    void Rollback();

private:
    CatalogueEngine& engine();
    ResultSet run(std::string_view sql, std::span<const SqlValue> values, bool repeated);

    std::unique_ptr<CatalogueEngine> m_engine;
    BusyWait m_busyWait;
    std::string m_path;
    std::string m_openError;
};

// Runs the enclosed statements as one unit: rolled back unless Commit is called. Inside another
// transaction of the thread the unit is a savepoint of it.
class CatalogueTransaction {
public:
    explicit CatalogueTransaction(CCatalogueConnection& connection);
    ~CatalogueTransaction();
    CatalogueTransaction(const CatalogueTransaction&) = delete;
    CatalogueTransaction& operator=(const CatalogueTransaction&) = delete;
    void Commit();

private:
    CCatalogueConnection& m_connection;
    bool m_savepoint = false;
    bool m_done = false;
};

// Whether a catalogue name is a server catalogue's connection URI ("postgresql://...") rather
// than a file name. A URI is never taken for a file, nor a file name for a server.
bool IsServerCatalogueName(std::string_view name);

// The connection string for a catalogue path.
std::string CatalogueConnectionString(std::string_view path);
// The DBQ value of a connection string ("" when it has none).
std::string ConnectionStringPath(std::string_view connectionString);

} // namespace tunebay
