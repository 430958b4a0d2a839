#include "text/capitalize_exceptions.h"

#include "text/utf8_text.h"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace tunebay {

namespace {

constexpr std::size_t kMinimumEntryLength = 2;
constexpr std::size_t kMaximumEntryLength = 63;

std::string_view TrimAsciiSpace(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string> ParseEntry(std::string_view line) {
    line = TrimAsciiSpace(line);
    if (line.empty() || line.front() == ';')
        return std::nullopt;
    line = TrimAsciiSpace(line.substr(0, line.find(';')));
    const std::size_t length = CodePointLength(line);
    if (length < kMinimumEntryLength || length > kMaximumEntryLength)
        return std::nullopt;
    // Section headings only help people find their way around the file.
    if (line.front() == '[' && line.back() == ']')
        return std::nullopt;
    return std::string(line);
}

} // namespace

CapitalizeExceptionsLoad LoadCapitalizeExceptions(const std::string& applicationDirectory) {
    return LoadCapitalizeExceptionsFile(applicationDirectory + kCapitalizeExceptionsFileName);
}

CapitalizeExceptionsLoad LoadCapitalizeExceptionsFile(const std::string& path) {
    CapitalizeExceptionsLoad result;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return result;

    result.list.emplace();
    std::string line;
    bool firstLine = true;
    while (std::getline(file, line)) {
        // Editors on some desktops start a UTF-8 file with a byte order mark.
        if (firstLine && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        firstLine = false;
        if (auto entry = ParseEntry(line))
            result.list->push_back(std::move(*entry));
    }
    if (file.bad())
        result.errorMessage = "Unknown error while reading '" + path + "'!";
    return result;
}

std::string UserCapitalizeExceptionsPath(const std::string& userDataDirectory) {
    return userDataDirectory + kCapitalizeExceptionsFileName;
}

CapitalizeExceptionsLoad LoadPreferredCapitalizeExceptions(const std::string& applicationDirectory,
                                                           const std::string& userDataDirectory) {
    const std::string user = UserCapitalizeExceptionsPath(userDataDirectory);
    std::error_code ignored;
    if (!userDataDirectory.empty() && std::filesystem::is_regular_file(user, ignored))
        return LoadCapitalizeExceptionsFile(user);
    return LoadCapitalizeExceptions(applicationDirectory);
}

std::string PrepareUserCapitalizeExceptions(const std::string& applicationDirectory,
                                            const std::string& userDataDirectory,
                                            std::string& error) {
    namespace fs = std::filesystem;
    const std::string user = UserCapitalizeExceptionsPath(userDataDirectory);
    std::error_code failed;
    if (fs::is_regular_file(user, failed))
        return user;
    const std::string installed = applicationDirectory + kCapitalizeExceptionsFileName;
    if (!fs::is_regular_file(installed, failed)) {
        error = "'" + installed + "' not found!";
        return {};
    }
    fs::create_directories(userDataDirectory, failed);
    if (!failed)
        fs::copy_file(installed, user, fs::copy_options::skip_existing, failed);
    if (!failed) {
        // The installed file is read-only; the user's copy is there to be edited.
        fs::permissions(user, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        failed);
    }
    if (failed) {
        error = "Cannot make '" + user + "': " + failed.message();
        return {};
    }
    return user;
}

} // namespace tunebay
