#include "tools/tag_actions.h"

#include "import/item_tag.h"

#include <taglib/mpegfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <string_view>

namespace tunebay {

namespace {

struct TagKinds {
    bool valid = false;
    bool id3v1 = false;
    bool id3v2 = false;
    bool ape = false;
};

TagKinds readTagKinds(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid())
        return {};
    return {true, file.hasID3v1Tag(), file.hasID3v2Tag(), file.hasAPETag()};
}

constexpr off_t kId3v1Size = 128;
constexpr off_t kLyrics3v1MaxSize = 5100 + 11 + 9;
constexpr std::string_view kLyricsBegin = "LYRICSBEGIN";

bool readAt(int fd, std::string& bytes, off_t offset, off_t length) {
    bytes.assign(static_cast<std::size_t>(length), '\0');
    return ::pread(fd, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(length);
}

// Where a Lyrics3 block (version 1 or 2) ending at `end` starts; -1 when there is none.
off_t lyrics3Start(int fd, off_t end) {
    std::string tail;
    if (end < 15 + static_cast<off_t>(kLyricsBegin.size()) || !readAt(fd, tail, end - 15, 15))
        return -1;
    if (tail.ends_with("LYRICS200")) {
        off_t size = 0;
        for (int i = 0; i < 6; ++i) {
            if (tail[i] < '0' || tail[i] > '9')
                return -1;
            size = size * 10 + (tail[i] - '0');
        }
        const off_t start = end - 15 - size;
        std::string begin;
        return start >= 0 && readAt(fd, begin, start, 11) && begin == kLyricsBegin ? start : -1;
    }
    if (tail.ends_with("LYRICSEND")) {
        const off_t from = std::max<off_t>(0, end - kLyrics3v1MaxSize);
        std::string block;
        if (!readAt(fd, block, from, end - from))
            return -1;
        const std::size_t at = block.rfind(kLyricsBegin);
        return at == std::string::npos ? -1 : from + static_cast<off_t>(at);
    }
    return -1;
}

// The tag library does not know Lyrics3 blocks: one standing before the ID3v1 tag (or at the
// end) is cut out here, the ID3v1 tag moved up behind the audio. False on a read or write error.
bool removeLyrics3(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        std::string id3v1;
        const bool hasId3v1 = info.st_size >= kId3v1Size &&
                              readAt(fd, id3v1, info.st_size - kId3v1Size, kId3v1Size) &&
                              id3v1.starts_with("TAG");
        const off_t end = info.st_size - (hasId3v1 ? kId3v1Size : 0);
        if (const off_t start = lyrics3Start(fd, end); start >= 0) {
            if (hasId3v1)
                ok = ::pwrite(fd, id3v1.data(), id3v1.size(), start) == kId3v1Size;
            ok = ok && ::ftruncate(fd, start + (hasId3v1 ? kId3v1Size : 0)) == 0;
        }
    } else {
        ok = false;
    }
    return ::close(fd) == 0 && ok;
}

bool hasLyrics3(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool found = false;
    if (::fstat(fd, &info) == 0) {
        std::string id3v1;
        const bool hasId3v1 = info.st_size >= kId3v1Size &&
                              readAt(fd, id3v1, info.st_size - kId3v1Size, kId3v1Size) &&
                              id3v1.starts_with("TAG");
        found = lyrics3Start(fd, info.st_size - (hasId3v1 ? kId3v1Size : 0)) >= 0;
    }
    ::close(fd);
    return found;
}

} // namespace

bool RemoveFileTags(const std::string& path, bool keepVersion1) {
    try {
        if (!removeLyrics3(path))
            return false;
        {
            TagLib::MPEG::File file(path.c_str(), false);
            if (!file.isValid() || file.readOnly())
                return false;
            int kinds = TagLib::MPEG::File::ID3v2 | TagLib::MPEG::File::APE;
            if (!keepVersion1)
                kinds |= TagLib::MPEG::File::ID3v1;
            if (!file.strip(kinds))
                return false;
        }
        const TagKinds left = readTagKinds(path);
        return left.valid && !left.id3v2 && !left.ape && (keepVersion1 || !left.id3v1) &&
               !hasLyrics3(path);
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteCheckedItemTag(CCatalogueConnection& connection, const std::string& path, int itemId,
                         bool useId3v2) {
    if (WriteItemTagToFile(connection, path, itemId, useId3v2) != 0)
        return false;
    try {
        const TagKinds written = readTagKinds(path);
        return written.valid && (useId3v2 ? written.id3v2 : written.id3v1);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace tunebay
