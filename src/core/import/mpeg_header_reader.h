#pragma once

#include "import/media_file_bytes.h"
#include "import/media_file_info.h"

#include <cstdint>
#include <string>

namespace tunebay {

// Finds the first MPEG audio frame header of a file (where the ID3v2 tags end, or else the first
// one followed by two more frames of the same stream), an optional Xing or VBRI header behind it
// and an optional ID3 version-1 tag at the end, and derives the audio facts from them. Without a
// VBR header, frames sampled across the file tell whether the bit rate varies; then the frames are
// counted. The file is open only inside Open; the accessors work on what Open stored.
class MpegHeaderReader {
public:
    static constexpr int kOpened = 0;
    static constexpr int kCannotOpen = 2;
    static constexpr int kNoFrameHeader = 4;

    // Positions tried after the start of the scan (inclusive), one byte apart.
    static constexpr int64_t kScanLimit = 204800;

    // Returns kOpened, kCannotOpen or kNoFrameHeader.
    int Open(const std::string& path);
    int Open(const MediaFileBytes& file, const std::string& path);

    int32_t SampleRate() const;
    int32_t Bitrate() const;
    int64_t FrameCount() const;
    int32_t Length() const;
    std::string ChannelMode() const;

    // The first valid header word, big-endian as read.
    uint32_t header() const { return m_header; }
    int64_t headerPosition() const { return m_headerPosition; }
    // Frame count from the Xing or VBRI header; -1 when absent.
    int32_t xingFrames() const { return m_xingFrames; }
    // Frames counted in a variable-rate file without a VBR header; 0 when not counted.
    int64_t countedFrames() const { return m_countedFrames; }
    // 1 with a VBR header, or when the frames' bit rates differ.
    int32_t vbr() const { return m_vbr; }
    int32_t hasId3v1() const { return m_hasId3v1; }
    const std::string& path() const { return m_path; }
    int64_t fileSize() const { return m_fileSize; }
    int64_t audioSize() const { return m_audioSize; }

    // The validity test applied to every word of the scan.
    static bool isValidHeader(uint32_t word);

private:
    int32_t tableBitrate() const;
    int32_t coefficient() const;
    int64_t cbrFrameCount() const;
    int64_t countedMilliseconds() const;

    uint32_t m_header = 0;
    int64_t m_headerPosition = -1;
    int32_t m_xingFrames = -1;
    int32_t m_vbr = 0;
    int32_t m_hasId3v1 = 0;
    int64_t m_countedFrames = 0;
    std::string m_path;
    int64_t m_fileSize = 0;
    int64_t m_audioSize = 0;
};

// Reads the frame header of `path` and sets bitrate, sampleRate, length, vbr, audioSize and
// channelMode of `info`. Returns the file size, or 0 when the reader's Open failed (then `info`
// is unchanged).
int64_t ReadAudioFacts(const std::string& path, MediaFileInfo& info);
int64_t ReadAudioFacts(const MediaFileBytes& file, const std::string& path, MediaFileInfo& info);

} // namespace tunebay
