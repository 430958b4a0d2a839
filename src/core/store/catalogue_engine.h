#pragma once

#include "store/catalogue_connection.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The rows of one statement being read, standing on a row. Each engine reads its own results;
// the connection's ResultSet reads through this.
class EngineRows {
public:
    virtual ~EngineRows() = default;
    // Moves to the next row; false when there is none (the rows are then spent).
    virtual bool Next() = 0;
    virtual int ColumnCount() const = 0;
    // The name as the statement or the schema spells it.
    virtual std::string ColumnName(int column) const = 0;
    virtual bool IsNull(int column) const = 0;
    virtual long long GetInt64(int column) const = 0;
    virtual double GetDouble(int column) const = 0;
    virtual std::string GetText(int column) const = 0;
};

// One open catalogue in one database engine. Statements arrive in the catalogue's historical
// dialect; each engine translates them for itself. Safe to use from several threads: each
// thread works on its own session, so transactions belong to the calling thread.
class CatalogueEngine {
public:
    virtual ~CatalogueEngine() = default;

    virtual bool IsReadOnly() const = 0;
    // Lets readers and a writer work at once where the engine needs to be told so.
    virtual void EnableConcurrentAccess() = 0;

    // Runs one statement with `values` bound to its "?" marks. `repeated` marks a statement
    // that comes again with other values and is worth keeping prepared. Returns the rows
    // standing on the first one, or nothing when there are none. Throws CatalogueError.
    virtual std::unique_ptr<EngineRows> Run(std::string_view sql, std::span<const SqlValue> values,
                                            bool repeated) = 0;

    virtual int ChangedRows() = 0;
    virtual long long LastInsertedId() = 0;
    virtual bool InTransaction() = 0;
    virtual void Begin() = 0;

    // The engine and its version, as `info` shows them ("SQLite 3.40.1").
    virtual std::string Description() = 0;

    // The catalogue's tables (not its views), spelt as the engine keeps them.
    virtual std::vector<std::string> TableNames() = 0;

    // The last id the counter of `table` handed out (0 when it has handed out none, or the
    // table has no counter). Ids up to it are never handed out again.
    virtual long long IdCounter(std::string_view table) = 0;
    // Moves the counter of `table` on so that the next id it hands out is above `last`; never
    // back. Nothing for a table without a counter.
    virtual void AdvanceIdCounter(std::string_view table, long long last) = 0;

    // Makes every later commit of the calling thread's session wait until it is on the disk, so
    // that it survives a loss of power, and returns the setting it replaced. Called outside a
    // transaction of the thread.
    virtual std::string RequireDurableCommits() = 0;
    virtual void RestoreCommitDurability(const std::string& previous) = 0;
};

// Every row's first column as text (none for no rows).
std::vector<std::string> FirstColumnTexts(std::unique_ptr<EngineRows> rows);

// A number of a floating-point column as text: whole numbers without a fraction ("1234", not
// "1234.0"), others in the shortest form that reads back to the same value.
std::string FloatingPointText(double value);

} // namespace tunebay
