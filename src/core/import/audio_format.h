#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

class MediaFileBytes;

// The audio formats the catalogue knows. The numbers are the media type column's values: 0 is a
// file that is not audio, 1 MPEG audio (all old catalogues hold), the rest follow.
enum class AudioFormat : int {
    None = 0,
    Mpeg = 1,
    Flac = 2,
    OggVorbis = 3,
    Opus = 4,
    Aac = 5, // AAC (or another codec but ALAC) in an MP4 container
    Alac = 6,
    Wav = 7,
    Aiff = 8,
    WavPack = 9,
    MonkeysAudio = 10,
    Wma = 11,
};

inline constexpr int kLastAudioFormat = static_cast<int>(AudioFormat::Wma);

// True for a media type that names one of the audio formats above.
inline bool IsAudioMediaType(long long mediaType) {
    return mediaType >= static_cast<int>(AudioFormat::Mpeg) && mediaType <= kLastAudioFormat;
}

inline AudioFormat AudioFormatOfMediaType(long long mediaType) {
    return IsAudioMediaType(mediaType) ? static_cast<AudioFormat>(mediaType) : AudioFormat::None;
}

// The name the details text shows after "Audio/": "MP3", "FLAC", "Ogg Vorbis", … Empty for None.
std::string_view AudioFormatName(AudioFormat format);

// The format of the container the file's content starts with: FLAC (also behind ID3v2 tags), Ogg
// with a Vorbis or Opus stream, MP4 (ALAC or other audio by its sound track's sample entry), RIFF
// WAVE, AIFF/AIFC, WavPack, Monkey's Audio, ASF. None when the content is none of them; whether
// such a file is MPEG audio is the frame header reader's decision.
AudioFormat DetectContainerFormat(const MediaFileBytes& file);

// The extensions (lower case, without dots) a folder import takes by default: MPEG audio's and
// those of every container format above.
const std::vector<std::string>& DefaultImportExtensions();

// The extensions of a ';'-separated list as the setting `ImportExtensions` holds it: spaces and
// leading dots dropped, ASCII letters in lower case, empty entries left out. An empty list gives
// the default ones.
std::vector<std::string> ParseImportExtensions(std::string_view list);

// The list form of `extensions` ("mp3;flac;...").
std::string JoinImportExtensions(const std::vector<std::string>& extensions);

} // namespace tunebay
