#pragma once

#include "import/audio_format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tunebay {

class MediaFileBytes;

// One stretch of a file that holds audio.
struct AudioRange {
    int64_t offset = 0;
    int64_t size = 0;
};

// Where the audio of a file lies, apart from its tags and metadata: FLAC's frames behind the
// metadata blocks, the Ogg pages behind the header packets' pages (page headers included: a
// retagged copy renumbers them but keeps their size), the payloads of MP4's `mdat` boxes, the WAV
// `data` and AIFF `SSND` sample data, a WavPack or Monkey's Audio stream before the tags behind
// it, the packets of the ASF Data Object, MPEG audio's frames between its tags.
struct AudioLayout {
    AudioFormat format = AudioFormat::None;
    std::vector<AudioRange> ranges; // in file order, none empty

    // The bytes of audio, so that two copies of one recording tagged differently have the same.
    int64_t AudioSize() const;
};

// The layout of `file` read as `format`; nullopt when its structure cannot be read as that
// format (a damaged or cut file gives nullopt or the audio it still holds, never more bytes than
// the file has).
std::optional<AudioLayout> ReadAudioLayout(AudioFormat format, const MediaFileBytes& file);

// Whether `a` and `b`, both of `format`, hold the same audio: the audio bytes are equal, except
// for what a retag may change without touching the sound (the sequence numbers and checksums of
// Ogg pages). False with `reason` set when they differ or a layout cannot be read.
bool SameAudio(AudioFormat format, const MediaFileBytes& a, const MediaFileBytes& b,
               std::string& reason);

} // namespace tunebay
