// A music folder as users keep it: Genre/Artist/Album folders of "NN - Title.mp3" files of
// realistic sizes (about 70 KB on average), one in a hundred with large cover art, tags of every
// version (2.3, 2.4, 1.x, both, none) and a few malformed files (truncated, a tag running past
// the end, not audio at all). Deterministic: the same count always writes the same files.
#pragma once

#include <cstdint>
#include <filesystem>

namespace tunebay::bench {

struct LibraryFacts {
    int files = 0;
    int64_t bytes = 0;
    int withCoverArt = 0;
    int malformed = 0;
};

LibraryFacts WriteRealisticLibrary(const std::filesystem::path& root, int files);

} // namespace tunebay::bench
