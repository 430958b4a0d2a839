#pragma once

#include "import/audio_format.h"
#include "import/media_file_info.h"
#include "import/tag_fields.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tunebay {

class MediaFileBytes;

// What the tag library reads from a file of one of the container formats: the stream's facts
// and the texts of its native tags.
struct ContainerAudio {
    int64_t lengthMs = 0;
    int32_t bitrate = 0; // kbit/s as the container's header gives it
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0; // lossless formats only; 0 for the others
    TagTexts tags;
};

// Reads a file whose content `DetectContainerFormat` found to be `format` (not None or MPEG)
// through the tag library, read only, from the bytes already open. None when the tag library
// cannot make sense of it.
std::optional<ContainerAudio> ReadContainerAudio(AudioFormat format, const MediaFileBytes& file,
                                                 const std::string& path);

// Puts what was read into the record: the format, the length rounded to the nearest second, the
// sample rate, the channels, the sample width, the size of the audio data and the true average
// bit rate (audio bytes over length: containers' header fields often say something else).
void TakeContainerFacts(AudioFormat format, const ContainerAudio& audio, const MediaFileBytes& file,
                        MediaFileInfo& info);

// The channel text the catalogue keeps: "Single Channel", "Stereo" or "N Channels"; "" for none.
std::string ChannelsText(int32_t channels);

} // namespace tunebay
