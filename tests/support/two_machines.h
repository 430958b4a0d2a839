#pragma once

#include "support/temp_dir.h"

#include <filesystem>
#include <string>

namespace tunebay::test {

// One network share as two machines see it. Each mounts the share at a folder of its own (here a
// link to the share's folder) and has a mount table that says so, which this process and the
// programs it starts read through kMountTableVariable. Only the current machine's mount point
// exists, as on a real machine. The two tables spell the host and share names in different
// case, as two machines' mount lines may.
class TwoMachines {
public:
    TwoMachines();
    ~TwoMachines(); // the process reads its own mount table again
    TwoMachines(const TwoMachines&) = delete;
    TwoMachines& operator=(const TwoMachines&) = delete;

    // Makes machine 'A' or 'B' the one this process (and what it starts) runs on.
    void Use(char machine);
    // The share's own folder, where files are put and looked at.
    const std::filesystem::path& Share() const { return m_share; }
    // The folder the machine mounts the share at, without a trailing "/".
    std::string MountPoint(char machine) const;
    // The share's name in the machine's mount table: "//NAS/Music" or "//nas/music".
    static std::string ShareName(char machine);

private:
    TempDir m_dir;
    std::filesystem::path m_share;
};

} // namespace tunebay::test
