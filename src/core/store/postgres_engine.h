#pragma once

#include "store/catalogue_engine.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tunebay {

// A catalogue in a PostgreSQL database, named by its connection URI. Each thread has its own
// session; statements are translated by TranslateJetSqlForServer. Credentials come from
// libpq's own means (~/.pgpass, PGPASSFILE, service files, peer authentication): an address
// that carries a password is refused, so that none is ever kept or shown.
class PostgresEngine : public CatalogueEngine {
public:
    // Connects; nullptr with `error` set (never holding a password) when that fails.
    static std::unique_ptr<PostgresEngine> Open(const std::string& uri, std::string& error);
    ~PostgresEngine() override;

    bool IsReadOnly() const override { return false; }
    void EnableConcurrentAccess() override {}
    std::unique_ptr<EngineRows> Run(std::string_view sql, std::span<const SqlValue> values,
                                    bool repeated) override;
    int ChangedRows() override;
    long long LastInsertedId() override;
    bool InTransaction() override;
    void Begin() override;
    std::string Description() override;
    std::vector<std::string> TableNames() override;
    long long IdCounter(std::string_view table) override;
    void AdvanceIdCounter(std::string_view table, long long last) override;
    std::string RequireDurableCommits() override;
    void RestoreCommitDurability(const std::string& previous) override;

    struct Session;

private:
    explicit PostgresEngine(std::string uri);
    Session& session();
    std::string sequenceOf(std::string_view table);

    std::string m_uri;
    std::mutex m_mutex;
    std::map<std::thread::id, std::unique_ptr<Session>> m_sessions;
};

// The address as a message may show it: a password it holds is shown as "****".
std::string ShownServerAddress(std::string_view uri);

// Text as the server keeps it: its text must be UTF-8, so each byte that is not part of valid
// UTF-8 is written as U+10FFFD and two hexadecimal digits, and U+10FFFD itself as U+10FFFD
// and "~". ServerTextToBytes reverses it exactly.
std::string BytesToServerText(std::string_view bytes);
std::string ServerTextToBytes(std::string_view text);

} // namespace tunebay
