#include "output/player_launch.h"

#include "app/app_settings.h"
#include "output/export_options.h"
#include "output/playlist_exports.h"
#include "store/catalogued_file_locator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tunebay {

namespace {

const char* directoryColumn(int linkType) {
    switch (linkType) {
    case kLinkUnc:
        return "tblDirectory.sUNC";
    case kLinkUrl:
        return "tblDirectory.sURL";
    default:
        return "tblDirectory.sLocal";
    }
}

// A folder only this user may enter: a real folder (not a link), owned by us, closed to others.
bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool isAbsolute(const char* path) {
    return path && path[0] == '/';
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// Blank-separated words; double quotes group blanks into a word and are dropped.
std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string SingleFileSelectList(int linkType) {
    return std::string("SELECT tblMedia.sFileName, ") + directoryColumn(linkType) +
           ", tblMedia.lID, tblDirectory.sUNC";
}

std::optional<PlayTarget> ReadSingleFile(CCatalogueConnection& connection, Selection selection,
                                         int linkType) {
    selection.columns = SingleFileSelectList(linkType);
    ResultSet rows = RunSelection(connection, selection);
    if (rows.IsEof())
        return std::nullopt;
    PlayTarget target;
    // A local file is handed over where this machine has it; the other forms are addresses.
    target.path = linkType == kLinkUnc || linkType == kLinkUrl
                      ? rows.GetText(1) + rows.GetText(0)
                      : LocateCataloguedFile(rows.GetText(1), rows.GetText(3), rows.GetText(0));
    target.mediaId = rows.GetInt(2);
    return target;
}

std::string PlayerPlaylistPath(const char* runtimeDir, const char* tempDir, std::string& error,
                               bool makeFolder) {
    if (isAbsolute(runtimeDir) && isPrivateFolder(runtimeDir))
        return std::string(runtimeDir) + "/" + kPlayerPlaylistName;
    const std::string base = isAbsolute(tempDir) ? tempDir : "/tmp";
    const std::string folder = base + "/tunebay-" + std::to_string(::geteuid());
    struct stat existing {};
    if (!makeFolder && ::lstat(folder.c_str(), &existing) != 0 && errno == ENOENT)
        return folder + "/" + kPlayerPlaylistName;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + folder;
        return {};
    }
    if (!isPrivateFolder(folder)) {
        error = folder + " is not a private folder of this user";
        return {};
    }
    return folder + "/" + kPlayerPlaylistName;
}

bool WritePlayerPlaylist(CCatalogueConnection& connection, Selection selection, int linkType,
                         const std::string& path) {
    // A fresh file each time: whatever stood at the path (a link included) is removed, and the
    // new one is created exclusively, so nothing is ever written through a link.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ExportOptions options;
    options.path = path;
    options.linkType = linkType;
    options.selection = std::move(selection);
    // The list's own order: the options carry no order type of their own.
    options.orderType = options.selection.sortCode;
    options.locateFiles = true;
    return ExportM3u(connection, options);
}

std::optional<std::string> RenderPlayerPlaylist(CCatalogueConnection& connection,
                                                Selection selection, int linkType,
                                                const char* tempDir) {
    std::string pattern = std::string(isAbsolute(tempDir) ? tempDir : "/tmp") + "/tunebay-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return std::nullopt;
    const std::string path = pattern + "/" + kPlayerPlaylistName;
    std::optional<std::string> bytes;
    if (WritePlayerPlaylist(connection, std::move(selection), linkType, path)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (in)
            bytes = text.str();
    }
    ::unlink(path.c_str());
    ::rmdir(pattern.c_str());
    return bytes;
}

std::string MediaNotFoundMessage(CCatalogueConnection& connection, int mediaId) {
    ResultSet rows = connection.Execute(
        "SELECT sValue FROM tblOptional WHERE lOptionalTypeID=4117 AND lTableID=" +
        std::to_string(mediaId));
    const std::string volume = rows.IsEof() ? std::string() : rows.GetText(0);
    if (volume.empty())
        return kMessageMediaNotFound;
    return std::string("Media file not found! Insert disk with VolumeName '") + volume + "'";
}

std::string MissingFileMessage(CCatalogueConnection& connection, const PlayTarget& target,
                               int linkType) {
    if (linkType == kLinkUrl)
        return {};
    struct stat info {};
    if (::stat(target.path.c_str(), &info) == 0)
        return {};
    if (errno == EACCES)
        return kMessageMediaAccessDenied;
    return MediaNotFoundMessage(connection, target.mediaId);
}

PlayerCommandLine SplitPlayerCommand(std::string_view commandLine) {
    const std::string line = trimmed(commandLine);
    PlayerCommandLine result;
    std::string_view rest;
    if (!line.empty() && line.front() == '"') {
        const size_t close = line.find('"', 1);
        result.program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos)
            rest = std::string_view(line).substr(close + 1);
    } else {
        const size_t blank = line.find_first_of(" \t");
        result.program = line.substr(0, blank);
        if (blank != std::string::npos)
            rest = std::string_view(line).substr(blank + 1);
    }
    std::erase(result.program, '"');
    result.arguments = splitWords(rest);
    return result;
}

bool HasAddFlag(std::string_view commandLine) {
    for (const std::string& argument : SplitPlayerCommand(commandLine).arguments) {
        const std::string flag = lowered(argument);
        if (flag == "/add" || flag == "--enqueue")
            return true;
    }
    return false;
}

PlayerInvocation MakePlayerInvocation(const CAppSettings& settings, const std::string& target) {
    PlayerInvocation invocation;
    if (settings.Player != 2) {
        invocation.program = kDesktopOpenProgram;
        invocation.arguments = {target};
        return invocation;
    }
    PlayerCommandLine command = SplitPlayerCommand(settings.CustomPlayer);
    invocation.custom = true;
    invocation.addFlag = HasAddFlag(settings.CustomPlayer);
    invocation.program = std::move(command.program);
    // "%1" goes in after the split, so a path with blanks or quotes stays one argument.
    for (std::string& argument : command.arguments)
        invocation.arguments.push_back(replaceAll(std::move(argument), "%1", target));
    return invocation;
}

std::string PlayerUri(const std::string& target, int linkType) {
    if (linkType == kLinkUrl)
        return target;
    static constexpr char kHex[] = "0123456789ABCDEF";
    // The network form of a local path ("//mnt/music/...") names the same file; a URI that began
    // "file:////" would be read as naming a host.
    std::string_view path = target;
    if (path.starts_with("//"))
        path.remove_prefix(1);
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') ||
            std::string_view("/-._~").find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

std::string ProgramBaseName(std::string_view program) {
    const size_t slash = program.find_last_of('/');
    return std::string(slash == std::string_view::npos ? program : program.substr(slash + 1));
}

} // namespace tunebay
