#include "store/postgres_engine.h"

#include "store/catalogue_error.h"
#include "store/server_catalogue.h"
#include "store/sql_dialect.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace tunebay {

namespace {

constexpr std::string_view kEscape = "\xF4\x8F\xBF\xBD"; // U+10FFFD, a private-use character
constexpr const char* kHex = "0123456789ABCDEF";

// Type numbers of the server's built-in types that read differently from text.
constexpr Oid kBoolOid = 16;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

// How many times a statement outside a transaction is tried again after the server gave it up
// to let another writer through (serialization failure, deadlock).
constexpr int kRetries = 8;

// The length of the valid UTF-8 sequence at `pos`, 0 when there is none.
size_t utf8Length(std::string_view text, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned int min = 0;
    unsigned int code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// The server's message without the line breaks libpq ends it with.
std::string serverMessage(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text.empty() ? "the server gave no reason" : text;
}

// Drops the results still to come of the statement being run: the session is then free.
void dropResults(PGconn* connection) {
    while (PGresult* rest = PQgetResult(connection))
        PQclear(rest);
}

// The statement's first word, upper case.
std::string firstWord(std::string_view sql) {
    size_t pos = 0;
    while (pos < sql.size() && std::isspace(static_cast<unsigned char>(sql[pos])))
        ++pos;
    std::string word;
    while (pos < sql.size() && std::isalpha(static_cast<unsigned char>(sql[pos])))
        word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(sql[pos++]))));
    return word;
}

// A table made by the program after the template (CREATE TABLE [IF NOT EXISTS] ...) is written
// in the catalogue file's schema language; the server gets the same columns in its own types.
std::string serverStatement(std::string_view sql) {
    if (firstWord(sql) != "CREATE")
        return std::string(sql);
    const size_t create = sql.find_first_not_of(" \t\n");
    if (firstWord(sql.substr(create + 6)) != "TABLE")
        return std::string(sql);
    return ServerTableDefinition(sql);
}

bool isTransactionControl(std::string_view sql) {
    const std::string word = firstWord(sql);
    return word == "BEGIN" || word == "COMMIT" || word == "END" || word == "ROLLBACK" ||
           word == "SAVEPOINT" || word == "RELEASE";
}

// The catalogue's names as its schema spells them; the server folds unquoted names to lower
// case, and callers that print column names expect the schema's spelling.
const std::vector<std::string_view>& schemaNames() {
    static const std::vector<std::string_view> names = {
        "lID",       "sName",        "sComment", "lGenreID",    "sPublishTime",
        "sFileName", "lDirectoryID", "lLength",  "sImportTime", "lMediaType",
        "fSize",     "lMediaID",     "lGroupID", "lPackageID",  "lFolderID",
        "sLocal",    "sUNC",         "sURL",     "lTableID",    "lOptionalTypeID",
        "sValue",    "lValue",       "fValue",   "lValueType",  "lTableType",
        "sID"};
    return names;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// `name` as the statement or the schema spells it.
std::string spelledName(std::string_view name, std::string_view sql) {
    size_t pos = 0;
    while (pos < sql.size()) {
        if (!std::isalnum(static_cast<unsigned char>(sql[pos])) && sql[pos] != '_') {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < sql.size() &&
               (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_'))
            ++end;
        if (sameIgnoringCase(sql.substr(pos, end - pos), name))
            return std::string(sql.substr(pos, end - pos));
        pos = end;
    }
    for (const std::string_view known : schemaNames())
        if (sameIgnoringCase(known, name))
            return std::string(known);
    return std::string(name);
}

// A value as the text the server reads for a parameter; false for NULL.
bool parameterText(const SqlValue& value, std::string& text) {
    if (const auto* integer = std::get_if<long long>(&value)) {
        text = std::to_string(*integer);
        return true;
    }
    if (const auto* number = std::get_if<double>(&value)) {
        char buffer[64];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, *number);
        text.assign(buffer, written.ptr);
        return true;
    }
    if (const auto* given = std::get_if<std::string_view>(&value)) {
        // As SqlQuote: the empty text is NULL and NUL characters are left out.
        std::string clean(*given);
        std::erase(clean, '\0');
        if (clean.empty())
            return false;
        text = BytesToServerText(clean);
        return true;
    }
    return false;
}

// Reads the columns of one row of a server result.
class ServerRow : public EngineRows {
public:
    ServerRow(PGresult* result, std::string sql) : m_result(result), m_sql(std::move(sql)) {}
    ~ServerRow() override { PQclear(m_result); }

    int ColumnCount() const override { return PQnfields(m_result); }
    std::string ColumnName(int column) const override {
        return spelledName(PQfname(m_result, column), m_sql);
    }
    bool IsNull(int column) const override { return PQgetisnull(m_result, m_row, column) != 0; }

    long long GetInt64(int column) const override {
        const char* value = PQgetvalue(m_result, m_row, column);
        switch (PQftype(m_result, column)) {
        case kBoolOid:
            return value[0] == 't' ? 1 : 0;
        case kFloat4Oid:
        case kFloat8Oid:
        case kNumericOid:
            return static_cast<long long>(std::strtod(value, nullptr));
        default:
            return std::strtoll(value, nullptr, 10);
        }
    }

    double GetDouble(int column) const override {
        const char* value = PQgetvalue(m_result, m_row, column);
        if (PQftype(m_result, column) == kBoolOid)
            return value[0] == 't' ? 1.0 : 0.0;
        return std::strtod(value, nullptr);
    }

    std::string GetText(int column) const override {
        switch (PQftype(m_result, column)) {
        case kBoolOid:
            return GetInt64(column) ? "1" : "0";
        case kFloat4Oid:
        case kFloat8Oid:
        case kNumericOid:
            return FloatingPointText(GetDouble(column));
        default:
            return ServerTextToBytes(std::string_view(PQgetvalue(m_result, m_row, column),
                                                      PQgetlength(m_result, m_row, column)));
        }
    }

protected:
    PGresult* m_result;
    std::string m_sql;
    int m_row = 0;
};

// The rows of a result received whole.
class PostgresRows : public ServerRow {
public:
    using ServerRow::ServerRow;
    bool Next() override { return ++m_row < PQntuples(m_result); }
};

// Leaves out what a message may hold of a password given in the address: libpq echoes parts
// of an address it cannot read.
std::string withoutPassword(std::string message, std::string_view password) {
    if (password.empty())
        return message;
    for (size_t at = message.find(password); at != std::string::npos;
         at = message.find(password, at))
        message.replace(at, password.size(), "****");
    return message;
}

// The password an address carries ("" for none): "user:password@" or "password=".
std::string passwordIn(std::string_view uri) {
    const size_t scheme = uri.find("://");
    if (scheme != std::string_view::npos) {
        const size_t start = scheme + 3;
        const size_t end = uri.find_first_of("/?", start);
        const std::string_view authority = uri.substr(start, end - start);
        const size_t at = authority.rfind('@');
        const size_t colon = authority.find(':');
        if (at != std::string_view::npos && colon != std::string_view::npos && colon < at)
            return std::string(authority.substr(colon + 1, at - colon - 1));
    }
    for (size_t at = uri.find("password="); at != std::string_view::npos;
         at = uri.find("password=", at + 1))
        if (at > 0 && (uri[at - 1] == '?' || uri[at - 1] == '&')) {
            const size_t start = at + 9;
            const size_t end = uri.find('&', start);
            return std::string(uri.substr(start, end - start));
        }
    return {};
}

} // namespace

std::string ShownServerAddress(std::string_view uri) {
    return withoutPassword(std::string(uri), passwordIn(uri));
}

std::string BytesToServerText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes.substr(pos, kEscape.size()) == kEscape) {
            out += kEscape;
            out += '~';
            pos += kEscape.size();
            continue;
        }
        const size_t length = utf8Length(bytes, pos);
        if (length == 0) {
            const auto byte = static_cast<unsigned char>(bytes[pos++]);
            out += kEscape;
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
            continue;
        }
        out.append(bytes.substr(pos, length));
        pos += length;
    }
    return out;
}

std::string ServerTextToBytes(std::string_view text) {
    if (text.find(kEscape) == std::string_view::npos)
        return std::string(text);
    const auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, kEscape.size()) == kEscape) {
            const size_t next = pos + kEscape.size();
            if (next < text.size() && text[next] == '~') {
                out += kEscape;
                pos = next + 1;
                continue;
            }
            if (next + 1 < text.size() && hexValue(text[next]) >= 0 &&
                hexValue(text[next + 1]) >= 0) {
                out += static_cast<char>(hexValue(text[next]) * 16 + hexValue(text[next + 1]));
                pos = next + 2;
                continue;
            }
        }
        out += text[pos++];
    }
    return out;
}

class ServerRowStream;

// One thread's session with the server.
struct PostgresEngine::Session {
    PGconn* connection = nullptr;
    int changed = 0;
    std::map<std::string, std::string, std::less<>> prepared; // statement -> its server name
    // The rows of a statement the server is still sending; until they are all received the
    // session can run nothing else (Settle).
    ServerRowStream* stream = nullptr;

    // Receives the rest of the rows being sent, if any, so that the session is free.
    void Settle();
    ~Session();
};

// The rows of a statement run outside a transaction, received one at a time as they are read
// (libpq's single-row mode): the first rows are there as soon as the server sends them, and a
// long list is never held whole in memory. Any other use of the session first receives the
// rest of the rows (Settle), which are then read from memory as from a result received whole.
class ServerRowStream : public ServerRow {
public:
    ServerRowStream(PostgresEngine::Session& session, PGresult* first, std::string sql)
        : ServerRow(first, std::move(sql)), m_session(&session) {
        session.stream = this;
    }

    ~ServerRowStream() override {
        std::lock_guard lock(m_mutex);
        if (m_session) {
            dropRest(m_session->connection);
            m_session->stream = nullptr;
        }
        if (m_rest != m_result)
            PQclear(m_rest);
    }

    bool Next() override {
        std::lock_guard lock(m_mutex);
        std::string failure;
        bool more = false;
        if (m_rest) {
            if (m_result == m_rest) {
                ++m_row;
            } else {
                PQclear(m_result);
                m_result = m_rest;
                m_row = 0;
            }
            more = m_row < PQntuples(m_rest);
            if (!more)
                failure = m_failure;
        } else {
            PQclear(std::exchange(m_result, nullptr));
            if (m_session)
                m_result = receiveRow(failure);
            else
                failure = std::exchange(m_failure, {});
            more = m_result != nullptr;
        }
        if (!failure.empty())
            throw CatalogueError(m_sql, failure);
        return more;
    }

    void Settle() {
        std::lock_guard lock(m_mutex);
        if (!m_session)
            return;
        // The rows go into one result, as compact as one received whole. Rows that find no
        // room there fail the reading rather than go missing.
        m_rest = PQcopyResult(m_result, PG_COPYRES_ATTRS);
        bool kept = m_rest != nullptr;
        while (m_session)
            if (PGresult* row = receiveRow(m_failure)) {
                const int at = PQntuples(m_rest);
                for (int column = 0; kept && column < PQnfields(row); ++column)
                    kept =
                        PQsetvalue(m_rest, at, column, PQgetvalue(row, 0, column),
                                   PQgetisnull(row, 0, column) ? -1 : PQgetlength(row, 0, column));
                PQclear(row);
            }
        if (!kept) {
            m_failure = "out of memory while receiving the rows";
            PQclear(m_rest);
            m_rest = PQcopyResult(m_result, PG_COPYRES_ATTRS);
        }
    }

private:
    // Drops the rows not read. What has arrived is dropped at once (the rest of a short list
    // usually has); when more is to come, the server is asked to stop sending it.
    static void dropRest(PGconn* connection) {
        PQconsumeInput(connection);
        while (PQisBusy(connection) == 0) {
            PGresult* rest = PQgetResult(connection);
            if (!rest)
                return;
            PQclear(rest);
        }
        if (PGcancel* cancel = PQgetCancel(connection)) {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }
        dropResults(connection);
    }

    // The next row from the server, or nullptr at the end of the rows, with `failure` set when
    // the statement failed on the way. The session is free once the last one is received.
    PGresult* receiveRow(std::string& failure) {
        PGconn* connection = m_session->connection;
        PGresult* result = PQgetResult(connection);
        if (result && PQresultStatus(result) == PGRES_SINGLE_TUPLE)
            return result;
        if (result && PQresultStatus(result) != PGRES_TUPLES_OK)
            failure = serverMessage(PQresultErrorMessage(result));
        PQclear(result);
        dropResults(connection);
        m_session->stream = nullptr;
        m_session = nullptr;
        return nullptr;
    }

    std::mutex m_mutex;                 // Next may run on another thread than Settle
    PostgresEngine::Session* m_session; // while the server is still sending
    PGresult* m_rest = nullptr;         // the rows Settle received, once it ran
    std::string m_failure;              // a failure that came after them
};

void PostgresEngine::Session::Settle() {
    if (stream)
        stream->Settle();
}

PostgresEngine::Session::~Session() {
    Settle();
    PQfinish(connection);
}

namespace {

// Opens a session; nullptr with `error` set when the server cannot be reached.
PGconn* connect(const std::string& uri, std::string& error) {
    PGconn* connection = PQconnectdb(uri.c_str());
    if (PQstatus(connection) != CONNECTION_OK) {
        error = withoutPassword(serverMessage(PQerrorMessage(connection)), passwordIn(uri));
        PQfinish(connection);
        return nullptr;
    }
    PQsetClientEncoding(connection, "UTF8");
    // Quiet notices ("relation already exists, skipping") would otherwise go to the terminal.
    PQsetNoticeProcessor(
        connection, [](void*, const char*) {}, nullptr);
    // Browsing a large catalogue joins every item with its names: statements that cost enough
    // in the planner's eyes to be compiled to machine code first, which takes longer (a fifth
    // of a second for the item list of a million items) than the compiled code saves.
    PQclear(PQexec(connection, "SET jit = off"));
    return connection;
}

// Sends a statement, prepared (by its server name) or as text, with its values; false when it
// could not be sent.
bool sendStatement(PGconn* connection, const std::string* prepared, const std::string& text,
                   const std::vector<const char*>& values) {
    const int count = static_cast<int>(values.size());
    return (prepared ? PQsendQueryPrepared(connection, prepared->c_str(), count, values.data(),
                                           nullptr, nullptr, 0)
                     : PQsendQueryParams(connection, text.c_str(), count, nullptr, values.data(),
                                         nullptr, nullptr, 0)) == 1;
}

// Runs a statement between a savepoint and its release, all sent at once in libpq's pipeline
// mode: one round trip instead of three for each statement of a transaction. Returns the
// statement's result (nullptr when the connection failed); when it failed, the savepoint is
// still open and the release was not run.
PGresult* runBetweenSavepoints(PGconn* connection, const std::string* prepared,
                               const std::string& text, const std::vector<const char*>& values) {
    const auto plain = [&](const char* command) {
        return PQsendQueryParams(connection, command, 0, nullptr, nullptr, nullptr, nullptr, 0);
    };
    const bool sent =
        PQenterPipelineMode(connection) == 1 && plain("SAVEPOINT tb_statement") == 1 &&
        sendStatement(connection, prepared, text, values) &&
        plain("RELEASE SAVEPOINT tb_statement") == 1 && PQpipelineSync(connection) == 1;
    PGresult* statement = nullptr;
    if (sent) {
        for (int query = 0; query < 3; ++query)
            while (PGresult* result = PQgetResult(connection)) {
                if (query == 1 && !statement)
                    statement = result;
                else
                    PQclear(result);
            }
        while (PGresult* result = PQgetResult(connection)) {
            const bool synced = PQresultStatus(result) == PGRES_PIPELINE_SYNC;
            PQclear(result);
            if (synced)
                break;
        }
    }
    PQexitPipelineMode(connection);
    return statement;
}

// Sends a statement whose rows are to be received one at a time, and receives its first
// result: a row (PGRES_SINGLE_TUPLE) with the others still to come, or else the whole outcome.
PGresult* sendStreamed(PGconn* connection, const std::string* prepared, const std::string& text,
                       const std::vector<const char*>& values) {
    if (!sendStatement(connection, prepared, text, values))
        return PQmakeEmptyPGresult(connection, PGRES_FATAL_ERROR);
    PQsetSingleRowMode(connection);
    PGresult* first = PQgetResult(connection);
    if (PQresultStatus(first) != PGRES_SINGLE_TUPLE)
        dropResults(connection);
    return first;
}

} // namespace

PostgresEngine::PostgresEngine(std::string uri) : m_uri(std::move(uri)) {}

PostgresEngine::~PostgresEngine() = default;

std::unique_ptr<PostgresEngine> PostgresEngine::Open(const std::string& uri, std::string& error) {
    if (!passwordIn(uri).empty()) {
        error = "the address holds a password; give it in ~/.pgpass or the file PGPASSFILE names";
        return nullptr;
    }
    PGconn* connection = connect(uri, error);
    if (!connection)
        return nullptr;
    auto engine = std::unique_ptr<PostgresEngine>(new PostgresEngine(uri));
    auto session = std::make_unique<Session>();
    session->connection = connection;
    engine->m_sessions[std::this_thread::get_id()] = std::move(session);
    error.clear();
    return engine;
}

PostgresEngine::Session& PostgresEngine::session() {
    const auto id = std::this_thread::get_id();
    {
        std::unique_lock lock(m_mutex);
        const auto found = m_sessions.find(id);
        if (found != m_sessions.end() && PQstatus(found->second->connection) == CONNECTION_OK) {
            Session& own = *found->second;
            lock.unlock();
            own.Settle();
            return own;
        }
    }
    std::string error;
    PGconn* connection = connect(m_uri, error);
    if (!connection)
        throw CatalogueError("", error);
    auto fresh = std::make_unique<Session>();
    fresh->connection = connection;
    std::lock_guard lock(m_mutex);
    auto& slot = m_sessions[id];
    slot = std::move(fresh);
    return *slot;
}

std::unique_ptr<EngineRows> PostgresEngine::Run(std::string_view sql,
                                                std::span<const SqlValue> values, bool repeated) {
    // The server reads a statement up to its first NUL: whatever follows would be dropped
    // unseen, so it is refused as a second statement, the way a catalogue file refuses it.
    if (sql.find('\0') != std::string_view::npos)
        throw CatalogueError(std::string(sql), "only one statement may be run at a time");
    Session& own = session();
    PGconn* connection = own.connection;
    std::vector<std::string> texts(values.size());
    std::vector<const char*> parameters(values.size(), nullptr);
    for (size_t i = 0; i < values.size(); ++i)
        if (parameterText(values[i], texts[i]))
            parameters[i] = texts[i].c_str();

    const std::string* preparedName = nullptr;
    std::string translated;
    if (repeated) {
        const auto found = own.prepared.find(sql);
        if (found != own.prepared.end())
            preparedName = &found->second;
    }
    if (!preparedName)
        translated = BytesToServerText(TranslateJetSqlForServer(serverStatement(sql)));

    auto exec = [&](const char* command) { PQclear(PQexec(connection, command)); };
    for (int attempt = 0;; ++attempt) {
        // Inside a transaction a failed statement is undone alone, as SQLite does; the server
        // would otherwise refuse every later statement of the transaction.
        const PGTransactionStatusType status = PQtransactionStatus(connection);
        const bool guarded = status == PQTRANS_INTRANS && !isTransactionControl(sql);
        // A statement still to be prepared takes its steps one at a time.
        const bool pipelined = guarded && (preparedName || !repeated);
        if (guarded && !pipelined)
            exec("SAVEPOINT tb_statement");
        if (repeated && !preparedName) {
            const std::string name = "tb" + std::to_string(own.prepared.size() + 1);
            PGresult* made = PQprepare(connection, name.c_str(), translated.c_str(), 0, nullptr);
            const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
            const std::string message = serverMessage(PQresultErrorMessage(made));
            PQclear(made);
            if (!ok) {
                if (guarded)
                    exec("ROLLBACK TO SAVEPOINT tb_statement; RELEASE SAVEPOINT tb_statement");
                throw CatalogueError(std::string(sql), message);
            }
            preparedName = &own.prepared.emplace(std::string(sql), name).first->second;
        }
        // Outside a transaction the rows come one at a time, as they are read.
        const bool streamed = status == PQTRANS_IDLE && !isTransactionControl(sql);
        PGresult* result =
            pipelined  ? runBetweenSavepoints(connection, preparedName, translated, parameters)
            : streamed ? sendStreamed(connection, preparedName, translated, parameters)
            : preparedName
                ? PQexecPrepared(connection, preparedName->c_str(),
                                 static_cast<int>(parameters.size()), parameters.data(), nullptr,
                                 nullptr, 0)
                : PQexecParams(connection, translated.c_str(), static_cast<int>(parameters.size()),
                               nullptr, parameters.data(), nullptr, nullptr, 0);
        const ExecStatusType outcome = PQresultStatus(result);
        if (outcome == PGRES_SINGLE_TUPLE) {
            own.changed = 0;
            return std::make_unique<ServerRowStream>(own, result, std::string(sql));
        }
        if (outcome == PGRES_COMMAND_OK || outcome == PGRES_TUPLES_OK) {
            if (guarded && !pipelined)
                exec("RELEASE SAVEPOINT tb_statement");
            const char* changed = PQcmdTuples(result);
            own.changed = changed && *changed ? std::atoi(changed) : 0;
            if (outcome == PGRES_COMMAND_OK || PQntuples(result) == 0) {
                PQclear(result);
                return nullptr;
            }
            return std::make_unique<PostgresRows>(result, std::string(sql));
        }
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        const std::string code = state ? state : "";
        const std::string message = serverMessage(PQresultErrorMessage(result));
        PQclear(result);
        if (guarded)
            exec("ROLLBACK TO SAVEPOINT tb_statement; RELEASE SAVEPOINT tb_statement");
        // Alone, a statement the server gave up for another writer is simply run again. Inside
        // a transaction a deadlock undid this statement alone (its savepoint), which freed the
        // other writer: the statement waits its turn again. Other failures fail the unit.
        const bool yielded = code == "40001" || code == "40P01";
        const bool retried = status == PQTRANS_IDLE ? yielded : guarded && code == "40P01";
        if (retried && attempt < kRetries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1 << std::min(attempt, 5)));
            continue;
        }
        throw CatalogueError(std::string(sql), message);
    }
}

int PostgresEngine::ChangedRows() {
    return session().changed;
}

long long PostgresEngine::LastInsertedId() {
    // The session's own last value of a sequence: never another writer's id.
    try {
        auto rows = Run("SELECT lastval()", {}, false);
        return rows ? rows->GetInt64(0) : 0;
    } catch (const CatalogueError&) {
        return 0;
    }
}

bool PostgresEngine::InTransaction() {
    const PGTransactionStatusType status = PQtransactionStatus(session().connection);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

void PostgresEngine::Begin() {
    Run("BEGIN", {}, false);
}

std::string PostgresEngine::Description() {
    const char* version = PQparameterStatus(session().connection, "server_version");
    return std::string("PostgreSQL ") + (version ? version : "");
}

namespace {

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

std::vector<std::string> PostgresEngine::TableNames() {
    return FirstColumnTexts(
        Run("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = "
            "c.relnamespace WHERE n.nspname = current_schema() AND c.relkind IN "
            "('r', 'p') ORDER BY c.relname",
            {}, false));
}

// The counter of a table is the sequence behind its identity column lID ("" when it has none).
std::string PostgresEngine::sequenceOf(std::string_view table) {
    const std::string name = lowerCase(table);
    const SqlValue given = std::string_view(name);
    const auto sequence = FirstColumnTexts(
        Run("SELECT pg_get_serial_sequence(c.relname, a.attname) FROM pg_class c "
            "JOIN pg_namespace n ON n.oid = c.relnamespace JOIN pg_attribute a ON "
            "a.attrelid = c.oid WHERE n.nspname = current_schema() AND c.relname = ? "
            "AND a.attname = 'lid'",
            std::span(&given, 1), false));
    return sequence.empty() ? std::string() : sequence.front();
}

long long PostgresEngine::IdCounter(std::string_view table) {
    const std::string sequence = sequenceOf(table);
    if (sequence.empty())
        return 0;
    const SqlValue given = std::string_view(sequence);
    const auto rows = Run("SELECT COALESCE(pg_sequence_last_value(CAST(? AS regclass)), 0)",
                          std::span(&given, 1), false);
    return rows ? rows->GetInt64(0) : 0;
}

void PostgresEngine::AdvanceIdCounter(std::string_view table, long long last) {
    const std::string sequence = sequenceOf(table);
    if (sequence.empty() || last < 1)
        return;
    const SqlValue values[] = {std::string_view(sequence), last, std::string_view(sequence), last};
    Run("SELECT setval(CAST(? AS regclass), ?) WHERE "
        "COALESCE(pg_sequence_last_value(CAST(? AS regclass)), 0) < ?",
        values, false);
}

std::string PostgresEngine::RequireDurableCommits() {
    // The server may have been told to acknowledge commits before they are on its disk.
    const auto level = FirstColumnTexts(Run("SHOW synchronous_commit", {}, false));
    Run("SET synchronous_commit TO on", {}, false);
    return level.empty() ? "on" : level.front();
}

void PostgresEngine::RestoreCommitDurability(const std::string& previous) {
    if (previous.empty())
        return;
    const SqlValue given = std::string_view(previous);
    Run("SELECT set_config('synchronous_commit', ?, false)", std::span(&given, 1), false);
}

} // namespace tunebay
