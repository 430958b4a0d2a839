#pragma once

#include "support/temp_dir.h"

#include <string>
#include <vector>

namespace tunebay::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tunebay-cli with `arguments`, reading settings from a file of its own in a
// temporary folder (so the user's settings are never read or touched).
class CliRunner {
public:
    CliRunner();
    CliResult run(const std::vector<std::string>& arguments, const std::string& input = "") const;
    const TempDir& dir() const { return m_dir; }
    std::string configFile() const { return m_dir.file("settings.conf").string(); }

private:
    TempDir m_dir;
};

} // namespace tunebay::test
