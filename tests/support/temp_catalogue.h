#pragma once

#include "store/catalogue_connection.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>

namespace tunebay::test {

// The built catalogue template and the data directory it sits in.
std::filesystem::path templatePath();
std::string dataDirectory();

// The first column of the first row as text ("" for none), and every row, its columns joined by
// "|" (NULL as "NULL"), the rows by "\n".
std::string FirstText(CCatalogueConnection& connection, const std::string& sql);
std::string AllRowsText(CCatalogueConnection& connection, const std::string& sql);

// Copies the template to `path` and opens it on `connection`, ready for readers and a writer.
void OpenFileCatalogue(CCatalogueConnection& connection, const std::filesystem::path& path);

// The variable that moves a test run's catalogues to the private PostgreSQL server
// ("TUNEBAY_TEST_ENGINE=server"), and whether this run does so.
inline constexpr const char* kTestEngineVariable = "TUNEBAY_TEST_ENGINE";
bool ServerRun();

// A fresh catalogue made from the template, open on `connection`, with a temporary folder of its
// own for the test's files. In a server run it is a new schema of the private server
// (PrivateServer::NewSchema); otherwise a copy of the template file in that folder.
class TempCatalogue {
public:
    TempCatalogue();
    // The catalogue's name, as the program opens it: the file's path or the server URI.
    const std::string& name() const { return m_name; }
    // The catalogue file; only a file catalogue has one.
    const std::filesystem::path& path() const;
    const TempDir& dir() const { return m_dir; }
    CCatalogueConnection connection;

    std::string scalar(const std::string& sql) { return FirstText(connection, sql); }
    std::string rows(const std::string& sql) { return AllRowsText(connection, sql); }

private:
    TempDir m_dir;
    std::filesystem::path m_path;
    std::string m_name;
};

} // namespace tunebay::test
