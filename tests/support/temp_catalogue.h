#pragma once

#include "store/catalogue_connection.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>

namespace tunebay::test {

// The built catalogue template and the data directory it sits in.
std::filesystem::path templatePath();
std::string dataDirectory();

// A fresh catalogue copied from the template into a temporary folder, open on `connection`.
class TempCatalogue {
public:
    TempCatalogue();
    const std::filesystem::path& path() const { return m_path; }
    const TempDir& dir() const { return m_dir; }
    CCatalogueConnection connection;

    // Runs a statement and returns the first column of the first row as text ("" for none).
    std::string scalar(const std::string& sql);

private:
    TempDir m_dir;
    std::filesystem::path m_path;
};

} // namespace tunebay::test
