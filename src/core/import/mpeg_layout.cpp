#include "import/mpeg_layout.h"

#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"

#include <string>

namespace tunebay {

namespace {

constexpr int64_t kVersion1Size = 128;
constexpr int64_t kApeFooterSize = 32;
constexpr int64_t kLyrics3v1MaxSize = 5100 + 11 + 9;
constexpr std::string_view kLyricsBegin = "LYRICSBEGIN";

uint32_t littleEndian32(std::string_view bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

// The start of an APEv2 tag ending at `end`, or -1.
int64_t apeTagStart(const MediaFileBytes& file, int64_t end, int64_t floor) {
    if (end - floor < kApeFooterSize)
        return -1;
    const std::string footer = file.Read(kApeFooterSize, end - kApeFooterSize);
    if (footer.size() != kApeFooterSize || !footer.starts_with("APETAGEX"))
        return -1;
    // The size counts the items and the footer; a header, when the flags say so, comes on top.
    const int64_t size = littleEndian32(std::string_view(footer).substr(12, 4));
    const bool hasHeader = littleEndian32(std::string_view(footer).substr(20, 4)) & 0x80000000u;
    const int64_t start = end - size - (hasHeader ? kApeFooterSize : 0);
    return size >= kApeFooterSize && start >= floor ? start : -1;
}

// The start of a Lyrics3 block (version 1 or 2) ending at `end`, or -1.
int64_t lyrics3Start(const MediaFileBytes& file, int64_t end, int64_t floor) {
    if (end - floor < 15 + static_cast<int64_t>(kLyricsBegin.size()))
        return -1;
    const std::string tail = file.Read(15, end - 15);
    if (tail.size() != 15)
        return -1;
    if (tail.ends_with("LYRICS200")) {
        int64_t size = 0;
        for (int i = 0; i < 6; ++i) {
            if (tail[static_cast<std::size_t>(i)] < '0' || tail[static_cast<std::size_t>(i)] > '9')
                return -1;
            size = size * 10 + (tail[static_cast<std::size_t>(i)] - '0');
        }
        const int64_t start = end - 15 - size;
        return start >= floor && file.Read(kLyricsBegin.size(), start) == kLyricsBegin ? start : -1;
    }
    if (tail.ends_with("LYRICSEND")) {
        const int64_t from = std::max(floor, end - kLyrics3v1MaxSize);
        const std::string block = file.Read(static_cast<std::size_t>(end - from), from);
        const std::size_t at = block.rfind(kLyricsBegin);
        return at == std::string::npos ? -1 : from + static_cast<int64_t>(at);
    }
    return -1;
}

} // namespace

MpegLayout ReadMpegLayout(const MediaFileBytes& file) {
    MpegLayout layout;
    layout.size = file.Size();
    int64_t start = 0;
    for (;;) {
        const auto header = ReadId3v2Header(file.Read(10, start));
        if (!header || start + static_cast<int64_t>(header->totalSize) > layout.size)
            break;
        if (start == 0)
            layout.firstTagSize = static_cast<int64_t>(header->totalSize);
        start += static_cast<int64_t>(header->totalSize);
    }
    layout.audioStart = start;

    int64_t end = layout.size;
    if (end - start >= kVersion1Size && file.Read(3, end - kVersion1Size) == "TAG") {
        layout.version1At = end - kVersion1Size;
        end -= kVersion1Size;
    }
    for (;;) {
        if (const int64_t ape = apeTagStart(file, end, start); ape >= 0)
            end = ape;
        else if (const int64_t lyrics = lyrics3Start(file, end, start); lyrics >= 0)
            end = lyrics;
        else
            break;
    }
    layout.audioEnd = end;
    return layout;
}

} // namespace tunebay
