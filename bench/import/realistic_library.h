// A music folder as users keep it: Genre/Artist/Album folders of "NN - Title.ext" files, half
// MPEG audio of realistic sizes (about 70 KB on average) with tags of every version (2.3, 2.4,
// 1.x, both, none), a quarter FLAC (built from one encoded template with a Vorbis comment of its
// own), a tenth M4A (AAC, some ALAC), a tenth Ogg Vorbis or Opus, the rest WAV, AIFF, WavPack or
// WMA (these copied from a few files encoded once, each with its own tags); one in a hundred
// with large cover art, and a few malformed files (truncated, a tag running past the end, not
// audio at all). Deterministic for the same count, given the same encoders.
#pragma once

#include <cstdint>
#include <filesystem>

namespace tunebay::bench {

struct LibraryFacts {
    int files = 0;
    int64_t bytes = 0;
    int withCoverArt = 0;
    int malformed = 0;
    int byFormat[16] = {}; // files per media type
};

LibraryFacts WriteRealisticLibrary(const std::filesystem::path& root, int files);

} // namespace tunebay::bench
