#include "import/audio_layout.h"

#include "import/media_file_bytes.h"
#include "import/mpeg_layout.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tunebay {

namespace {

constexpr std::size_t kOggPageHeaderSize = 27;
// Ogg page bytes that a rewrite of the header packets changes on every later page: the page
// sequence number and the checksum.
constexpr std::size_t kOggSequenceAt = 18;
constexpr std::size_t kOggChecksumEnd = 26;
constexpr std::size_t kCompareBlock = 64 * 1024;
constexpr std::string_view kAsfDataObjectGuid =
    "\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C";
constexpr int64_t kAsfObjectHeaderSize = 24;
constexpr int64_t kAsfDataObjectHeaderSize = 50; // object header, file id, packet count, reserved

uint64_t littleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::optional<AudioLayout> oneRange(AudioFormat format, int64_t from, int64_t to) {
    AudioLayout layout{format, {}};
    if (to > from)
        layout.ranges.push_back({from, to - from});
    return layout;
}

// FLAC: the frames behind the "fLaC" marker's metadata blocks; ID3 or APE tags that some
// programs put around a FLAC stream are not audio.
std::optional<AudioLayout> flacLayout(const MediaFileBytes& file) {
    const MpegLayout framing = ReadMpegLayout(file);
    int64_t at = framing.audioStart;
    if (file.Read(4, at) != "fLaC")
        return std::nullopt;
    at += 4;
    for (;;) {
        const std::string header = file.Read(4, at);
        if (header.size() < 4)
            return std::nullopt;
        at += 4 + static_cast<int64_t>(bigEndian(header, 1, 3));
        if (at > framing.audioEnd)
            return std::nullopt;
        if (static_cast<unsigned char>(header[0]) & 0x80)
            break;
    }
    return oneRange(AudioFormat::Flac, at, framing.audioEnd);
}

struct OggPage {
    std::string header; // the fixed part and the segment table
    int64_t start = 0;
    int64_t bodySize = 0;
    int64_t End() const { return start + static_cast<int64_t>(header.size()) + bodySize; }
};

std::optional<OggPage> readOggPage(const MediaFileBytes& file, int64_t at) {
    OggPage page;
    page.start = at;
    page.header = file.Read(kOggPageHeaderSize, at);
    if (page.header.size() < kOggPageHeaderSize || !page.header.starts_with("OggS"))
        return std::nullopt;
    const std::size_t segments = static_cast<unsigned char>(page.header[26]);
    const std::string table = file.Read(segments, at + static_cast<int64_t>(kOggPageHeaderSize));
    if (table.size() < segments)
        return std::nullopt;
    page.header += table;
    for (const char lacing : table)
        page.bodySize += static_cast<unsigned char>(lacing);
    if (page.End() > file.Size())
        return std::nullopt;
    return page;
}

// Ogg Vorbis and Opus: the pages behind the header packets (three for Vorbis, two for Opus),
// which start on a page of their own, up to the end of the last whole page.
std::optional<AudioLayout> oggLayout(AudioFormat format, const MediaFileBytes& file) {
    const bool opus = format == AudioFormat::Opus;
    const int headerPackets = opus ? 2 : 3;
    int packets = 0;
    int64_t at = 0;
    while (packets < headerPackets) {
        const std::optional<OggPage> page = readOggPage(file, at);
        if (!page)
            return std::nullopt;
        if (at == 0 && !file.Read(8, page->End() - page->bodySize)
                            .starts_with(opus ? "OpusHead" : "\x01vorbis"))
            return std::nullopt;
        for (std::size_t i = kOggPageHeaderSize; i < page->header.size(); ++i)
            if (static_cast<unsigned char>(page->header[i]) < 255)
                ++packets;
        at = page->End();
    }
    if (packets > headerPackets)
        return std::nullopt; // audio in a header page: not a stream a writer may leave alone
    // The audio runs to the end of the last page; bytes behind it that are no page do not count.
    int64_t end = file.Size();
    const int64_t tailFrom = std::max(at, file.Size() - 65536);
    const std::string tail = file.Read(static_cast<std::size_t>(file.Size() - tailFrom), tailFrom);
    for (std::size_t found = tail.rfind("OggS"); found != std::string::npos;
         found = found == 0 ? std::string::npos : tail.rfind("OggS", found - 1)) {
        if (const auto last = readOggPage(file, tailFrom + static_cast<int64_t>(found))) {
            end = last->End();
            break;
        }
    }
    return oneRange(format, at, std::max(at, end));
}

// MP4: the payloads of the top-level `mdat` boxes.
std::optional<AudioLayout> mp4Layout(AudioFormat format, const MediaFileBytes& file) {
    AudioLayout layout{format, {}};
    bool movie = false;
    int64_t at = 0;
    while (at + 8 <= file.Size()) {
        const std::string header = file.Read(16, at);
        if (header.size() < 8)
            break;
        int64_t size = static_cast<int64_t>(bigEndian(header, 0, 4));
        int64_t headerSize = 8;
        if (size == 1) {
            if (header.size() < 16)
                break;
            const uint64_t large = bigEndian(header, 8, 8);
            size = large > static_cast<uint64_t>(file.Size()) ? -1 : static_cast<int64_t>(large);
            headerSize = 16;
        } else if (size == 0) {
            size = file.Size() - at;
        }
        if (size < headerSize)
            break;
        // A box cut short by the end of the file keeps what it holds.
        const int64_t end = std::min(file.Size(), at + size);
        const std::string_view type = std::string_view(header).substr(4, 4);
        if (type == "moov")
            movie = true;
        else if (type == "mdat" && end > at + headerSize)
            layout.ranges.push_back({at + headerSize, end - at - headerSize});
        at = end;
    }
    if (!movie || layout.ranges.empty())
        return std::nullopt;
    return layout;
}

// WAV and AIFF: the sample data of the `data` or `SSND` chunk.
std::optional<AudioLayout> chunkLayout(AudioFormat format, const MediaFileBytes& file) {
    const bool aiff = format == AudioFormat::Aiff;
    const std::string_view wanted = aiff ? "SSND" : "data";
    const std::string form = file.Read(12, 0);
    if (aiff ? !form.starts_with("FORM") : !form.starts_with("RIFF"))
        return std::nullopt;
    int64_t at = 12;
    while (at + 8 <= file.Size()) {
        const std::string header = file.Read(8, at);
        if (header.size() < 8)
            break;
        const int64_t size =
            static_cast<int64_t>(aiff ? bigEndian(header, 4, 4) : littleEndian(header, 4, 4));
        const int64_t payload = at + 8;
        if (std::string_view(header).substr(0, 4) == wanted) {
            // A writer that could not go back to fill in the size leaves it too large.
            const int64_t end = std::min(file.Size(), payload + size);
            if (!aiff)
                return oneRange(format, payload, end);
            const std::string sound = file.Read(8, payload);
            if (sound.size() < 8)
                return std::nullopt;
            const int64_t offset = static_cast<int64_t>(bigEndian(sound, 0, 4));
            return oneRange(format, std::min(end, payload + 8 + offset), end);
        }
        at = payload + size + (size & 1);
    }
    return std::nullopt;
}

// WavPack and Monkey's Audio: the stream from its marker to the tags behind it.
std::optional<AudioLayout> taggedStreamLayout(AudioFormat format, const MediaFileBytes& file) {
    const MpegLayout framing = ReadMpegLayout(file);
    const std::string marker = file.Read(4, framing.audioStart);
    if (marker != (format == AudioFormat::WavPack ? "wvpk" : "MAC "))
        return std::nullopt;
    return oneRange(format, framing.audioStart, framing.audioEnd);
}

// ASF: the packets of the Data Object, which follows the Header Object.
std::optional<AudioLayout> asfLayout(const MediaFileBytes& file) {
    const std::string header = file.Read(kAsfObjectHeaderSize, 0);
    if (header.size() < kAsfObjectHeaderSize)
        return std::nullopt;
    const uint64_t headerSize = littleEndian(header, 16, 8);
    if (headerSize < kAsfObjectHeaderSize || headerSize > static_cast<uint64_t>(file.Size()))
        return std::nullopt;
    const auto at = static_cast<int64_t>(headerSize);
    const std::string data = file.Read(kAsfObjectHeaderSize, at);
    if (data.size() < kAsfObjectHeaderSize || !data.starts_with(kAsfDataObjectGuid))
        return std::nullopt;
    const uint64_t dataSize = littleEndian(data, 16, 8);
    const int64_t from = at + kAsfDataObjectHeaderSize;
    // A size of 0 (a broadcast file) or one past the end runs to the end of the file.
    const int64_t end = dataSize == 0 || dataSize > static_cast<uint64_t>(file.Size() - at)
                            ? file.Size()
                            : at + static_cast<int64_t>(dataSize);
    if (from > end)
        return std::nullopt;
    return oneRange(AudioFormat::Wma, from, end);
}

// Reads the audio of a layout as one stream, across its ranges.
class RangeReader {
public:
    RangeReader(const MediaFileBytes& file, const AudioLayout& layout)
        : m_file(file), m_ranges(layout.ranges) {}

    // Up to `size` bytes; fewer only at the end of the audio or on a read error.
    std::string Next(std::size_t size) {
        std::string bytes;
        while (bytes.size() < size && m_index < m_ranges.size()) {
            const AudioRange& range = m_ranges[m_index];
            const auto want = static_cast<std::size_t>(
                std::min<int64_t>(static_cast<int64_t>(size - bytes.size()), range.size - m_done));
            const std::string part = m_file.Read(want, range.offset + m_done);
            bytes += part;
            m_done += static_cast<int64_t>(part.size());
            if (part.size() < want)
                break;
            if (m_done == range.size) {
                ++m_index;
                m_done = 0;
            }
        }
        return bytes;
    }

private:
    const MediaFileBytes& m_file;
    const std::vector<AudioRange>& m_ranges;
    std::size_t m_index = 0;
    int64_t m_done = 0;
};

bool sameStream(const MediaFileBytes& a, const AudioLayout& layoutA, const MediaFileBytes& b,
                const AudioLayout& layoutB) {
    if (layoutA.AudioSize() != layoutB.AudioSize())
        return false;
    RangeReader readerA(a, layoutA);
    RangeReader readerB(b, layoutB);
    for (int64_t left = layoutA.AudioSize(); left > 0;) {
        const auto size =
            static_cast<std::size_t>(std::min<int64_t>(left, static_cast<int64_t>(kCompareBlock)));
        const std::string bytesA = readerA.Next(size);
        if (bytesA.size() != size || bytesA != readerB.Next(size))
            return false;
        left -= static_cast<int64_t>(size);
    }
    return true;
}

// Ogg audio pages compared one by one, all but their sequence numbers and checksums.
bool sameOggPages(const MediaFileBytes& a, const AudioRange& rangeA, const MediaFileBytes& b,
                  const AudioRange& rangeB) {
    if (rangeA.size != rangeB.size)
        return false;
    int64_t atA = rangeA.offset;
    int64_t atB = rangeB.offset;
    const int64_t endA = rangeA.offset + rangeA.size;
    while (atA < endA) {
        const std::optional<OggPage> pageA = readOggPage(a, atA);
        const std::optional<OggPage> pageB = readOggPage(b, atB);
        if (!pageA || !pageB || pageA->header.size() != pageB->header.size() ||
            pageA->header.compare(0, kOggSequenceAt, pageB->header, 0, kOggSequenceAt) != 0 ||
            pageA->header.compare(kOggChecksumEnd, std::string::npos, pageB->header,
                                  kOggChecksumEnd) != 0)
            return false;
        const auto headerSize = static_cast<int64_t>(pageA->header.size());
        const AudioLayout bodyA{AudioFormat::None, {{atA + headerSize, pageA->bodySize}}};
        const AudioLayout bodyB{AudioFormat::None, {{atB + headerSize, pageB->bodySize}}};
        if (!sameStream(a, bodyA, b, bodyB))
            return false;
        atA = pageA->End();
        atB = pageB->End();
    }
    return atA == endA;
}

} // namespace

int64_t AudioLayout::AudioSize() const {
    int64_t size = 0;
    for (const AudioRange& range : ranges)
        size += range.size;
    return size;
}

std::optional<AudioLayout> ReadAudioLayout(AudioFormat format, const MediaFileBytes& file) {
    if (!file.IsOpen())
        return std::nullopt;
    switch (format) {
    case AudioFormat::None:
        return std::nullopt;
    case AudioFormat::Mpeg: {
        const MpegLayout mpeg = ReadMpegLayout(file);
        return oneRange(format, mpeg.audioStart, mpeg.audioEnd);
    }
    case AudioFormat::Flac:
        return flacLayout(file);
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        return oggLayout(format, file);
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        return mp4Layout(format, file);
    case AudioFormat::Wav:
    case AudioFormat::Aiff:
        return chunkLayout(format, file);
    case AudioFormat::WavPack:
    case AudioFormat::MonkeysAudio:
        return taggedStreamLayout(format, file);
    case AudioFormat::Wma:
        return asfLayout(file);
    }
    return std::nullopt;
}

bool SameAudio(AudioFormat format, const MediaFileBytes& a, const MediaFileBytes& b,
               std::string& reason) {
    const std::optional<AudioLayout> layoutA = ReadAudioLayout(format, a);
    const std::optional<AudioLayout> layoutB = ReadAudioLayout(format, b);
    if (!layoutA || !layoutB) {
        reason = "the audio data cannot be found";
        return false;
    }
    const bool same =
        format == AudioFormat::OggVorbis || format == AudioFormat::Opus
            ? layoutA->ranges.size() == layoutB->ranges.size() &&
                  (layoutA->ranges.empty() ||
                   sameOggPages(a, layoutA->ranges.front(), b, layoutB->ranges.front()))
            : sameStream(a, *layoutA, b, *layoutB);
    if (!same)
        reason = "the audio would change";
    return same;
}

} // namespace tunebay
