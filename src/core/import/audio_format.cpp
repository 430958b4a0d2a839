#include "import/audio_format.h"

#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tunebay {

namespace {

using namespace std::string_view_literals;

// Holds zero bytes: a literal of its own length.
constexpr std::string_view kAsfHeaderGuid =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::size_t kId3v2HeaderSize = 10;
// MP4 boxes nest a few levels deep; a file with more boxes than this at one level is not looked at
// further.
constexpr int kMaxBoxesPerLevel = 4096;

uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Where the content starts behind the ID3v2 tags some writers put in front of any file.
int64_t behindId3v2Tags(const MediaFileBytes& file) {
    int64_t at = 0;
    while (at < file.Size()) {
        const std::string header = file.Read(kId3v2HeaderSize, at);
        const std::optional<Id3v2HeaderFacts> facts = ReadId3v2Header(header);
        if (!facts || at + static_cast<int64_t>(facts->totalSize) > file.Size())
            break;
        at += static_cast<int64_t>(facts->totalSize);
    }
    return at;
}

struct Box {
    std::string type;
    int64_t payload = 0; // where the box's content starts
    int64_t end = 0;
};

// The boxes of one level between `from` and `to`; stops at the first one that does not fit.
std::vector<Box> readBoxes(const MediaFileBytes& file, int64_t from, int64_t to) {
    std::vector<Box> boxes;
    int64_t at = from;
    while (at + 8 <= to && static_cast<int>(boxes.size()) < kMaxBoxesPerLevel) {
        const std::string header = file.Read(16, at);
        if (header.size() < 8)
            break;
        int64_t size = bigEndian32(header, 0);
        int64_t headerSize = 8;
        if (size == 1) {
            if (header.size() < 16)
                break;
            size = static_cast<int64_t>((static_cast<uint64_t>(bigEndian32(header, 8)) << 32) |
                                        bigEndian32(header, 12));
            headerSize = 16;
        } else if (size == 0) {
            size = to - at;
        }
        if (size < headerSize || size > to - at)
            break;
        boxes.push_back({header.substr(4, 4), at + headerSize, at + size});
        at += size;
    }
    return boxes;
}

std::optional<Box> childBox(const MediaFileBytes& file, const Box& parent, std::string_view type) {
    for (const Box& box : readBoxes(file, parent.payload, parent.end))
        if (box.type == type)
            return box;
    return std::nullopt;
}

// The audio format of an MP4 file: the first sound track's first sample entry decides.
AudioFormat mp4Format(const MediaFileBytes& file) {
    const Box whole{"", 0, file.Size()};
    const std::optional<Box> movie = childBox(file, whole, "moov");
    if (!movie)
        return AudioFormat::None;
    for (const Box& track : readBoxes(file, movie->payload, movie->end)) {
        if (track.type != "trak")
            continue;
        const std::optional<Box> media = childBox(file, track, "mdia");
        if (!media)
            continue;
        const std::optional<Box> handler = childBox(file, *media, "hdlr");
        // Version and flags, a predefined word, then the handler type.
        if (!handler || file.Read(4, handler->payload + 8) != "soun")
            continue;
        std::optional<Box> box = childBox(file, *media, "minf");
        if (box)
            box = childBox(file, *box, "stbl");
        if (box)
            box = childBox(file, *box, "stsd");
        if (!box)
            continue;
        // Version and flags and the entry count come before the sample entries.
        const std::vector<Box> entries = readBoxes(file, box->payload + 8, box->end);
        if (entries.empty())
            continue;
        return entries.front().type == "alac" ? AudioFormat::Alac : AudioFormat::Aac;
    }
    return AudioFormat::None;
}

// The codec of an Ogg stream from its first page's first packet.
AudioFormat oggFormat(const MediaFileBytes& file) {
    const std::string page = file.Read(27 + 255, 0);
    if (page.size() < 27)
        return AudioFormat::None;
    const std::size_t segments = static_cast<unsigned char>(page[26]);
    const std::string packet = file.Read(8, static_cast<int64_t>(27 + segments));
    if (packet.starts_with("\x01vorbis"))
        return AudioFormat::OggVorbis;
    if (packet.starts_with("OpusHead"))
        return AudioFormat::Opus;
    return AudioFormat::None;
}

} // namespace

std::string_view AudioFormatName(AudioFormat format) {
    switch (format) {
    case AudioFormat::None:
        return "";
    case AudioFormat::Mpeg:
        return "MP3";
    case AudioFormat::Flac:
        return "FLAC";
    case AudioFormat::OggVorbis:
        return "Ogg Vorbis";
    case AudioFormat::Opus:
        return "Opus";
    case AudioFormat::Aac:
        return "AAC";
    case AudioFormat::Alac:
        return "ALAC";
    case AudioFormat::Wav:
        return "WAV";
    case AudioFormat::Aiff:
        return "AIFF";
    case AudioFormat::WavPack:
        return "WavPack";
    case AudioFormat::MonkeysAudio:
        return "Monkey's Audio";
    case AudioFormat::Wma:
        return "WMA";
    }
    return "";
}

AudioFormat DetectContainerFormat(const MediaFileBytes& file) {
    const std::string head = file.Read(16, 0);
    if (head.size() < 12)
        return AudioFormat::None;
    const std::string_view magic(head);
    if (magic.starts_with("OggS"))
        return oggFormat(file);
    if (magic.substr(4, 4) == "ftyp")
        return mp4Format(file);
    if (magic.starts_with("RIFF") && magic.substr(8, 4) == "WAVE")
        return AudioFormat::Wav;
    if (magic.starts_with("FORM") && (magic.substr(8, 4) == "AIFF" || magic.substr(8, 4) == "AIFC"))
        return AudioFormat::Aiff;
    if (head.size() == 16 && magic == kAsfHeaderGuid)
        return AudioFormat::Wma;
    // These three may follow ID3v2 tags.
    const int64_t start = magic.starts_with("ID3") ? behindId3v2Tags(file) : 0;
    const std::string content = start == 0 ? head.substr(0, 4) : file.Read(4, start);
    if (content == "fLaC")
        return AudioFormat::Flac;
    if (content == "wvpk")
        return AudioFormat::WavPack;
    if (content == "MAC ")
        return AudioFormat::MonkeysAudio;
    return AudioFormat::None;
}

const std::vector<std::string>& DefaultImportExtensions() {
    static const std::vector<std::string> extensions{"mp3",  "mp2", "mpga", "flac", "ogg", "oga",
                                                     "opus", "m4a", "mp4",  "m4b",  "wav", "aif",
                                                     "aiff", "wv",  "ape",  "wma",  "asf"};
    return extensions;
}

std::vector<std::string> ParseImportExtensions(std::string_view list) {
    std::vector<std::string> extensions;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        std::string entry;
        for (const char c : list.substr(start, end - start))
            if (c != ' ' && c != '\t' && !(c == '.' && entry.empty()))
                entry += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (!entry.empty() &&
            std::find(extensions.begin(), extensions.end(), entry) == extensions.end())
            extensions.push_back(std::move(entry));
        start = end + 1;
    }
    return extensions.empty() ? DefaultImportExtensions() : extensions;
}

std::string JoinImportExtensions(const std::vector<std::string>& extensions) {
    std::string list;
    for (const std::string& extension : extensions)
        list += (list.empty() ? "" : ";") + extension;
    return list;
}

} // namespace tunebay
