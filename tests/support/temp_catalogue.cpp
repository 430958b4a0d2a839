#include "support/temp_catalogue.h"

#include "support/private_postgres.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace tunebay::test {

namespace {

// A server run without a server skips every test, each with the reason, instead of failing.
class ServerRunEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string why;
        if (ServerRun() && !PrivateServer::Get(why))
            GTEST_SKIP() << "server run without a server: " << why;
    }
};

[[maybe_unused]] ::testing::Environment* const kServerRunEnvironment =
    ::testing::AddGlobalTestEnvironment(new ServerRunEnvironment);

} // namespace

std::string dataDirectory() {
    return TUNEBAY_DATA_DIR;
}

std::filesystem::path templatePath() {
    return std::filesystem::path(TUNEBAY_DATA_DIR) / "TBDB.src";
}

void OpenFileCatalogue(CCatalogueConnection& connection, const std::filesystem::path& path) {
    std::filesystem::copy_file(templatePath(), path);
    if (connection.Open(CatalogueConnectionString(path.string())) != 0)
        throw std::runtime_error("cannot open the test catalogue");
    connection.EnableConcurrentAccess();
}

bool ServerRun() {
    const char* engine = std::getenv(kTestEngineVariable);
    return engine && std::string_view(engine) == "server";
}

TempCatalogue::TempCatalogue() : m_path(m_dir.file("test.tbf")) {
    if (ServerRun()) {
        std::string why;
        PrivateServer* server = PrivateServer::Get(why);
        if (!server)
            throw std::runtime_error(why);
        m_name = server->NewSchema();
        OpenServerCatalogue(connection, m_name);
        return;
    }
    m_name = m_path.string();
    OpenFileCatalogue(connection, m_path);
}

const std::filesystem::path& TempCatalogue::path() const {
    if (ServerRun())
        throw std::logic_error("a server catalogue has no file; skip the test in a server run");
    return m_path;
}

std::string FirstText(CCatalogueConnection& connection, const std::string& sql) {
    ResultSet rows = connection.Execute(sql);
    return rows.IsEof() ? std::string() : rows.GetText(0);
}

std::string AllRowsText(CCatalogueConnection& connection, const std::string& sql) {
    std::string out;
    for (ResultSet rows = connection.Execute(sql); !rows.IsEof(); rows.MoveNext()) {
        if (!out.empty())
            out += "\n";
        for (int column = 0; column < rows.ColumnCount(); ++column)
            out += (column ? "|" : "") + (rows.IsNull(column) ? "NULL" : rows.GetText(column));
    }
    return out;
}

} // namespace tunebay::test
