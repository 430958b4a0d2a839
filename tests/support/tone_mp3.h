#pragma once

#include <cstdint>
#include <string>

// MPEG-1 Layer I files with real sound, for tests that decode audio: every half second a new
// pair of tones, picked from `seed`, so that different seeds sound (and fingerprint) differently.
namespace tunebay::test {

struct ToneRecipe {
    uint32_t seed = 1;
    int seconds = 20;
    // Leading silence in frames (384 samples each at 48 kHz), to shift the same tune in time.
    int silentFrames = 0;
};

// The file's bytes: mono, 48 kHz, 384 kbit/s, 125 frames a second, no tag.
std::string toneMp3(const ToneRecipe& recipe);

} // namespace tunebay::test
