#pragma once

#include <cstdint>

namespace tunebay {

class MediaFileBytes;

// Where the parts of an MPEG audio file lie: the ID3v2 tags in front of the audio, then the
// audio, then the tags behind it (APE, Lyrics3, ID3v1, in any order the writers left them).
struct MpegLayout {
    int64_t size = 0;
    int64_t firstTagSize = 0; // the ID3v2 tag at the very start (header to footer); 0 for none
    int64_t audioStart = 0;   // behind every ID3v2 tag in front
    int64_t audioEnd = 0;     // before every tag behind
    int64_t version1At = -1;  // the 128-byte ID3v1 tag at the end, -1 for none

    int64_t AudioSize() const { return audioEnd - audioStart; }
};

// Tag sizes that run past the end of the file are not taken as tags (a damaged header, or a file
// cut short): those bytes count as audio.
MpegLayout ReadMpegLayout(const MediaFileBytes& file);

} // namespace tunebay
