#include "support/tone_mp3.h"

#include "support/mp3_fixture.h"

#include <array>
#include <cmath>
#include <vector>

namespace tunebay::test {

namespace {

constexpr int kFramesPerSecond = 125; // 48000 / 384
constexpr int kFrameBytes = 384;      // 12 * 384000 / 48000 slots of 4 bytes
constexpr int kSubbands = 32;
constexpr int kSampleBits = 8; // allocation code 7

class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (m_used % 8 == 0)
                m_bytes.push_back(0);
            if ((value >> i) & 1u)
                m_bytes.back() = static_cast<char>(m_bytes.back() | (0x80 >> (m_used % 8)));
            ++m_used;
        }
    }
    std::string take(size_t size) {
        m_bytes.resize(size, 0);
        return std::string(m_bytes.begin(), m_bytes.end());
    }

private:
    std::vector<char> m_bytes;
    size_t m_used = 0;
};

uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A tone of the synthesis filter bank: its subband and the twelve subband samples of one frame.
struct BandTone {
    int subband = -1;
    int scaleFactor = 0;
    std::array<uint32_t, 12> codes{};
};

std::string frame(const std::array<BandTone, 2>& tones) {
    FrameHeader header;
    header.layer = 3;           // Layer I
    header.bitrateIndex = 12;   // 384 kbit/s
    header.sampleRateIndex = 1; // 48 kHz
    header.channelMode = 3;     // single channel
    BitWriter bits;
    bits.put(headerWord(header), 32);
    auto toneOf = [&tones](int subband) -> const BandTone* {
        for (const auto& tone : tones)
            if (tone.subband == subband)
                return &tone;
        return nullptr;
    };
    for (int subband = 0; subband < kSubbands; ++subband)
        bits.put(toneOf(subband) ? kSampleBits - 1 : 0, 4);
    for (int subband = 0; subband < kSubbands; ++subband)
        if (const BandTone* tone = toneOf(subband))
            bits.put(static_cast<uint32_t>(tone->scaleFactor), 6);
    for (int granule = 0; granule < 12; ++granule)
        for (int subband = 0; subband < kSubbands; ++subband)
            if (const BandTone* tone = toneOf(subband))
                bits.put(tone->codes[static_cast<size_t>(granule)], kSampleBits);
    return bits.take(kFrameBytes);
}

// A sine of `hertz` as the samples of the subband it falls in (each subband is 750 Hz wide and
// sampled at 1500 Hz; odd subbands are mirrored), continuing from `sample`.
BandTone sine(double hertz, int scaleFactor, long long sample) {
    BandTone tone;
    tone.subband = static_cast<int>(hertz / 750.0);
    tone.scaleFactor = scaleFactor;
    double offset = hertz - 750.0 * tone.subband;
    if (tone.subband % 2 == 1)
        offset = 750.0 - offset;
    for (size_t i = 0; i < tone.codes.size(); ++i) {
        const double phase =
            2.0 * M_PI * offset * static_cast<double>(sample + static_cast<long long>(i)) / 1500.0;
        tone.codes[i] = static_cast<uint32_t>(127 + std::lround(100.0 * std::cos(phase)));
    }
    return tone;
}

} // namespace

std::string toneMp3(const ToneRecipe& recipe) {
    std::string bytes;
    const std::string silence = frame({});
    for (int i = 0; i < recipe.silentFrames; ++i)
        bytes += silence;
    uint32_t state = recipe.seed;
    long long sample = 0;
    const int halfSeconds = recipe.seconds * 2;
    for (int step = 0; step < halfSeconds; ++step) {
        // Two notes between 200 Hz and 3200 Hz, in different subbands, the range the
        // fingerprint hears.
        const double low = 200.0 + static_cast<double>(nextRandom(state) % 1300);
        const double high = 1500.0 + static_cast<double>(nextRandom(state) % 1700);
        const int loudness = static_cast<int>(10 + nextRandom(state) % 4);
        // 62 and 63 frames in turn make each second whole.
        const int frames = kFramesPerSecond / 2 + (step % 2);
        for (int i = 0; i < frames; ++i, sample += 12)
            bytes += frame({sine(low, loudness, sample), sine(high, 12, sample)});
    }
    return bytes;
}

} // namespace tunebay::test
