#pragma once

#include <filesystem>
#include <string>

namespace tunebay::test {

// A fresh directory under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path file(const std::string& name) const { return m_path / name; }
    // Writes `bytes` to a file in the directory and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path m_path;
};

// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::filesystem::path& path);

} // namespace tunebay::test
