#pragma once

#include "store/catalogue_connection.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>

namespace tunebay::test {

// A PostgreSQL server of the test run's own: a cluster made with initdb in a temporary folder,
// listening only on a Unix socket there (no TCP port), started on first use and stopped when
// the test program ends. As root the server runs as the system's postgres user, since initdb
// refuses root.
class PrivateServer {
public:
    // The process's server; nullptr with `why` set when it cannot be had (no PostgreSQL server
    // binaries on this machine, or the start failed).
    static PrivateServer* Get(std::string& why);
    ~PrivateServer();

    // The URI of a new, empty database of the server.
    std::string NewDatabase();
    // The URI of a new, empty schema of one database of the server that holds many: a whole
    // catalogue as a database holds it, made and removed far faster than a database of its own
    // (a database is some three hundred files), for the many catalogues of a suite's server run.
    std::string NewSchema();
    // The URI of a database of the server.
    std::string Uri(const std::string& database) const;
    // The server's log file.
    std::string LogFile() const;

private:
    PrivateServer() = default;
    bool start(std::string& why);

    std::unique_ptr<TempDir> m_dir;
    std::string m_bin;
    std::string m_runAs; // "runuser -u postgres -- " as root
    bool m_running = false;
    int m_databases = 0;
    std::string m_schemasDatabase;
    int m_schemas = 0;
};

// Makes the new database or schema `uri` of the private server into a catalogue from the
// template and opens it on `connection`. Throws when the catalogue cannot be made.
void OpenServerCatalogue(CCatalogueConnection& connection, const std::string& uri);

// Which engine a parametrised test's catalogue lives in.
enum class Engine { File, Server };
std::string EngineLabel(Engine engine);

// A fresh catalogue made from the template, open on `connection`: a copied file, or a new
// database of the private server made by CreateServerCatalogue. A test that makes one compares
// the engines itself or is about the server, so it has nothing to add to a server run of its
// suite (ServerRun()): there the catalogue is not made and unavailable() says why.
class EngineCatalogue {
public:
    explicit EngineCatalogue(Engine engine);
    // Why the catalogue could not be made ("" when it was): a test skips with this.
    const std::string& unavailable() const { return m_unavailable; }
    const std::string& name() const { return m_name; }
    CCatalogueConnection connection;

    std::string scalar(const std::string& sql) { return FirstText(connection, sql); }
    std::string rows(const std::string& sql) { return AllRowsText(connection, sql); }

private:
    std::unique_ptr<TempDir> m_dir;
    std::string m_name;
    std::string m_unavailable;
};

} // namespace tunebay::test
