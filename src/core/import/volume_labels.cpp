#include "import/volume_labels.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tunebay {

namespace fs = std::filesystem;

namespace {

// The mount table writes space, tab, newline and backslash as a backslash and three octal digits.
std::string unescapeOctal(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i >= 4 &&
            field.find_first_not_of("01234567", i + 1) >= i + 4) {
            out.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8)));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// Label links write unsafe characters as a backslash, "x" and two hexadecimal digits.
std::string unescapeHex(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && name.size() - i >= 4 && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

bool isUnder(const std::string& path, const std::string& mountPoint) {
    if (mountPoint == "/")
        return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::string readFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

void VolumeLabels::loadMounts() {
    std::ifstream table(m_roots.mountInfo);
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part;)
            parts.push_back(part);
        size_t dash = 6;
        while (dash < parts.size() && parts[dash] != "-")
            ++dash;
        if (parts.size() < 7 || dash + 2 >= parts.size())
            continue;
        m_mounts.push_back({unescapeOctal(parts[4]), unescapeOctal(parts[dash + 2])});
    }
    m_loaded = true;
}

const VolumeLabels::Mount* VolumeLabels::mountOf(const std::string& directory) const {
    const Mount* best = nullptr;
    // Later lines of the table mount over earlier ones at the same point.
    for (const auto& mount : m_mounts)
        if (isUnder(directory, mount.point) && (!best || mount.point.size() >= best->point.size()))
            best = &mount;
    return best;
}

bool VolumeLabels::isRemovable(const std::string& deviceName) const {
    if (deviceName.starts_with("sr"))
        return true; // optical drives
    const fs::path device = fs::path(m_roots.sysBlock) / deviceName;
    if (readFirstLine(device / "removable") == "1")
        return true;
    // A partition: the flag sits on the whole disk, the partition's parent folder in sysfs.
    std::error_code error;
    const fs::path resolved = fs::canonical(device, error);
    if (!error && fs::exists(resolved / "partition", error))
        return readFirstLine(resolved.parent_path() / "removable") == "1";
    return false;
}

std::string VolumeLabels::labelOfDevice(const std::string& device) const {
    if (device.empty() || device.front() != '/')
        return {}; // not a block device: tmpfs, network shares and the like
    std::error_code error;
    const fs::path resolved = fs::canonical(device, error);
    const std::string deviceName = (error ? fs::path(device) : resolved).filename().string();
    if (!isRemovable(deviceName))
        return {};
    for (const auto& entry : fs::directory_iterator(m_roots.byLabel, error)) {
        std::error_code linkError;
        if (fs::canonical(entry.path(), linkError).filename() == deviceName && !linkError)
            return unescapeHex(entry.path().filename().string());
    }
    return {};
}

std::string VolumeLabels::LabelFor(const std::string& path) {
    std::error_code error;
    std::string directory = fs::path(path).parent_path().string();
    std::lock_guard lock(m_mutex);
    if (const auto known = m_labelByDirectory.find(directory); known != m_labelByDirectory.end())
        return known->second;
    if (!m_loaded)
        loadMounts();
    const fs::path real = fs::canonical(fs::absolute(directory, error), error);
    const Mount* mount = mountOf(error ? directory : real.string());
    std::string label;
    if (mount) {
        const auto found = m_labelByMount.find(mount->point);
        label = found != m_labelByMount.end() ? found->second : labelOfDevice(mount->device);
        m_labelByMount.emplace(mount->point, label);
    }
    m_labelByDirectory.emplace(std::move(directory), label);
    return label;
}

} // namespace tunebay
