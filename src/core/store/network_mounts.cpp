#include "store/network_mounts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tunebay {

namespace {

constexpr std::string_view kMountTable = "/proc/self/mountinfo";

// The table writes space, tab, newline and backslash as three octal digits behind a backslash.
std::string decoded(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (end > at)
            out.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::string withoutTrailingSlash(std::string text) {
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// The share form of a network file system's source, or "" for any other file system.
std::string shareOf(std::string_view type, std::string_view source) {
    if (type == "cifs" || type == "smb3" || type == "smbfs") {
        std::string share(source);
        std::replace(share.begin(), share.end(), '\\', '/');
        return share.starts_with("//") ? withoutTrailingSlash(share) : std::string();
    }
    if (type == "nfs" || type == "nfs4") {
        // host:/path, the host perhaps an IPv6 address in brackets.
        const std::size_t bracket = source.starts_with('[') ? source.find(']') : 0;
        const std::size_t colon =
            bracket == std::string_view::npos ? bracket : source.find(':', bracket);
        if (colon == std::string_view::npos || colon == 0)
            return {};
        std::string path(source.substr(colon + 1));
        if (!path.starts_with('/'))
            path.insert(path.begin(), '/');
        return withoutTrailingSlash("//" + std::string(source.substr(0, colon)) + path);
    }
    return {};
}

bool lieIn(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return path.starts_with('/');
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "//host/share" of a network form: the part whose case the server ignores.
std::size_t shareNameLength(std::string_view network) {
    const std::size_t host = network.find('/', 2);
    if (host == std::string_view::npos)
        return network.size();
    const std::size_t share = network.find('/', host + 1);
    return share == std::string_view::npos ? network.size() : share;
}

// Whether `network` lies in the share form `share`: the host and share names without regard to
// case, the folders below exactly.
bool lieInShare(std::string_view network, std::string_view share) {
    const std::size_t names = std::min(shareNameLength(share), network.size());
    return equalIgnoringAsciiCase(network.substr(0, names), share.substr(0, names)) &&
           lieIn(std::string(share.substr(0, names)) + std::string(network.substr(names)), share);
}

} // namespace

std::vector<MountEntry> ParseMountTable(std::string_view mountinfo) {
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(mountinfo)};
    for (std::string line; std::getline(lines, line);) {
        // id parent major:minor root mount-point options [optional fields…] - type source super
        const std::vector<std::string_view> parts = fields(line);
        const auto separator = std::find(parts.begin(), parts.end(), std::string_view("-"));
        if (parts.size() < 5 || separator == parts.end() || parts.end() - separator < 3 ||
            separator - parts.begin() < 6)
            continue;
        MountEntry mount{withoutTrailingSlash(decoded(parts[4])), {}};
        std::string share = shareOf(separator[1], decoded(separator[2]));
        const std::string root = withoutTrailingSlash(decoded(parts[3]));
        if (!share.empty() && root != "/")
            share += root;
        mount.share = std::move(share);
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::vector<MountEntry> CurrentMountTable() {
    const char* standIn = std::getenv(kMountTableVariable);
    std::ifstream file{standIn && *standIn ? std::string(standIn) : std::string(kMountTable)};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseMountTable(text.str());
}

std::string NetworkFormOf(std::string_view localFolder, const std::vector<MountEntry>& mounts) {
    const MountEntry* holder = nullptr;
    for (const MountEntry& mount : mounts)
        if (lieIn(localFolder, mount.mountPoint) &&
            (!holder || mount.mountPoint.size() >= holder->mountPoint.size()))
            holder = &mount;
    if (!holder || holder->share.empty())
        return {};
    const std::string_view below =
        holder->mountPoint == "/" ? localFolder : localFolder.substr(holder->mountPoint.size());
    return holder->share + std::string(below);
}

std::string LocalFormOfNetwork(std::string_view networkFolder,
                               const std::vector<MountEntry>& mounts) {
    // The mount of the deepest share folder holding the network form; among mounts of the same
    // folder the last.
    const MountEntry* holder = nullptr;
    for (const MountEntry& mount : mounts)
        if (!mount.share.empty() && lieInShare(networkFolder, mount.share) &&
            (!holder || mount.share.size() >= holder->share.size()))
            holder = &mount;
    if (!holder)
        return {};
    const std::string local =
        holder->mountPoint + std::string(networkFolder.substr(holder->share.size()));
    // The share must still be what this machine sees at that folder: no other mount stacked on
    // the mount point or below it.
    return NetworkFormOf(local, mounts).empty() ? std::string() : local;
}

std::string ComparableNetworkForm(std::string_view networkFolder) {
    std::string form(networkFolder);
    const std::size_t names = shareNameLength(networkFolder);
    std::transform(
        form.begin(), form.begin() + static_cast<std::ptrdiff_t>(names), form.begin(),
        [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return form;
}

} // namespace tunebay
