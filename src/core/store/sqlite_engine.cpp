#include "store/sqlite_engine.h"

#include "app/clock.h"
#include "store/catalogue_error.h"
#include "store/catalogue_files.h"
#include "store/sql_dialect.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tunebay {

namespace {

// How long a statement waits for another thread or process that holds the catalogue's write
// lock before it fails.
constexpr int kBusyTimeoutMs = 3000;

// Jet's FIRST: the value of the first row the aggregate sees.
void firstStep(sqlite3_context* context, int, sqlite3_value** values) {
    auto** first =
        static_cast<sqlite3_value**>(sqlite3_aggregate_context(context, sizeof(sqlite3_value*)));
    if (first && !*first)
        *first = sqlite3_value_dup(values[0]);
}

void firstFinal(sqlite3_context* context) {
    auto** first = static_cast<sqlite3_value**>(sqlite3_aggregate_context(context, 0));
    if (first && *first) {
        sqlite3_result_value(context, *first);
        sqlite3_value_free(*first);
    } else {
        sqlite3_result_null(context);
    }
}

// The engine's message, with the reason said plainly when another program holds the catalogue.
std::string engineMessage(sqlite3* db) {
    const int code = sqlite3_extended_errcode(db) & 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return std::string("the catalogue is busy in another program (") + sqlite3_errmsg(db) + ")";
    return sqlite3_errmsg(db);
}

// Every process of this program holds a shared lock on each catalogue it has open, on a
// descriptor of its own that stays open as long as the catalogue does. A process that closes a
// catalogue leaves write-ahead logging (and lets the engine remove the log and its shared
// memory) only when it can take that lock alone: the engine's own test relies on file locks that
// the system drops when any other descriptor of the file in a holder's process is closed (a file
// dialog that looks into the file is enough), after which a closing process would pull the
// shared memory from under a window still working on it.
class PresenceLocks {
public:
    // Takes the shared lock for the regular file at `path` (the process's descriptor of it, made
    // once), and sets `info`; -1 with `reason` set when the file is not a catalogue this can
    // lock. A second descriptor is never opened while the engine has the file open: closing it
    // would drop the engine's locks.
    static int Acquire(const std::string& path, struct stat& info, std::string& reason) {
        std::lock_guard lock(mutex());
        if (::stat(path.c_str(), &info) != 0) {
            reason = std::strerror(errno);
            return -1;
        }
        if (!S_ISREG(info.st_mode)) {
            reason = "not a regular file";
            return -1;
        }
        const auto found = entries().find({info.st_dev, info.st_ino});
        if (found != entries().end()) {
            ++found->second.users;
            return found->second.fd;
        }
        // Without blocking: a FIFO put in the file's place meanwhile would otherwise hang here.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat opened {};
        if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            reason = fd < 0 ? std::strerror(errno) : "not a regular file";
            if (fd >= 0)
                ::close(fd);
            return -1;
        }
        info = opened;
        const long long deadline = SteadyMilliseconds() + kBusyTimeoutMs;
        // Another process holds the lock alone only while it leaves write-ahead logging.
        while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK || SteadyMilliseconds() >= deadline) {
                reason = "the catalogue is busy in another program";
                ::close(fd);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        entries()[{info.st_dev, info.st_ino}] = {fd, 1};
        return fd;
    }

    // Whether this process is the only one that has the file open (this call's user included).
    static bool Alone(dev_t device, ino_t inode) {
        std::lock_guard lock(mutex());
        const auto found = entries().find({device, inode});
        return found != entries().end() && found->second.users == 1 &&
               ::flock(found->second.fd, LOCK_EX | LOCK_NB) == 0;
    }

    // The descriptor is closed with its last user, after the engine has closed its own.
    static void Release(dev_t device, ino_t inode) {
        std::lock_guard lock(mutex());
        const auto found = entries().find({device, inode});
        if (found == entries().end() || --found->second.users > 0)
            return;
        ::close(found->second.fd);
        entries().erase(found);
    }

private:
    struct Entry {
        int fd = -1;
        int users = 0;
    };
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::map<std::pair<dev_t, ino_t>, Entry>& entries() {
        static std::map<std::pair<dev_t, ino_t>, Entry> e;
        return e;
    }
};

std::string uriEscape(std::string_view path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x21 || c > 0x7e) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

} // namespace

// Everything one open catalogue shares between threads. A new state is made for every open, so
// handles cached by threads for an earlier catalogue are recognised as stale.
class SqliteState {
public:
    // Waits for another writer by the clock, at most kBusyTimeoutMs, in short steps that grow
    // to a few milliseconds (SQLite's own waiting sleeps up to 100 ms at a time and would miss
    // the short gap between two of a run's batches).
    static int onBusy(void* self, int attempt) {
        auto* state = static_cast<SqliteState*>(self);
        const BusyWait& wait = state->busyWait;
        thread_local long long started = 0;
        const long long now = wait.now();
        if (attempt == 0)
            started = now;
        if (now - started >= kBusyTimeoutMs)
            return 0;
        wait.sleep(std::min<long long>(8, 1LL << std::min(attempt, 3)));
        return 1;
    }

    ~SqliteState() {
        for (auto& [db, cache] : statements)
            for (auto& [sql, statement] : cache)
                sqlite3_finalize(statement);
        const bool alone = presenceFd >= 0 && PresenceLocks::Alone(device, inode);
        if (!alone) {
            // The log and its shared memory stay for the other processes.
            int keep = 1;
            for (sqlite3* db : handles)
                sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        }
        sqlite3* last = handles.empty() ? nullptr : handles.back();
        for (sqlite3* db : handles)
            if (db != last)
                sqlite3_close_v2(db); // deferred until the last result set of a handle is released
        if (last && !readOnly && alone)
            leaveWriteAheadLog(last);
        sqlite3_close_v2(last);
        if (presenceFd >= 0)
            PresenceLocks::Release(device, inode);
    }

    // The last writer to close a catalogue takes it out of write-ahead logging: the file then
    // holds every change, a reader without write access (this program on a read-only share,
    // or any other SQLite reader) needs no companion files and reads it with the engine's
    // locks, and the file is as plain as the template it came from. Another process still
    // holding the catalogue keeps it as it is. A file nobody switched is left untouched.
    static void leaveWriteAheadLog(sqlite3* db) {
        sqlite3_busy_handler(db, nullptr, nullptr);
        // A read first, so that a handle that has not looked since another process switched
        // the file sees its current mode.
        sqlite3_exec(db, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }

    // Called before a statement that changes the file. Write-ahead logging is entered only now,
    // not when the catalogue is opened: the switch itself rewrites the file's header (and its
    // change counter), so an open that changes nothing must leave the file as it was for
    // backups and synchronising tools. The switch needs the file to itself for a moment: when
    // readers hold it past the busy wait, the change is made with the rollback journal and the
    // switch is tried again (without waiting) before the next one; where the file system cannot
    // share the log's memory, the catalogue keeps the rollback journal, one writer at a time.
    void enterWriteAheadLog(sqlite3* db) {
        if (!concurrent.load() || logged.load() || !sqlite3_get_autocommit(db))
            return;
        std::lock_guard lock(logMutex);
        if (logged.load() || logUnavailable)
            return;
        if (logWaited)
            sqlite3_busy_handler(db, nullptr, nullptr);
        sqlite3_stmt* statement = nullptr;
        int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &statement, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(statement);
        const int code = sqlite3_extended_errcode(db) & 0xFF;
        const auto* mode = rc == SQLITE_ROW ? sqlite3_column_text(statement, 0) : nullptr;
        const bool entered = mode && std::strcmp(reinterpret_cast<const char*>(mode), "wal") == 0;
        sqlite3_finalize(statement);
        if (logWaited)
            sqlite3_busy_handler(db, &SqliteState::onBusy, this);
        if (entered)
            logged = true;
        else if (rc != SQLITE_ROW && (code == SQLITE_BUSY || code == SQLITE_LOCKED))
            logWaited = true;
        else if (rc == SQLITE_ROW || code != SQLITE_ERROR)
            logUnavailable = true;
        // A read still in progress on this very handle is waited out: tried at the next change.
    }

    sqlite3* openHandle() const {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(location.c_str(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
            sqlite3_close_v2(db);
            throw CatalogueError("", message);
        }
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_handler(db, &SqliteState::onBusy, const_cast<SqliteState*>(this));
        sqlite3_create_function_v2(db, "FIRST", 1, SQLITE_UTF8, nullptr, nullptr, firstStep,
                                   firstFinal, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        // Each file of an import is a savepoint of its batch; in files, the savepoint journals
        // spill to a temporary file and cost a write per page.
        sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
        return db;
    }

    std::string location; // an absolute path, or a file: URI for an unchanging read-only open
    int flags = 0;
    BusyWait busyWait;
    int presenceFd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    bool readOnly = false;
    std::atomic<bool> concurrent{false}; // the first change enters write-ahead logging
    std::atomic<bool> logged{false};     // the file is in write-ahead logging
    std::mutex logMutex;                 // one switch at a time; guards the two below
    bool logWaited = false;              // a switch already waited for readers once
    bool logUnavailable = false;         // the file system cannot hold the log's shared memory
    std::mutex mutex;
    std::vector<sqlite3*> handles; // every handle made for this catalogue
    std::vector<sqlite3*> idle;    // handles of threads that have ended, ready for reuse
    // Prepared statements kept for reuse, per handle and statement text.
    std::map<sqlite3*, std::map<std::string, sqlite3_stmt*, std::less<>>> statements;
};

namespace {

// A thread's handle on one open catalogue; handed back for reuse when the thread ends.
struct HandleLease {
    std::weak_ptr<SqliteState> owner;
    const SqliteState* ownerAddress;
    sqlite3* db;
};

struct ThreadLeases {
    std::vector<HandleLease> leases;
    ~ThreadLeases() {
        for (auto& lease : leases)
            if (auto state = lease.owner.lock()) {
                std::lock_guard lock(state->mutex);
                state->idle.push_back(lease.db);
            }
    }
};

thread_local ThreadLeases t_leases;

} // namespace

namespace {

// The rows of one prepared statement; a kept statement is reset for reuse, not finalised.
class SqliteRows : public EngineRows {
public:
    SqliteRows(sqlite3_stmt* statement, std::string sql, bool cached)
        : m_statement(statement), m_sql(std::move(sql)), m_cached(cached) {}
    ~SqliteRows() override { release(); }

    // Steps to the first row; false (the statement released) when there is none.
    bool Start() { return step(); }

    bool Next() override { return step(); }

    int ColumnCount() const override { return sqlite3_column_count(m_statement); }

    std::string ColumnName(int column) const override {
        const char* name = sqlite3_column_name(m_statement, column);
        return name ? name : "";
    }

    bool IsNull(int column) const override {
        return column < 0 || column >= ColumnCount() ||
               sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }

    long long GetInt64(int column) const override {
        if (IsNull(column))
            return 0;
        if (sqlite3_column_type(m_statement, column) == SQLITE_FLOAT)
            return static_cast<long long>(sqlite3_column_double(m_statement, column));
        return sqlite3_column_int64(m_statement, column);
    }

    double GetDouble(int column) const override {
        return IsNull(column) ? 0.0 : sqlite3_column_double(m_statement, column);
    }

    std::string GetText(int column) const override {
        if (IsNull(column))
            return {};
        if (sqlite3_column_type(m_statement, column) == SQLITE_FLOAT)
            return FloatingPointText(sqlite3_column_double(m_statement, column));
        const auto* text = sqlite3_column_text(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return text ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
    }

    void release() {
        if (m_statement) {
            if (m_cached) {
                sqlite3_reset(m_statement);
                sqlite3_clear_bindings(m_statement);
            } else {
                sqlite3_finalize(m_statement);
            }
        }
        m_statement = nullptr;
    }

private:
    bool step() {
        if (!m_statement)
            return false;
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE) {
            release();
            return false;
        }
        const std::string message = engineMessage(sqlite3_db_handle(m_statement));
        release();
        throw CatalogueError(m_sql, message);
    }

    sqlite3_stmt* m_statement = nullptr;
    std::string m_sql;
    bool m_cached = false;
};

sqlite3* threadHandle(const std::shared_ptr<SqliteState>& state) {
    auto& leases = t_leases.leases;
    for (const auto& lease : leases)
        if (lease.ownerAddress == state.get() && !lease.owner.expired())
            return lease.db;
    std::erase_if(leases, [](const HandleLease& lease) { return lease.owner.expired(); });

    sqlite3* db = nullptr;
    {
        std::lock_guard lock(state->mutex);
        if (!state->idle.empty()) {
            db = state->idle.back();
            state->idle.pop_back();
        }
    }
    if (!db) {
        db = state->openHandle();
        std::lock_guard lock(state->mutex);
        state->handles.push_back(db);
    }
    leases.push_back({state, state.get(), db});
    return db;
}

// A statement of `sql`, kept for reuse per handle when `cache` is set; `cached` tells whether
// the one returned is the kept one.
sqlite3_stmt* prepare(SqliteState& state, sqlite3* db, std::string_view sql, bool cache,
                      bool& cached) {
    cached = false;
    if (cache) {
        std::lock_guard lock(state.mutex);
        auto& kept = state.statements[db];
        const auto found = kept.find(sql);
        // A kept statement still being read (a nested use of the same text) is not shared.
        if (found != kept.end() && !sqlite3_stmt_busy(found->second)) {
            cached = true;
            return found->second;
        }
    }
    const std::string translated = TranslateJetSql(sql);
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db, translated.data(), static_cast<int>(translated.size()),
                                      cache ? SQLITE_PREPARE_PERSISTENT : 0, &statement, &tail);
    if (rc != SQLITE_OK)
        throw CatalogueError(std::string(sql), sqlite3_errmsg(db));
    if (!statement)
        throw CatalogueError(std::string(sql), "empty statement");

    const char* end = translated.data() + translated.size();
    while (tail && tail < end && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';'))
        ++tail;
    if (tail && tail < end) {
        sqlite3_finalize(statement);
        throw CatalogueError(std::string(sql), "only one statement may be run at a time");
    }
    if (cache) {
        std::lock_guard lock(state.mutex);
        // When the kept one is busy, this one is used once and finalised.
        cached = state.statements[db].try_emplace(std::string(sql), statement).second;
    }
    return statement;
}

int bind(sqlite3_stmt* statement, int index, const SqlValue& value) {
    if (const auto* integer = std::get_if<long long>(&value))
        return sqlite3_bind_int64(statement, index, *integer);
    if (const auto* number = std::get_if<double>(&value))
        return sqlite3_bind_double(statement, index, *number);
    if (const auto* text = std::get_if<std::string_view>(&value)) {
        // As SqlQuote: the empty text is NULL and NUL characters are left out.
        std::string clean(*text);
        std::erase(clean, '\0');
        return clean.empty() ? sqlite3_bind_null(statement, index)
                             : sqlite3_bind_text(statement, index, clean.data(),
                                                 static_cast<int>(clean.size()), SQLITE_TRANSIENT);
    }
    return sqlite3_bind_null(statement, index);
}

} // namespace

SqliteEngine::SqliteEngine(std::shared_ptr<SqliteState> state) : m_state(std::move(state)) {}

SqliteEngine::~SqliteEngine() = default;

std::unique_ptr<SqliteEngine> SqliteEngine::Open(const std::string& path, const BusyWait& wait,
                                                 std::string& error) {
    auto state = std::make_shared<SqliteState>();
    state->location = path;
    state->busyWait = wait;

    struct stat info {};
    state->presenceFd = PresenceLocks::Acquire(path, info, error);
    if (state->presenceFd < 0)
        return nullptr;
    state->device = info.st_dev;
    state->inode = info.st_ino;

    // Reading the schema proves that the file is a database at all (opening alone reads nothing).
    auto probe = [&]() -> bool {
        sqlite3* db = nullptr;
        try {
            db = state->openHandle();
        } catch (const CatalogueError& failure) {
            error = failure.engineMessage();
            return false;
        }
        const bool ok = sqlite3_exec(db, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr,
                                     nullptr) == SQLITE_OK;
        if (ok) {
            state->handles.push_back(db);
            state->idle.push_back(db);
        } else {
            error = sqlite3_errmsg(db);
            sqlite3_close_v2(db);
        }
        return ok;
    };

    bool opened = false;
    if (access(path.c_str(), W_OK) == 0) {
        // Never create a file here: a catalogue is made from the template or not at all.
        state->flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
        opened = probe();
    } else if (errno != EACCES && errno != EROFS) {
        error = std::strerror(errno);
        return nullptr;
    }
    // A catalogue that cannot be written (or whose folder or disk takes no new files) is still
    // read, in a way that makes no files beside it.
    if (!opened) {
        std::string refusal;
        const ReadOnlyAccess access = ChooseReadOnlyAccess(path, state->presenceFd, refusal);
        if (access == ReadOnlyAccess::Refused) {
            error = refusal;
            return nullptr;
        }
        state->readOnly = true;
        state->flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX;
        if (access == ReadOnlyAccess::Unchanging) {
            state->location = "file:" + uriEscape(path) + "?immutable=1";
            state->flags |= SQLITE_OPEN_URI;
        }
        if (!probe())
            return nullptr;
    }
    error.clear();
    return std::unique_ptr<SqliteEngine>(new SqliteEngine(std::move(state)));
}

bool SqliteEngine::IsReadOnly() const {
    return m_state->readOnly;
}

void SqliteEngine::EnableConcurrentAccess() {
    if (!m_state->readOnly)
        m_state->concurrent = true;
}

std::unique_ptr<EngineRows> SqliteEngine::Run(std::string_view sql,
                                              std::span<const SqlValue> values, bool repeated) {
    sqlite3* db = threadHandle(m_state);
    bool cached = false;
    sqlite3_stmt* statement = prepare(*m_state, db, sql, repeated, cached);
    if (!sqlite3_stmt_readonly(statement))
        m_state->enterWriteAheadLog(db);
    auto rows = std::make_unique<SqliteRows>(statement, std::string(sql), cached);
    int index = 1;
    for (const SqlValue& value : values)
        if (bind(statement, index++, value) != SQLITE_OK)
            throw CatalogueError(std::string(sql), sqlite3_errmsg(db));
    if (!rows->Start())
        return nullptr;
    return rows;
}

int SqliteEngine::ChangedRows() {
    return sqlite3_changes(threadHandle(m_state));
}

long long SqliteEngine::LastInsertedId() {
    return sqlite3_last_insert_rowid(threadHandle(m_state));
}

bool SqliteEngine::InTransaction() {
    return sqlite3_get_autocommit(threadHandle(m_state)) == 0;
}

void SqliteEngine::Begin() {
    Run("BEGIN IMMEDIATE", {}, false);
}

std::string SqliteEngine::Description() {
    return std::string("SQLite ") + sqlite3_libversion();
}

std::vector<std::string> SqliteEngine::TableNames() {
    return FirstColumnTexts(
        Run("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
            "'sqlite\\_%' ESCAPE '\\' ORDER BY name",
            {}, false));
}

long long SqliteEngine::IdCounter(std::string_view table) {
    // The counters' table exists once the file has any table with a counter.
    if (FirstColumnTexts(
            Run("SELECT name FROM sqlite_master WHERE name='sqlite_sequence'", {}, false))
            .empty())
        return 0;
    const SqlValue name = table;
    const auto rows = Run("SELECT seq FROM sqlite_sequence WHERE name=? COLLATE NOCASE",
                          std::span(&name, 1), false);
    return rows ? rows->GetInt64(0) : 0;
}

void SqliteEngine::AdvanceIdCounter(std::string_view table, long long last) {
    const SqlValue given = table;
    const auto rows = Run("SELECT name, sql FROM sqlite_master WHERE type='table' AND name=? "
                          "COLLATE NOCASE",
                          std::span(&given, 1), false);
    if (!rows)
        throw CatalogueError(std::string(table), "no such table");
    std::string sql = rows->GetText(1);
    std::transform(sql.begin(), sql.end(), sql.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (sql.find("AUTOINCREMENT") == std::string::npos)
        return;
    const std::string name = rows->GetText(0);
    const SqlValue values[] = {last, std::string_view(name), last};
    Run("UPDATE sqlite_sequence SET seq=? WHERE name=? AND seq<?", values, false);
    const SqlValue missing[] = {std::string_view(name), last, std::string_view(name)};
    Run("INSERT INTO sqlite_sequence (name, seq) SELECT ?, ? WHERE NOT EXISTS (SELECT 1 FROM "
        "sqlite_sequence WHERE name=?)",
        missing, false);
}

std::string SqliteEngine::RequireDurableCommits() {
    const auto level = FirstColumnTexts(Run("PRAGMA synchronous", {}, false));
    Run("PRAGMA synchronous=FULL", {}, false);
    return level.empty() ? "1" : level.front();
}

void SqliteEngine::RestoreCommitDurability(const std::string& previous) {
    // The level is one of the engine's numbers.
    if (!previous.empty() && std::all_of(previous.begin(), previous.end(),
                                         [](unsigned char c) { return std::isdigit(c); }))
        Run("PRAGMA synchronous=" + previous, {}, false);
}

} // namespace tunebay
