#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Whether `path` is an address with a scheme ("http://host:8000/stream"), which names no local
// file and is stored as it stands.
bool HasUrlScheme(std::string_view path);

// The one form under which a file is looked up and stored: absolute (relative paths are taken
// from `base`, or from the current folder when `base` is empty) and lexically normal — no "."
// or ".." components, no doubled or trailing slashes (a leading "//", which POSIX leaves to the
// system, stays). A ".." behind a symbolic link is resolved through the link, as the system
// resolves it; otherwise links are not resolved, so a folder reached through a link stays a path
// of its own. Addresses with a scheme are returned
// unchanged.
std::string NormalLocalPath(std::string_view path, std::string_view base = {});

} // namespace tunebay
