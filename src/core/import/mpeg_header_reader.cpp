#include "import/mpeg_header_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tunebay {

namespace {

// Small enough that the usual scan, which ends at the first bytes after the tags, is served from
// the head the file was read with.
constexpr size_t kBlockSize = 4 * 1024;
constexpr int64_t kId3v1Size = 128;
constexpr size_t kId3v2HeaderSize = 10;

// Header word fields; bit 31 is the first bit of the first byte.
int versionOf(uint32_t h) {
    return static_cast<int>((h >> 19) & 3);
}
int layerOf(uint32_t h) {
    return static_cast<int>((h >> 17) & 3);
}
int bitrateIndexOf(uint32_t h) {
    return static_cast<int>((h >> 12) & 15);
}
int sampleRateIndexOf(uint32_t h) {
    return static_cast<int>((h >> 10) & 3);
}
int channelModeOf(uint32_t h) {
    return static_cast<int>((h >> 6) & 3);
}
int emphasisOf(uint32_t h) {
    return static_cast<int>(h & 3);
}

constexpr int kVersionMpeg1 = 3;
constexpr int kVersionMpeg2 = 2;
constexpr int kVersionMpeg25 = 0;
constexpr int kLayerI = 3;
constexpr int kSingleChannel = 3;

uint32_t bigEndian32(const unsigned char* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

// The end of the ID3v2 tag (header, body and footer) that starts at `offset`, or `offset` itself
// when no well-formed tag header stands there.
int64_t id3v2TagEnd(const MediaFileBytes& file, int64_t offset) {
    unsigned char h[kId3v2HeaderSize];
    if (file.Read(h, sizeof h, offset) != static_cast<int64_t>(sizeof h))
        return offset;
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] < 2 || h[3] > 4 || h[4] == 0xFF)
        return offset;
    for (int i = 6; i < 10; ++i)
        if (h[i] & 0x80)
            return offset;
    const int64_t bodySize =
        (int64_t{h[6]} << 21) | (int64_t{h[7]} << 14) | (int64_t{h[8]} << 7) | int64_t{h[9]};
    const bool hasFooter = h[3] == 4 && (h[5] & 0x10);
    return offset + static_cast<int64_t>(kId3v2HeaderSize) + bodySize +
           (hasFooter ? static_cast<int64_t>(kId3v2HeaderSize) : 0);
}

// The length in bytes of the frame a valid header starts, with the standard sample rates; 0 when
// the header gives none.
int64_t frameLength(uint32_t h) {
    static constexpr int32_t kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    static constexpr int32_t kMpeg1[3][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    };
    static constexpr int32_t kMpeg2[3][16] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    };
    const int version = versionOf(h);
    const int layer = layerOf(h);
    const int rateIndex = sampleRateIndexOf(h);
    if (layer == 0 || rateIndex > 2 || kRates[version][rateIndex] == 0)
        return 0;
    const int64_t rate = kRates[version][rateIndex];
    const int64_t bitrate =
        (version == kVersionMpeg1 ? kMpeg1 : kMpeg2)[layer - 1][bitrateIndexOf(h)] * 1000;
    const int64_t padding = (h >> 9) & 1;
    if (layer == kLayerI)
        return (12 * bitrate / rate + padding) * 4;
    const int64_t coefficient = layer == 1 && version != kVersionMpeg1 ? 72 : 144;
    return coefficient * bitrate / rate + padding;
}

constexpr uint32_t kStreamBits = 0xFFFE0C00u; // sync, version, layer, sample rate

// Samples of audio a frame holds.
int64_t samplesPerFrame(uint32_t h) {
    if (layerOf(h) == kLayerI)
        return 384;
    return layerOf(h) == 1 && versionOf(h) != kVersionMpeg1 ? 576 : 1152;
}

// The real sample rate (MPEG-2.5 included), for durations measured from a frame count.
int64_t realSampleRate(uint32_t h) {
    static constexpr int32_t kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    const int index = sampleRateIndexOf(h);
    return index > 2 ? 0 : kRates[versionOf(h)][index];
}

// Reads a stretch of the file a block at a time for walks that look at every frame header.
class BlockReader {
public:
    explicit BlockReader(const MediaFileBytes& file) : m_file(file), m_block(64 * 1024) {}

    // The header word at `position`; false past the end of the file or on a read error.
    bool word(int64_t position, uint32_t& word) {
        if (position < m_start || position + 4 > m_end) {
            const int64_t n = m_file.Read(m_block.data(), m_block.size(), position);
            if (n < 4)
                return false;
            m_start = position;
            m_end = position + n;
        }
        word = bigEndian32(m_block.data() + (position - m_start));
        return true;
    }

private:
    const MediaFileBytes& m_file;
    std::vector<unsigned char> m_block;
    int64_t m_start = 0;
    int64_t m_end = 0;
};

// The first header of `stream` at or after `from` (and before `limit`) that the frame behind it
// confirms; -1 when there is none.
int64_t nextConfirmedFrame(BlockReader& reader, int64_t from, int64_t limit, uint32_t stream,
                           uint32_t& found) {
    uint32_t h = 0;
    for (int64_t p = from; p < limit && reader.word(p, h); ++p) {
        if (!MpegHeaderReader::isValidHeader(h) || (h & kStreamBits) != stream)
            continue;
        uint32_t next = 0;
        const int64_t length = frameLength(h);
        if (length >= 4 && reader.word(p + length, next) && MpegHeaderReader::isValidHeader(next) &&
            (next & kStreamBits) == stream) {
            found = h;
            return p;
        }
    }
    return -1;
}

// Far enough to pass the longest frame (Layer II at 384 kbit/s and 8 kHz is under 7 KB).
constexpr int64_t kSampleSearch = 16 * 1024;

// Whether frames a quarter, half and three quarters into the audio have another bit rate than
// the first: a variable-rate file that does not say so in a VBR header.
bool bitratesDiffer(const MediaFileBytes& file, int64_t start, int64_t end, uint32_t first) {
    BlockReader reader(file);
    for (int quarter = 1; quarter <= 3; ++quarter) {
        const int64_t from = start + (end - start) * quarter / 4;
        uint32_t h = 0;
        if (nextConfirmedFrame(reader, from, std::min(end, from + kSampleSearch),
                               first & kStreamBits, h) >= 0 &&
            bitrateIndexOf(h) != bitrateIndexOf(first))
            return true;
    }
    return false;
}

// The frames of the stream from `start` to `end`, one header after the other; rubbish between
// frames is passed over to the next confirmed frame.
int64_t countFrames(const MediaFileBytes& file, int64_t start, int64_t end, uint32_t first) {
    BlockReader reader(file);
    const uint32_t stream = first & kStreamBits;
    int64_t count = 0;
    int64_t p = start;
    uint32_t h = 0;
    while (p + 4 <= end && reader.word(p, h)) {
        const int64_t length = frameLength(h);
        if (!MpegHeaderReader::isValidHeader(h) || (h & kStreamBits) != stream || length < 4) {
            p = nextConfirmedFrame(reader, p + 1, end, stream, h);
            if (p < 0)
                break;
            continue;
        }
        ++count;
        p += length;
    }
    return count;
}

// Whether two more frames of the same stream (or the end of the file) follow the frame at
// `position`: a sync met anywhere
// but where the audio must begin is taken for one only then, so that a chance pattern in other
// data (a FLAC or MP4 file named like an MP3) is not read as MPEG audio.
bool followedByFrames(const MediaFileBytes& file, int64_t position, uint32_t first) {
    uint32_t header = first;
    for (int i = 0; i < 2; ++i) {
        const int64_t length = frameLength(header);
        if (length < 4)
            return false;
        position += length;
        // A stream that ends with its file (or its closing tag) has no more frames to show.
        if (position == file.Size() ||
            (position == file.Size() - kId3v1Size && file.Read(3, position) == "TAG"))
            return true;
        unsigned char next[4];
        if (file.Read(next, sizeof next, position) != static_cast<int64_t>(sizeof next))
            return false;
        header = bigEndian32(next);
        if (!MpegHeaderReader::isValidHeader(header) ||
            (header & kStreamBits) != (first & kStreamBits))
            return false;
    }
    return true;
}

} // namespace

bool MpegHeaderReader::isValidHeader(uint32_t word) {
    return word > 0xFFDFFFFFu && versionOf(word) != 1 && layerOf(word) != 0 &&
           bitrateIndexOf(word) != 0 && bitrateIndexOf(word) != 15 &&
           sampleRateIndexOf(word) != 3 && emphasisOf(word) != 2;
}

int MpegHeaderReader::Open(const std::string& path) {
    return Open(MediaFileBytes(path), path);
}

int MpegHeaderReader::Open(const MediaFileBytes& file, const std::string& path) {
    if (!file.IsOpen())
        return kCannotOpen;

    m_path = path;
    m_fileSize = file.Size();
    m_audioSize = m_fileSize;
    m_header = 0;
    m_headerPosition = -1;
    m_xingFrames = -1;
    m_vbr = 0;
    m_hasId3v1 = 0;
    m_countedFrames = 0;

    // Leading ID3v2 tags are skipped before the scan: cover art easily pushes the first frame
    // past the scan limit, and a false sync inside the tag would be taken for the header. Some
    // writers prepend a second tag rather than replace the first, hence the loop. A size that
    // runs past the end of the file is not a tag's (a damaged header, or a file cut short): the
    // scan then starts where it would without it.
    int64_t start = 0;
    for (int64_t end = id3v2TagEnd(file, start); end != start && end <= m_fileSize;
         end = id3v2TagEnd(file, start))
        start = end;

    std::vector<unsigned char> buffer(kBlockSize + 3);
    int64_t bufferStart = start; // file position of buffer[0]
    int64_t bufferEnd = start;   // file position after the last byte held
    int64_t found = -1;
    for (int64_t p = start; p <= start + kScanLimit; ++p) {
        if (p + 4 > bufferEnd) {
            const auto keep = static_cast<size_t>(bufferEnd - p);
            std::memmove(buffer.data(), buffer.data() + (p - bufferStart), keep);
            bufferStart = p;
            const int64_t n = file.Read(buffer.data() + keep, kBlockSize, p + keep);
            if (n <= 0)
                return kNoFrameHeader;
            bufferEnd = p + static_cast<int64_t>(keep) + n;
            if (p + 4 > bufferEnd)
                return kNoFrameHeader;
        }
        const uint32_t word = bigEndian32(buffer.data() + (p - bufferStart));
        if (isValidHeader(word) && (p == start || followedByFrames(file, p, word))) {
            m_header = word;
            found = p;
            break;
        }
    }
    if (found < 0)
        return kNoFrameHeader;
    m_headerPosition = found;
    m_audioSize = m_fileSize - found;

    int sideInformationSize;
    if (versionOf(m_header) == kVersionMpeg1)
        sideInformationSize = channelModeOf(m_header) == kSingleChannel ? 17 : 32;
    else
        sideInformationSize = channelModeOf(m_header) == kSingleChannel ? 9 : 17;
    unsigned char xing[12] = {};
    if (file.Read(xing, sizeof xing, found + 4 + sideInformationSize) ==
            static_cast<int64_t>(sizeof xing) &&
        std::memcmp(xing, "Xing", 4) == 0) {
        m_vbr = 1;
        if (xing[7] & 1)
            m_xingFrames = static_cast<int32_t>(bigEndian32(xing + 8));
    }
    // The other VBR header stands 32 bytes behind the frame header, whatever the mode:
    // "VBRI", version, delay, quality (2 bytes each), byte count, frame count (4 bytes each).
    unsigned char vbri[18] = {};
    if (m_vbr == 0 &&
        file.Read(vbri, sizeof vbri, found + 4 + 32) == static_cast<int64_t>(sizeof vbri) &&
        std::memcmp(vbri, "VBRI", 4) == 0) {
        m_vbr = 1;
        m_xingFrames = static_cast<int32_t>(bigEndian32(vbri + 14));
    }

    unsigned char tag[3] = {};
    if (m_fileSize >= kId3v1Size &&
        file.Read(tag, sizeof tag, m_fileSize - kId3v1Size) == static_cast<int64_t>(sizeof tag) &&
        std::memcmp(tag, "TAG", 3) == 0) {
        m_hasId3v1 = 1;
        m_audioSize -= kId3v1Size;
        // A header found inside the version-1 tag would leave a negative size; no audio is
        // the only sensible reading of such a file.
        if (m_audioSize < 0)
            m_audioSize = 0;
    }

    // Without a VBR header the first frame's bit rate may speak for none of the others. A few
    // samples tell; only when they differ are the frames counted, so constant-rate files are
    // read no further.
    const int64_t audioEnd = found + m_audioSize;
    if (m_vbr == 0 && bitratesDiffer(file, found, audioEnd, m_header)) {
        m_countedFrames = countFrames(file, found, audioEnd, m_header);
        if (m_countedFrames > 0)
            m_vbr = 1;
    }
    return kOpened;
}

int32_t MpegHeaderReader::SampleRate() const {
    static constexpr std::array<int32_t, 3> kMpeg1 = {44100, 48000, 32000};
    static constexpr std::array<int32_t, 3> kMpeg2 = {22050, 24000, 16000};
    // Deliberately not the standard 11025/12000/8000 Hz: the facts catalogues hold for MPEG-2.5
    // files are defined on these values, and a re-read must give the same facts.
    static constexpr std::array<int32_t, 3> kMpeg25 = {32000, 16000, 8000};
    const int index = sampleRateIndexOf(m_header);
    if (index > 2)
        return 0;
    switch (versionOf(m_header)) {
    case kVersionMpeg1:
        return kMpeg1[index];
    case kVersionMpeg2:
        return kMpeg2[index];
    case kVersionMpeg25:
        return kMpeg25[index];
    default:
        return 0;
    }
}

int32_t MpegHeaderReader::tableBitrate() const {
    // Rows by bit 19 (MPEG-1 or not) and layer; MPEG-2.5 shares the MPEG-2 rows.
    static constexpr int32_t kMpeg1[3][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // Layer II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // Layer I
    };
    static constexpr int32_t kMpeg2[3][16] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},      // Layer III
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},      // Layer II
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}, // Layer I
    };
    const int layer = layerOf(m_header);
    if (layer == 0)
        return 0;
    const bool mpeg1 = (m_header >> 19) & 1;
    return (mpeg1 ? kMpeg1 : kMpeg2)[layer - 1][bitrateIndexOf(m_header)];
}

int32_t MpegHeaderReader::coefficient() const {
    // 144 also for MPEG-2/2.5 Layer III, where 72 would be exact, for the same reason as the
    // MPEG-2.5 sample rates.
    return layerOf(m_header) == kLayerI ? 12 : 144;
}

int64_t MpegHeaderReader::cbrFrameCount() const {
    const int32_t rate = SampleRate();
    const int32_t bitrate = tableBitrate();
    if (rate == 0 || bitrate == 0)
        return 0;
    const double frameSize = (bitrate * 1000.0) / rate * coefficient();
    return static_cast<int64_t>(static_cast<double>(m_audioSize) / frameSize);
}

// A Xing header without a frame count (-1), with a count of 0 or one that does not fit a signed
// 32-bit number gives no average to work with. Such files are read as if they were constant-rate
// at the first frame's table bitrate: the frame count is estimated from the audio size, and the
// length follows from that bitrate. That is the best estimate the header offers and keeps every
// division away from zero.
int64_t MpegHeaderReader::FrameCount() const {
    if (m_vbr == 1 && m_xingFrames > 0)
        return m_xingFrames;
    if (m_countedFrames > 0)
        return m_countedFrames;
    return cbrFrameCount();
}

int64_t MpegHeaderReader::countedMilliseconds() const {
    const int64_t rate = realSampleRate(m_header);
    return rate == 0 ? 0 : m_countedFrames * samplesPerFrame(m_header) * 1000 / rate;
}

int32_t MpegHeaderReader::Bitrate() const {
    // Counted frames give the real average, in every version and layer.
    if (m_countedFrames > 0) {
        const int64_t milliseconds = countedMilliseconds();
        const auto average =
            static_cast<int32_t>(milliseconds > 0 ? m_audioSize * 8 / milliseconds : 0);
        return average > 0 ? average : tableBitrate();
    }
    if (m_vbr == 0 || m_xingFrames <= 0)
        return tableBitrate();
    const float x = static_cast<float>(m_audioSize) / static_cast<float>(m_xingFrames);
    const auto average = static_cast<int32_t>(SampleRate() * x / (coefficient() * 1000.0));
    // An average that truncates to 0 (a frame count larger than the audio could hold) would
    // make the length a division by zero; the table bitrate stands in, as above.
    return average > 0 ? average : tableBitrate();
}

int32_t MpegHeaderReader::Length() const {
    // The playing time itself: a truncated average bit rate would overstate it.
    if (m_countedFrames > 0)
        return static_cast<int32_t>(countedMilliseconds() / 1000);
    const int32_t bitrate = Bitrate();
    if (bitrate <= 0)
        return 0;
    return static_cast<int32_t>((m_audioSize * 8 / 1000) / bitrate);
}

std::string MpegHeaderReader::ChannelMode() const {
    static constexpr const char* kNames[] = {"Stereo", "Joint Stereo", "Dual Channel",
                                             "Single Channel"};
    return kNames[channelModeOf(m_header)];
}

int64_t ReadAudioFacts(const std::string& path, MediaFileInfo& info) {
    return ReadAudioFacts(MediaFileBytes(path), path, info);
}

int64_t ReadAudioFacts(const MediaFileBytes& file, const std::string& path, MediaFileInfo& info) {
    MpegHeaderReader reader;
    if (reader.Open(file, path) != MpegHeaderReader::kOpened)
        return 0;
    info.bitrate = reader.Bitrate();
    info.sampleRate = reader.SampleRate();
    info.length = reader.Length();
    info.vbr = reader.vbr();
    info.audioSize = reader.audioSize();
    info.channelMode = reader.ChannelMode();
    return reader.fileSize();
}

} // namespace tunebay
