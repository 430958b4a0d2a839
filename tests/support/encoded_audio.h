#pragma once

#include "import/audio_format.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Short real audio files of every format the catalogue reads, made by the distribution's own
// encoders, for tests that check facts and tags against what the encoder was given.
namespace tunebay::test {

struct AudioRecipe {
    AudioFormat format = AudioFormat::Flac;
    int seconds = 3;
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16; // of the source; the lossless formats keep it
    // Tags by plain names: "title", "artist", "album", "albumartist", "date", "genre", "comment".
    // Each is written under the format's own key.
    std::vector<std::pair<std::string, std::string>> tags = {};
    // A WAV file to encode instead of the tone (left in place); its own length, rate, channels
    // and sample width then count, not the recipe's.
    std::filesystem::path source = {};
};

// A recording that is never silent and keeps changing, for fingerprints: a gliding
// tone, a tune that steps every half second and pink noise, 44.1 kHz stereo, all picked by
// `seed`, so that every part of it (and every seed) fingerprints differently. Written as a WAV
// file by ffmpeg; false when that failed.
bool MakeRecording(const std::filesystem::path& wav, int seed, int seconds);

// Encodes a tone of the recipe into `dir / name`: ffmpeg for MP3, AAC and ALAC in MP4, WAV, AIFF
// and WMA; flac, oggenc, opusenc and wavpack for theirs. Returns the path, or an empty one when
// the encoder is missing or fails (Monkey's Audio has no encoder), so that the caller can skip.
std::filesystem::path EncodeAudio(const std::filesystem::path& dir, const std::string& name,
                                  const AudioRecipe& recipe);

// The md5 of the file's decoded audio as ffmpeg gives it; empty when ffmpeg cannot decode it.
std::string DecodedAudioMd5(const std::filesystem::path& file);

// The usual extension of the format, with the dot.
std::string AudioFormatExtension(AudioFormat format);

// Quotes `text` for a POSIX shell command line.
std::string ShellQuoted(const std::string& text);

} // namespace tunebay::test
