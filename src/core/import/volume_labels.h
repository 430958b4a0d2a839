#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tunebay {

// Finds the label of the removable or optical volume a file lies on, so that a catalogued file
// can later be asked for by the name of its disc or stick. Files on fixed disks have no label.
//
// The mount holding the file comes from the mount table; the volume counts as removable when its
// block device (or the disk it is a partition of) says so in sysfs, and as optical when it is an
// "sr" device; the label is the name under which the device appears in the by-label folder.
// The three roots can be pointed elsewhere for tests. Answers are kept per mount for a run.
class VolumeLabels {
public:
    struct Roots {
        std::string mountInfo = "/proc/self/mountinfo";
        std::string sysBlock = "/sys/class/block";
        std::string byLabel = "/dev/disk/by-label";
    };

    VolumeLabels() = default;
    explicit VolumeLabels(Roots roots) : m_roots(std::move(roots)) {}

    // The label, or "" when the file is not on a labelled removable or optical volume.
    std::string LabelFor(const std::string& path);

private:
    struct Mount {
        std::string point;
        std::string device;
    };
    void loadMounts();
    const Mount* mountOf(const std::string& directory) const;
    std::string labelOfDevice(const std::string& device) const;
    bool isRemovable(const std::string& deviceName) const;

    Roots m_roots;
    std::mutex m_mutex;
    bool m_loaded = false;
    std::vector<Mount> m_mounts;                           // read once per run
    std::map<std::string, std::string> m_labelByMount;     // mount point -> label
    std::map<std::string, std::string> m_labelByDirectory; // the folders asked about so far
};

} // namespace tunebay
