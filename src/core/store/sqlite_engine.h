#pragma once

#include "store/catalogue_engine.h"

#include <memory>
#include <string>

namespace tunebay {

class SqliteState;

// A catalogue file in SQLite: a handle per thread on the same file (write-ahead log, busy
// wait), prepared statements kept per handle, and a presence lock that tells the last process
// to close the file.
class SqliteEngine : public CatalogueEngine {
public:
    // Opens the catalogue file at the absolute `path`; nullptr with `error` set when it is not
    // a database this process can open.
    static std::unique_ptr<SqliteEngine> Open(const std::string& path, const BusyWait& wait,
                                              std::string& error);
    ~SqliteEngine() override;

    bool IsReadOnly() const override;
    void EnableConcurrentAccess() override;
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

private:
    explicit SqliteEngine(std::shared_ptr<SqliteState> state);
    std::shared_ptr<SqliteState> m_state;
};

} // namespace tunebay
