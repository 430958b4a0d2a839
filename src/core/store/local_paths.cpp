#include "store/local_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <system_error>
#include <vector>

namespace tunebay {

bool HasUrlScheme(std::string_view path) {
    const size_t colon = path.find("://");
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(path[0])))
        return false;
    for (const char c : path.substr(0, colon))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    return true;
}

std::string NormalLocalPath(std::string_view path, std::string_view base) {
    if (HasUrlScheme(path))
        return std::string(path);
    std::string absolute(path);
    if (absolute.empty() || absolute.front() != '/') {
        std::string folder(base);
        if (folder.empty()) {
            std::error_code error;
            folder = std::filesystem::current_path(error).string();
        }
        absolute = folder + "/" + absolute;
    }
    std::vector<std::string_view> parts;
    std::list<std::string> resolved; // the texts of link targets the parts point into
    const std::string_view text(absolute);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            // The system takes ".." behind a symbolic link from where the link points, not from
            // the folder that holds the link.
            if (!parts.empty()) {
                std::string prefix;
                for (const auto p : parts)
                    prefix.append("/").append(p);
                struct stat info {};
                char* target = ::lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode)
                                   ? ::realpath(prefix.c_str(), nullptr)
                                   : nullptr;
                if (target) {
                    resolved.emplace_back(target);
                    std::free(target);
                    parts.clear();
                    const std::string_view real(resolved.back());
                    for (size_t at = 1; at < real.size();) {
                        const size_t next = std::min(real.find('/', at), real.size());
                        parts.push_back(real.substr(at, next - at));
                        at = next + 1;
                    }
                }
            }
            if (!parts.empty())
                parts.pop_back(); // ".." at the root stays at the root
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    // POSIX leaves a path that begins with exactly two slashes to the system; the catalogue
    // takes one as its own network form, so it is kept.
    const bool network = text.size() > 2 && text[0] == '/' && text[1] == '/' && text[2] != '/';
    std::string normal = network ? "/" : "";
    for (const auto part : parts) {
        normal.push_back('/');
        normal.append(part);
    }
    return normal.empty() ? std::string("/") : normal;
}

} // namespace tunebay
