#include "store/catalogue_connection.h"

#include "app/clock.h"
#include "store/catalogue_engine.h"
#include "store/catalogue_error.h"
#include "store/catalogue_files.h"
#include "store/postgres_engine.h"
#include "store/sqlite_engine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

namespace tunebay {

bool IsServerCatalogueName(std::string_view name) {
    for (const std::string_view scheme : {"postgresql://", "postgres://"})
        if (name.size() >= scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), name.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    return false;
}

std::vector<std::string> FirstColumnTexts(std::unique_ptr<EngineRows> rows) {
    std::vector<std::string> values;
    if (rows)
        do
            values.push_back(rows->GetText(0));
        while (rows->Next());
    return values;
}

std::string FloatingPointText(double value) {
    char buffer[64];
    std::to_chars_result written{};
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// ---- ResultSet ----

ResultSet::ResultSet() = default;
ResultSet::ResultSet(std::unique_ptr<EngineRows> rows) : m_rows(std::move(rows)) {}
ResultSet::ResultSet(ResultSet&&) noexcept = default;
ResultSet& ResultSet::operator=(ResultSet&&) noexcept = default;
ResultSet::~ResultSet() = default;

void ResultSet::MoveNext() {
    if (!m_rows)
        return;
    try {
        if (!m_rows->Next())
            m_rows.reset();
    } catch (...) {
        m_rows.reset();
        throw;
    }
}

int ResultSet::ColumnCount() const {
    return m_rows ? m_rows->ColumnCount() : 0;
}

std::string ResultSet::ColumnName(int column) const {
    return m_rows && column >= 0 && column < ColumnCount() ? m_rows->ColumnName(column) : "";
}

bool ResultSet::IsNull(int column) const {
    return !m_rows || column < 0 || column >= ColumnCount() || m_rows->IsNull(column);
}

int ResultSet::GetInt(int column) const {
    return static_cast<int>(GetInt64(column));
}

long long ResultSet::GetInt64(int column) const {
    return IsNull(column) ? 0 : m_rows->GetInt64(column);
}

double ResultSet::GetDouble(int column) const {
    return IsNull(column) ? 0.0 : m_rows->GetDouble(column);
}

std::string ResultSet::GetText(int column) const {
    return IsNull(column) ? std::string() : m_rows->GetText(column);
}

// ---- CCatalogueConnection ----

BusyWait::BusyWait()
    : now(SteadyMilliseconds), sleep([](long long milliseconds) {
          std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      }) {}

CCatalogueConnection::CCatalogueConnection() = default;

CCatalogueConnection::~CCatalogueConnection() {
    Open("");
}

bool CCatalogueConnection::IsOpen() const {
    return m_engine != nullptr;
}

bool CCatalogueConnection::IsReadOnly() const {
    return m_engine && m_engine->IsReadOnly();
}

int CCatalogueConnection::Open(std::string_view connectionString) {
    m_engine.reset();
    m_path.clear();
    m_openError.clear();
    if (connectionString.empty())
        return 0;

    const std::string given = ConnectionStringPath(connectionString);
    if (given.empty()) {
        m_openError = "no file named";
        return 1;
    }
    if (IsServerCatalogueName(given)) {
        m_engine = PostgresEngine::Open(given, m_openError);
        if (!m_engine)
            return 1;
        m_path = given;
        return 0;
    }
    // An absolute name never reads as a URI, whatever it begins with ("file:z.tbf").
    const std::string path = AbsoluteCatalogueName(given);
    m_engine = SqliteEngine::Open(path, m_busyWait, m_openError);
    if (!m_engine)
        return 1;
    m_path = path;
    return 0;
}

void CCatalogueConnection::EnableConcurrentAccess() {
    if (m_engine)
        m_engine->EnableConcurrentAccess();
}

CatalogueEngine& CCatalogueConnection::engine() {
    if (!m_engine)
        throw CatalogueError("", "no catalogue is open");
    return *m_engine;
}

ResultSet CCatalogueConnection::run(std::string_view sql, std::span<const SqlValue> values,
                                    bool repeated) {
    return ResultSet(engine().Run(sql, values, repeated));
}

ResultSet CCatalogueConnection::Execute(std::string_view sql) {
    return run(sql, {}, false);
}

ResultSet CCatalogueConnection::ExecuteWith(std::string_view sql,
                                            std::initializer_list<SqlValue> values) {
    return run(sql, std::span<const SqlValue>(values.begin(), values.size()), true);
}

ResultSet CCatalogueConnection::ExecuteBatch(std::string_view sql,
                                             std::span<const SqlValue> values) {
    return run(sql, values, true);
}

int CCatalogueConnection::CountItems() {
    try {
        ResultSet rows = Execute("SELECT COUNT(lMediaID) FROM tblItem");
        return rows.IsEof() ? 0 : rows.GetInt(0);
    } catch (const CatalogueError&) {
        return 0;
    }
}

int CCatalogueConnection::ChangedRows() {
    return engine().ChangedRows();
}

long long CCatalogueConnection::LastInsertedId() {
    return engine().LastInsertedId();
}

std::string CCatalogueConnection::EngineDescription() {
    return engine().Description();
}

std::vector<std::string> CCatalogueConnection::TableNames() {
    return engine().TableNames();
}

bool CCatalogueConnection::HasTable(std::string_view name) {
    const auto same = [name](const std::string& table) {
        return std::equal(table.begin(), table.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    const std::vector<std::string> tables = TableNames();
    return std::any_of(tables.begin(), tables.end(), same);
}

long long CCatalogueConnection::IdCounter(std::string_view table) {
    return engine().IdCounter(table);
}

void CCatalogueConnection::AdvanceIdCounter(std::string_view table, long long last) {
    engine().AdvanceIdCounter(table, last);
}

std::string CCatalogueConnection::RequireDurableCommits() {
    return engine().RequireDurableCommits();
}

void CCatalogueConnection::RestoreCommitDurability(const std::string& previous) {
    engine().RestoreCommitDurability(previous);
}

bool CCatalogueConnection::InTransaction() {
    return engine().InTransaction();
}

void CCatalogueConnection::Begin() {
    engine().Begin();
}
void CCatalogueConnection::Commit() {
    Execute("COMMIT");
}
void CCatalogueConnection::Rollback() {
    Execute("ROLLBACK");
}

// ---- CatalogueTransaction ----

CatalogueTransaction::CatalogueTransaction(CCatalogueConnection& connection)
    : m_connection(connection), m_savepoint(connection.InTransaction()) {
    // A unit inside a larger transaction (one per file of an import) is a savepoint; its three
    // statements are parsed once and kept, not parsed again for every unit.
    if (m_savepoint)
        m_connection.ExecuteWith("SAVEPOINT catalogue_unit", {});
    else
        m_connection.Begin();
}

CatalogueTransaction::~CatalogueTransaction() {
    if (m_done)
        return;
    try {
        if (m_savepoint) {
            m_connection.ExecuteWith("ROLLBACK TO catalogue_unit", {});
            m_connection.ExecuteWith("RELEASE catalogue_unit", {});
        } else {
            m_connection.Rollback();
        }
    } catch (const CatalogueError&) {
        // The engine has already rolled back (for example after an I/O error).
    }
}

void CatalogueTransaction::Commit() {
    if (m_savepoint)
        m_connection.ExecuteWith("RELEASE catalogue_unit", {});
    else
        m_connection.Execute("COMMIT");
    m_done = true;
}

// ---- connection strings ----

std::string CatalogueConnectionString(std::string_view path) {
    // A path holding a semicolon or starting with a brace travels in braces, as ODBC does.
    std::string value(path);
    if (value.find_first_of(";{}") != std::string::npos || (!value.empty() && value[0] == ' ')) {
        std::string braced = "{";
        for (const char c : value) {
            braced.push_back(c);
            if (c == '}')
                braced.push_back('}');
        }
        value = braced + "}";
    }
    return "DRIVER=SQLite3;DBQ=" + value + ";PWD=";
}

std::string ConnectionStringPath(std::string_view connectionString) {
    size_t pos = 0;
    while (pos < connectionString.size()) {
        const size_t equals = connectionString.find('=', pos);
        if (equals == std::string_view::npos)
            break;
        std::string key(connectionString.substr(pos, equals - pos));
        std::erase_if(key, [](char c) { return c == ' '; });
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        std::string value;
        pos = equals + 1;
        if (pos < connectionString.size() && connectionString[pos] == '{') {
            ++pos;
            while (pos < connectionString.size()) {
                if (connectionString[pos] == '}') {
                    if (pos + 1 < connectionString.size() && connectionString[pos + 1] == '}') {
                        value.push_back('}');
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value.push_back(connectionString[pos++]);
            }
            const size_t semicolon = connectionString.find(';', pos);
            pos = semicolon == std::string_view::npos ? connectionString.size() : semicolon + 1;
        } else {
            const size_t semicolon = connectionString.find(';', pos);
            const size_t end =
                semicolon == std::string_view::npos ? connectionString.size() : semicolon;
            value = std::string(connectionString.substr(pos, end - pos));
            pos = end + 1;
        }
        if (key == "DBQ")
            return value;
    }
    return {};
}

} // namespace tunebay
