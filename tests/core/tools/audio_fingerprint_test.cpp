#include "tools/audio_fingerprint.h"

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "support/tone_mp3.h"

#include <gtest/gtest.h>

#include <bit>

namespace tunebay {
namespace {

using test::TempDir;
using test::ToneRecipe;

// Share of differing bits over the sub-fingerprints both have.
double bitErrorRate(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    const size_t count = std::min(a.size(), b.size());
    int differing = 0;
    for (size_t i = 0; i < count; ++i)
        differing += std::popcount(a[i] ^ b[i]);
    return count ? differing / (32.0 * static_cast<double>(count)) : 1.0;
}

class AudioFingerprintTest : public ::testing::Test {
protected:
    std::string tone(const std::string& name, const ToneRecipe& recipe) {
        return dir.write(name, test::toneMp3(recipe)).string();
    }
    TempDir dir;
};

TEST_F(AudioFingerprintTest, GeneratedTuneGivesAStableFingerprintWithTheHeaderLength) {
    const AudioFingerprint first = FingerprintFile(tone("a.mp3", {7, 20, 0}));
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.duration, 20);
    EXPECT_GT(first.raw.size(), 100u);
    const AudioFingerprint again = FingerprintFile(tone("b.mp3", {7, 20, 0}));
    EXPECT_EQ(again.fingerprint, first.fingerprint);
    EXPECT_EQ(DecodeFingerprint(first.fingerprint), first.raw);
    // URL-safe base64: nothing the form encoding would have to escape.
    EXPECT_EQ(
        first.fingerprint.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvw"
                                            "xyz0123456789-_"),
        std::string::npos);
}

TEST_F(AudioFingerprintTest, DifferentTunesDifferAndTheSameTuneMatches) {
    const AudioFingerprint tune = FingerprintFile(tone("a.mp3", {7, 20, 0}));
    const AudioFingerprint other = FingerprintFile(tone("b.mp3", {8, 20, 0}));
    const AudioFingerprint longer = FingerprintFile(tone("c.mp3", {7, 30, 0}));
    ASSERT_TRUE(tune.ok && other.ok && longer.ok);
    EXPECT_LT(bitErrorRate(tune.raw, longer.raw), 0.05);
    EXPECT_GT(bitErrorRate(tune.raw, other.raw), 0.25);
}

TEST_F(AudioFingerprintTest, OnlyTheFirstTwoMinutesAreHeard) {
    const AudioFingerprint two = FingerprintFile(tone("a.mp3", {3, 120, 0}));
    const AudioFingerprint three = FingerprintFile(tone("b.mp3", {3, 150, 0}));
    ASSERT_TRUE(two.ok && three.ok);
    EXPECT_EQ(three.duration, 150);
    EXPECT_EQ(two.raw, three.raw);
}

TEST_F(AudioFingerprintTest, FilesWithoutAudioFailWithAReason) {
    const AudioFingerprint text = FingerprintFile(dir.write("a.mp3", "not audio").string());
    EXPECT_FALSE(text.ok);
    EXPECT_FALSE(text.error.empty());
    EXPECT_FALSE(FingerprintFile(dir.file("missing.mp3").string()).ok);
}

} // namespace
} // namespace tunebay
