#include "tools/audio_fingerprint.h"

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "support/tone_mp3.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <bit>
#include <filesystem>

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

TEST_F(AudioFingerprintTest, GeneratedTuneGivesAStableFingerprintWithTheStreamLength) {
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
    // A playlist naming another file is not followed, whatever the decoder library could do.
    const std::string tune = tone("tune.mp3", {7, 20, 0});
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string error;
    } cases[] = {
        {dir.write("a.mp3", "not audio").string(), "no audio in a format the decoder knows"},
        {dir.write("list.m3u8",
                   "#EXTM3U\n#EXT-X-TARGETDURATION:20\n#EXTINF:20,\n" + tune + "\n#EXT-X-ENDLIST\n")
             .string(),
         "no audio in a format the decoder knows"},
        {dir.write("list.ffconcat", "ffconcat version 1.0\nfile '" + tune + "'\n").string(),
         "no audio in a format the decoder knows"},
        {dir.file("missing.mp3").string(), "No such file or directory"},
        // Read at once, a named pipe would wait for a writer for ever.
        {dir.file("pipe.mp3").string(), "not a regular file"},
        {dir.path().string(), "not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const AudioFingerprint result = FingerprintFile(c.path);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.error, c.error);
    }
}

TEST_F(AudioFingerprintTest, AStopRequestEndsTheWorkOnAFile) {
    const std::string path = tone("a.mp3", {7, 20, 0});
    // Asked before the file is opened, while it is probed, and while it is decoded.
    for (int allowed : {0, 1, 3, 20}) {
        SCOPED_TRACE(allowed);
        int asked = 0;
        const AudioFingerprint result =
            FingerprintFile(path, [&asked, allowed] { return asked++ >= allowed; });
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.stopped);
        EXPECT_TRUE(result.fingerprint.empty());
    }
    EXPECT_TRUE(FingerprintFile(path, [] { return false; }).ok);
}

// The shared corpus of real-world and malformed files: none may crash or hang the decoder, and
// none is changed by it.
TEST_F(AudioFingerprintTest, TheCorpusIsReadWithoutHarm) {
    std::error_code error;
    const std::filesystem::path root = TUNEBAY_CORPUS_DIR;
    if (!std::filesystem::is_directory(root, error))
        GTEST_SKIP() << "no corpus at " << root;
    int files = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error || !it->is_regular_file(error))
            continue;
        SCOPED_TRACE(it->path().string());
        const std::string before = test::readFile(it->path());
        const AudioFingerprint result = FingerprintFile(it->path().string());
        ++files;
        EXPECT_EQ(result.ok, !result.fingerprint.empty());
        EXPECT_EQ(result.ok, result.error.empty());
        EXPECT_TRUE(!result.ok || result.duration > 0);
        EXPECT_EQ(test::readFile(it->path()), before);
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace tunebay
