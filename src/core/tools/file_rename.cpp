#include "tools/file_rename.h"

#include "tools/text_rules.h"
#include "tools/tools_job.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
    return !base.empty() && base != "." && base != ".." && base.find('/') == std::string::npos &&
           base.find('\0') == std::string::npos;
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

std::string ItemFileName(const std::string& group, const std::string& title,
                         const std::string& currentFileName, int style) {
    std::string base = (!group.empty() && group != "Unknown") ? group + " - " + title : title;
    MakeFileNameSafe(base);
    if (style == kRenameUnixEncoded)
        EncodeUnixFileName(base);
    if (!acceptableBaseName(base))
        return {};
    return base + lowerCaseExtension(currentFileName);
}

std::optional<std::string> RenameItemFile(const std::string& directory,
                                          const std::string& currentName,
                                          const std::string& newName) {
    if (newName == currentName)
        return currentName;
    const std::string from = directory + currentName;
    switch (MoveWithoutReplacing(from, directory + newName)) {
    case MoveResult::Moved:
        return newName;
    case MoveResult::Failed:
        return std::nullopt;
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
        switch (MoveWithoutReplacing(from, directory + candidate)) {
        case MoveResult::Moved:
            return candidate;
        case MoveResult::Failed:
            return std::nullopt;
        case MoveResult::TargetExists:
            break;
        }
    }
    return std::nullopt;
}

} // namespace tunebay
