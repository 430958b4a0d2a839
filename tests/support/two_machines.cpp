#include "support/two_machines.h"

#include "store/network_mounts.h"

#include <cstdlib>

namespace tunebay::test {

namespace {

// A path as the mount table writes it: space, tab, newline and backslash in octal.
std::string tableText(const std::string& path) {
    std::string text;
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            const auto byte = static_cast<unsigned char>(c);
            text += '\\';
            text += static_cast<char>('0' + byte / 64);
            text += static_cast<char>('0' + byte / 8 % 8);
            text += static_cast<char>('0' + byte % 8);
        } else {
            text += c;
        }
    }
    return text;
}

std::string tableName(char machine) {
    return std::string("mountinfo-") + machine;
}

} // namespace

TwoMachines::TwoMachines() : m_share(m_dir.path() / "share") {
    std::filesystem::create_directories(m_share);
    for (const char machine : {'A', 'B'})
        m_dir.write(tableName(machine), "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                        "40 26 0:50 / " +
                                            tableText(MountPoint(machine)) +
                                            " rw,relatime shared:20 - cifs " + ShareName(machine) +
                                            " rw,vers=3.1.1\n");
}

TwoMachines::~TwoMachines() {
    ::unsetenv(kMountTableVariable);
}

std::string TwoMachines::ShareName(char machine) {
    return machine == 'A' ? "//NAS/Music" : "//nas/music";
}

std::string TwoMachines::MountPoint(char machine) const {
    return (m_dir.path() / (machine == 'A' ? "mount-a" : "mount-b")).string();
}

void TwoMachines::Use(char machine) {
    const char other = machine == 'A' ? 'B' : 'A';
    std::filesystem::remove(MountPoint(other));
    if (!std::filesystem::is_symlink(MountPoint(machine)))
        std::filesystem::create_directory_symlink(m_share, MountPoint(machine));
    ::setenv(kMountTableVariable, m_dir.file(tableName(machine)).c_str(), 1);
}

} // namespace tunebay::test
