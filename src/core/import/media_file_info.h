#pragma once

#include "import/audio_format.h"

#include <cstdint>
#include <string>

namespace tunebay {

// Genre number that stands for "no genre" (the catalogue's genre row 255).
inline constexpr int32_t kNoGenre = 255;

// Status the tag routines return when the file or its tag cannot be read or written: the
// conventional "unspecified failure" code, so that callers can tell it from 0 and from counts.
inline constexpr int32_t kStatusFailed = static_cast<int32_t>(0x80004005u);

// The facts gathered for one media file: the import engine fills one per file and writes it into
// the catalogue. Texts are UTF-8.
struct MediaFileInfo {
    std::string title;   // "Unknown" is stored when still empty
    std::string group;   // artist; "Unknown" when empty at store time
    std::string package; // album; "Unknown" when empty at store time
    std::string comment;
    std::string path;        // full path of the file
    std::string publishTime; // the tag's year text as read
    int32_t genre = kNoGenre;
    // The tag's genre when written as a name ("Rock") rather than a number; the import matches it
    // with the catalogue's genres.
    std::string genreName;
    int32_t length = 0;     // playing length in whole seconds
    std::string importTime; // 14 digits, UTC
    std::string volumeName; // label of the removable or optical volume the file came from
    int64_t fileSize = 0;
    int32_t sampleRate = 0; // Hz
    int32_t bitrate = 0;    // kbit/s, the average for VBR files
    int32_t vbr = 0;        // 1 when a Xing header was found
    // Bytes of audio data: the file size minus the bytes before the first frame, minus 128 when
    // an ID3 version-1 tag ends the file.
    int64_t audioSize = 0;
    // MPEG audio: "Stereo", "Joint Stereo", "Dual Channel" or "Single Channel"; other formats:
    // "Single Channel", "Stereo" or "N Channels".
    std::string channelMode;
    // What the content is: the media type column's value. None for a file that is not audio.
    AudioFormat format = AudioFormat::None;
    int32_t bitsPerSample = 0;  // lossless formats only
    bool correctNames = true;   // names taken from the file name go through CorrectName
    std::string fingerprint;    // the AcoustID track id
    std::string rawFingerprint; // the acoustic fingerprint it was found with (compressed)
};

} // namespace tunebay
