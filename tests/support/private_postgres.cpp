#include "support/private_postgres.h"

#include "store/server_catalogue.h"
#include "support/temp_catalogue.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>

namespace tunebay::test {

namespace fs = std::filesystem;

namespace {

// The newest installed server's programs ("" when there is none).
std::string serverBinaries() {
    std::string best;
    int bestVersion = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const std::string version = entry.path().filename().string();
        const int number = std::atoi(version.c_str());
        if (number > bestVersion && fs::exists(entry.path() / "bin" / "initdb", error) &&
            fs::exists(entry.path() / "bin" / "pg_ctl", error)) {
            bestVersion = number;
            best = (entry.path() / "bin").string();
        }
    }
    return best;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

PrivateServer* PrivateServer::Get(std::string& why) {
    static std::mutex mutex;
    static std::unique_ptr<PrivateServer> server;
    static std::string failure;
    std::lock_guard lock(mutex);
    if (!server && failure.empty()) {
        auto made = std::unique_ptr<PrivateServer>(new PrivateServer());
        if (made->start(failure))
            server = std::move(made);
    }
    why = failure;
    return server.get();
}

bool PrivateServer::start(std::string& why) {
    m_bin = serverBinaries();
    if (m_bin.empty()) {
        why = "no PostgreSQL server binaries under /usr/lib/postgresql (install the postgresql "
              "package to run the server catalogue tests)";
        return false;
    }
    m_dir = std::make_unique<TempDir>();
    if (m_dir->path().string().size() + 20 > 107) {
        why = "the temporary folder's path is too long for a Unix socket";
        return false;
    }
    if (::geteuid() == 0) {
        m_runAs = "runuser -u postgres -- ";
        if (std::system(("chown postgres " + quoted(m_dir->path().string())).c_str()) != 0) {
            why = "cannot hand the server's folder to the postgres user";
            return false;
        }
    }
    const std::string dir = m_dir->path().string();
    const std::string data = dir + "/data";
    const std::string log = LogFile();
    const std::string init = m_runAs + quoted(m_bin + "/initdb") + " -D " + quoted(data) +
                             " -A trust -U tunebay -E UTF8 --locale=C.UTF-8 -N >" +
                             quoted(dir + "/initdb.log") + " 2>&1";
    if (std::system(init.c_str()) != 0) {
        why = "initdb failed: " + readFile(dir + "/initdb.log");
        return false;
    }
    // The server's own durability is of no use to a test run; without it the run is faster.
    const std::string options = "-k " + dir +
                                " -c listen_addresses='' -c fsync=off -c synchronous_commit=off"
                                " -c full_page_writes=off";
    const std::string startCommand = m_runAs + quoted(m_bin + "/pg_ctl") + " -D " + quoted(data) +
                                     " -l " + quoted(log) + " -w -s -o " + quoted(options) +
                                     " start >/dev/null 2>&1";
    if (std::system(startCommand.c_str()) != 0) {
        why = "the private PostgreSQL server did not start: " + readFile(log);
        return false;
    }
    m_running = true;
    return true;
}

PrivateServer::~PrivateServer() {
    if (m_running) {
        const std::string stop = m_runAs + quoted(m_bin + "/pg_ctl") + " -D " +
                                 quoted(m_dir->path().string() + "/data") +
                                 " -m immediate -w -s stop >/dev/null 2>&1";
        [[maybe_unused]] const int ignored = std::system(stop.c_str());
    }
}

std::string PrivateServer::Uri(const std::string& database) const {
    return "postgresql:///" + database + "?host=" + m_dir->path().string() + "&user=tunebay";
}

std::string PrivateServer::LogFile() const {
    return m_dir->file("server.log").string();
}

std::string PrivateServer::NewDatabase() {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const std::string name =
        "catalogue" + std::to_string(::getpid()) + "_" + std::to_string(++m_databases);
    CCatalogueConnection maintenance;
    if (maintenance.Open(CatalogueConnectionString(Uri("postgres"))) != 0)
        throw std::runtime_error("cannot reach the private server: " + maintenance.OpenError());
    maintenance.Execute("CREATE DATABASE " + name);
    return Uri(name);
}

void OpenServerCatalogue(CCatalogueConnection& connection, const std::string& uri) {
    if (connection.Open(CatalogueConnectionString(uri)) != 0)
        throw std::runtime_error("cannot open the server catalogue: " + connection.OpenError());
    std::string reason;
    if (!CreateServerCatalogue(connection, templatePath().string(), false, reason))
        throw std::runtime_error("cannot make the server catalogue: " + reason);
}

std::string PrivateServer::NewSchema() {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (m_schemasDatabase.empty())
        m_schemasDatabase = NewDatabase();
    const std::string name =
        "catalogue" + std::to_string(::getpid()) + "_" + std::to_string(++m_schemas);
    CCatalogueConnection owner;
    if (owner.Open(CatalogueConnectionString(m_schemasDatabase)) != 0)
        throw std::runtime_error("cannot reach the private server: " + owner.OpenError());
    owner.Execute("CREATE SCHEMA " + name);
    // Every session of the catalogue works in its schema ("-c search_path=<name>").
    return m_schemasDatabase + "&options=-csearch_path%3D" + name;
}

std::string EngineLabel(Engine engine) {
    return engine == Engine::File ? "File" : "Server";
}

EngineCatalogue::EngineCatalogue(Engine engine) {
    if (ServerRun()) {
        m_unavailable = "compares the engines itself, in the suite's run on catalogue files";
        return;
    }
    if (engine == Engine::File) {
        m_dir = std::make_unique<TempDir>();
        m_name = m_dir->file("test.tbf").string();
        OpenFileCatalogue(connection, m_name);
        return;
    }
    if (PrivateServer* server = PrivateServer::Get(m_unavailable)) {
        m_name = server->NewDatabase();
        OpenServerCatalogue(connection, m_name);
    }
}

} // namespace tunebay::test
