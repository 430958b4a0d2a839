#include "tools/file_rename.h"

#include "text/text_rules.h"
#include "tools/tools_job.h"
#include "text/utf8_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunebay {

namespace {

constexpr int kLastRetryNumber = 19;

// The extension from the last full stop, its ASCII letters in lower case.
std::string lowerCaseExtension(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = fileName.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

bool acceptableBaseName(const std::string& base) {
    return !base.empty() && base != "." && base != ".." && base.front() != '.' &&
           base.find('/') == std::string::npos && base.find('\0') == std::string::npos;
}

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Reserves `to` with an empty file made only if nothing has the name, then moves over it.
MoveResult moveOverReservedName(const std::string& from, const std::string& to) {
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? MoveResult::TargetExists : MoveResult::Failed;
    ::close(fd);
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return MoveResult::Moved;
    ::unlink(to.c_str());
    return MoveResult::Failed;
}

} // namespace

MoveResult MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST)
        return MoveResult::TargetExists;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return MoveResult::Failed;
    // The file system cannot refuse a replacement itself.
    return MoveByLinking(from, to);
}

MoveResult MoveByLinking(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0)
            return MoveResult::Moved;
        ::unlink(to.c_str());
        return MoveResult::Failed;
    }
    if (errno == EEXIST)
        return MoveResult::TargetExists;
    return moveOverReservedName(from, to);
}

std::size_t FileNameLimit(const std::string& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kDefaultNameLimit;
}

void SyncFolders(const std::set<std::string>& folders) {
    std::set<dev_t> flushed;
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // A folder of each file system flushes all of it at once, far cheaper than a flush
        // per folder when a run touched hundreds.
        if (::fstat(fd, &info) != 0 || !flushed.contains(info.st_dev)) {
            if (::syncfs(fd) == 0)
                flushed.insert(info.st_dev);
            else
                ::fsync(fd);
        }
        ::close(fd);
    }
}

std::string CutAtCharacter(std::string text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && isUtf8Continuation(text[end]))
        --end;
    text.resize(end);
    return text;
}

void RemoveUnnameableText(std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        const std::size_t start = index;
        const char32_t c = DecodeNextCodePoint(text, index);
        if (IsEscapedByte(c) || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            continue;
        if (c == '.' && kept.empty())
            continue;
        kept.append(text, start, index - start);
    }
    text = std::move(kept);
}

std::string ItemFileName(const std::string& group, const std::string& title,
                         const std::string& currentFileName, int style, std::size_t nameLimit) {
    std::string base = (!group.empty() && group != "Unknown") ? group + " - " + title : title;
    RemoveUnnameableText(base);
    MakeFileNameSafe(base);
    if (style == kRenameUnixEncoded)
        EncodeUnixFileName(base);
    RemoveUnnameableText(base); // "?" made "." may now lead
    const std::string extension = lowerCaseExtension(currentFileName);
    const std::size_t room = extension.size() + kRetrySuffixRoom;
    if (base.size() + room > nameLimit)
        base = CutAtCharacter(std::move(base), nameLimit > room ? nameLimit - room : 0);
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (!acceptableBaseName(base))
        return {};
    return base + extension;
}

std::optional<std::string>
RenameItemFile(const std::string& directory, const std::string& currentName,
               const std::string& newName,
               const std::function<void(const std::string&)>& beforeRetry, std::string* reason) {
    if (newName == currentName)
        return currentName;
    const std::string from = directory + currentName;
    const auto failed = [&]() -> std::optional<std::string> {
        if (reason)
            *reason = std::strerror(errno);
        return std::nullopt;
    };
    switch (MoveWithoutReplacing(from, directory + newName)) {
    case MoveResult::Moved:
        return newName;
    case MoveResult::Failed:
        return failed();
    case MoveResult::TargetExists:
        break;
    }
    // The extension is the one the new name was given from the old one: a full stop inside the
    // title ("Mr. Blue") is not one.
    std::string extension = lowerCaseExtension(currentName);
    if (!newName.ends_with(extension))
        extension = lowerCaseExtension(newName);
    const std::string base = newName.substr(0, newName.size() - extension.size());
    for (int number = 1; number <= kLastRetryNumber; ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " (%d)", number);
        const std::string candidate = base + suffix + extension;
        // The file may already carry the numbered name it would be given.
        if (candidate == currentName)
            return currentName;
        if (beforeRetry)
            beforeRetry(candidate);
        switch (MoveWithoutReplacing(from, directory + candidate)) {
        case MoveResult::Moved:
            return candidate;
        case MoveResult::Failed:
            return failed();
        case MoveResult::TargetExists:
            break;
        }
    }
    if (reason)
        *reason = std::strerror(EEXIST);
    return std::nullopt;
}

} // namespace tunebay
