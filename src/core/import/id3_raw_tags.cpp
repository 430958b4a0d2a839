#include "import/id3_raw_tags.h"
#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"

#include "import/tag_text.h"

#include <algorithm>

namespace tunebay {

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kVersion1Size = 128;
constexpr unsigned char kUnsynchronisation = 0x80;
constexpr unsigned char kExtendedHeader = 0x40;

unsigned char byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

// The body size of a well-formed version-2 header, or none.
std::optional<std::size_t> version2BodySize(std::string_view header) {
    if (header.size() < kHeaderSize || header.substr(0, 3) != "ID3" || byteAt(header, 3) < 2 ||
        byteAt(header, 3) > 4 || byteAt(header, 4) == 0xFF)
        return std::nullopt;
    std::size_t size = 0;
    for (std::size_t i = 6; i < kHeaderSize; ++i) {
        if (byteAt(header, i) & 0x80)
            return std::nullopt;
        size = (size << 7) | byteAt(header, i);
    }
    return size;
}

// Where a version-2 tag begins: at the start of the file, or else the first well-formed header
// within the first 64 KB. The tag library writes a new tag in front of what it takes for the
// first audio frame, which in a file of other data need not be its start; the tag written there
// must read back.
std::optional<int64_t> version2Offset(const MediaFileBytes& file) {
    constexpr std::size_t kSearched = 64 * 1024;
    if (version2BodySize(file.Read(kHeaderSize, 0)))
        return 0;
    const std::string head = file.Read(kSearched, 0);
    for (std::size_t at = head.find("ID3", 1); at != std::string::npos;
         at = head.find("ID3", at + 1))
        if (version2BodySize(std::string_view(head).substr(at)))
            return static_cast<int64_t>(at);
    return std::nullopt;
}

void setSynchsafeSize(std::string& tag, std::size_t size) {
    for (std::size_t i = 0; i < 4; ++i)
        tag[9 - i] = static_cast<char>((size >> (7 * i)) & 0x7F);
}

uint32_t bigEndian32(std::string_view bytes) {
    return (uint32_t{byteAt(bytes, 0)} << 24) | (uint32_t{byteAt(bytes, 1)} << 16) |
           (uint32_t{byteAt(bytes, 2)} << 8) | uint32_t{byteAt(bytes, 3)};
}

std::string trimmedField(std::string_view field) {
    // The field ends at its first zero; what follows is padding or rubbish.
    field = field.substr(0, field.find('\0'));
    while (!field.empty() && field.back() == ' ')
        field.remove_suffix(1);
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    return DecodeLatin1TagText(field);
}

} // namespace

std::optional<RawId3Tags> ReadRawId3Tags(const std::string& path, bool withVersion2) {
    return ReadRawId3Tags(MediaFileBytes(path), withVersion2);
}

std::optional<RawId3Tags> ReadRawId3Tags(const MediaFileBytes& file, bool withVersion2) {
    if (!file.IsOpen() || file.Size() < 1)
        return std::nullopt;
    const int64_t fileSize = file.Size();

    RawId3Tags tags;
    if (withVersion2) {
        const std::optional<int64_t> offset = version2Offset(file);
        const std::string header = offset ? file.Read(kHeaderSize, *offset) : std::string();
        if (const auto body = version2BodySize(header)) {
            const auto available = static_cast<std::size_t>(fileSize - *offset) - kHeaderSize;
            tags.version2 = header + file.Read(std::min(*body, available),
                                               *offset + static_cast<int64_t>(kHeaderSize));
            tags.version2 = WithoutVersion23ExtendedHeader(std::move(tags.version2));
        }
    }
    if (fileSize >= static_cast<int64_t>(kVersion1Size)) {
        std::string tail = file.Read(kVersion1Size, fileSize - static_cast<int64_t>(kVersion1Size));
        if (tail.size() == kVersion1Size && tail.compare(0, 3, "TAG") == 0)
            tags.version1 = std::move(tail);
    }
    return tags;
}

std::string WithoutVersion23ExtendedHeader(std::string tag) {
    if (!version2BodySize(tag) || byteAt(tag, 3) != 3 || !(byteAt(tag, 5) & kExtendedHeader))
        return tag;
    std::string body = tag.substr(kHeaderSize);
    if (byteAt(tag, 5) & kUnsynchronisation)
        body = ResynchronisedId3Data(body);
    // The size field does not count itself in version 2.3.
    if (body.size() < 4)
        return tag;
    const uint64_t extendedSize = uint64_t{4} + bigEndian32(body);
    body.erase(0, static_cast<std::size_t>(std::min<uint64_t>(extendedSize, body.size())));
    std::string result = tag.substr(0, kHeaderSize) + body;
    result[5] = static_cast<char>(byteAt(tag, 5) & ~(kUnsynchronisation | kExtendedHeader));
    setSynchsafeSize(result, body.size());
    return result;
}

Id3v1Text ParseId3v1(std::string_view tag) {
    Id3v1Text text;
    if (tag.size() < kVersion1Size)
        return text;
    text.title = trimmedField(tag.substr(3, 30));
    text.artist = trimmedField(tag.substr(33, 30));
    text.album = trimmedField(tag.substr(63, 30));
    text.year = trimmedField(tag.substr(93, 4));
    // Version 1.1 keeps the track number in the comment's last byte, behind a zero.
    const std::string_view comment = tag.substr(97, 30);
    const bool hasTrack = comment[28] == '\0' && comment[29] != '\0';
    text.comment = trimmedField(hasTrack ? comment.substr(0, 28) : comment);
    text.genre = byteAt(tag, 127);
    return text;
}

} // namespace tunebay
