#include "import/audio_layout.h"

#include "import/media_file_bytes.h"
#include "support/encoded_audio.h"
#include "support/mutagen_tags.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunebay {
namespace {

using test::TempDir;

constexpr AudioFormat kEncodedFormats[] = {
    AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus,
    AudioFormat::Aac,  AudioFormat::Alac,      AudioFormat::Wav,
    AudioFormat::Aiff, AudioFormat::WavPack,   AudioFormat::Wma,
};

std::optional<AudioLayout> layoutOf(AudioFormat format, const std::filesystem::path& path) {
    return ReadAudioLayout(format, MediaFileBytes(path.string()));
}

bool sameAudio(AudioFormat format, const std::filesystem::path& a, const std::filesystem::path& b,
               std::string& reason) {
    return SameAudio(format, MediaFileBytes(a.string()), MediaFileBytes(b.string()), reason);
}

// Every range lies inside the file, none is empty, and they come in file order.
void expectInside(const AudioLayout& layout, int64_t fileSize) {
    int64_t previousEnd = 0;
    for (const AudioRange& range : layout.ranges) {
        EXPECT_GE(range.offset, previousEnd);
        EXPECT_GT(range.size, 0);
        EXPECT_LE(range.offset + range.size, fileSize);
        previousEnd = range.offset + range.size;
    }
}

std::filesystem::path copyOf(const TempDir& dir, const std::filesystem::path& from,
                             const std::string& name) {
    const std::filesystem::path to = dir.file(name + from.extension().string());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    return to;
}

// A retag by another program (a cover of 77 kB, more fields) moves the audio and, in Ogg,
// renumbers its pages: the audio size stays and the audio counts as the same. One changed byte
// inside the audio is seen.
TEST(AudioLayoutTest, RetaggedCopiesKeepTheirAudioAndAChangedByteIsSeen) {
    if (!test::HaveMutagen())
        GTEST_SKIP() << "python3 with mutagen is missing";
    TempDir dir;
    for (const AudioFormat format : kEncodedFormats) {
        SCOPED_TRACE(std::string(AudioFormatName(format)));
        const test::AudioRecipe recipe{format, 2, 44100, 2, 16, {{"title", "Song"}}};
        const std::filesystem::path encoded =
            test::EncodeAudio(dir.path(), "a" + test::AudioFormatExtension(format), recipe);
        if (encoded.empty())
            GTEST_SKIP() << "encoder missing";
        const auto original = layoutOf(format, encoded);
        ASSERT_TRUE(original);
        expectInside(*original, static_cast<int64_t>(std::filesystem::file_size(encoded)));
        EXPECT_GT(original->AudioSize(), 0);
        if (format == AudioFormat::Wav || format == AudioFormat::Aiff) {
            EXPECT_EQ(original->AudioSize(), 2 * 44100 * 2 * 2);
        }

        const std::filesystem::path retagged = copyOf(dir, encoded, "retagged");
        ASSERT_TRUE(test::MutagenPrepare(retagged));
        ASSERT_GT(std::filesystem::file_size(retagged), std::filesystem::file_size(encoded));
        const auto after = layoutOf(format, retagged);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->AudioSize(), original->AudioSize());
        std::string reason;
        EXPECT_TRUE(sameAudio(format, encoded, retagged, reason)) << reason;

        // One bit of the audio's middle byte flipped.
        std::string bytes = test::readFile(retagged);
        int64_t middle = after->AudioSize() / 2;
        for (const AudioRange& range : after->ranges) {
            if (middle < range.size) {
                bytes[static_cast<std::size_t>(range.offset + middle)] ^= 0x10;
                break;
            }
            middle -= range.size;
        }
        const std::filesystem::path changed = dir.write("changed", bytes);
        EXPECT_FALSE(sameAudio(format, retagged, changed, reason));
        EXPECT_EQ(reason, "the audio would change");
    }
}

std::string littleEndian32(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

// Monkey's Audio, which no encoder of the distribution makes: the stream up to its APEv2 tag and
// the ID3v1 tag behind it.
TEST(AudioLayoutTest, MonkeysAudioEndsBeforeItsTags) {
    TempDir dir;
    const std::string stream = "MAC " + std::string("\x96\x0F", 2) + std::string(994, '\x5A');
    const std::string item = littleEndian32(4) + littleEndian32(0) + "Title" + '\0' + "Song";
    auto apeFrame = [&](uint32_t flags) {
        return "APETAGEX" + littleEndian32(2000) + littleEndian32(32 + item.size()) +
               littleEndian32(1) + littleEndian32(flags) + std::string(8, '\0');
    };
    const std::string ape = apeFrame(0xA0000000u) + item + apeFrame(0x80000000u);
    const std::string version1 = "TAG" + std::string(125, '\0');
    const struct { std::string tail; } cases[] = {{""}, {ape}, {ape + version1}, {version1}};
    for (const auto& c : cases) {
        const auto path = dir.write("a.ape", stream + c.tail);
        const auto layout = layoutOf(AudioFormat::MonkeysAudio, path);
        ASSERT_TRUE(layout);
        ASSERT_EQ(layout->ranges.size(), 1u);
        EXPECT_EQ(layout->ranges[0].offset, 0);
        EXPECT_EQ(layout->AudioSize(), static_cast<int64_t>(stream.size()));
    }
    EXPECT_FALSE(layoutOf(AudioFormat::MonkeysAudio, dir.write("b.ape", "MAX " + stream)));
}

// Files cut short or damaged where their structure is read give no layout or one inside the
// file, never a crash; a file read as the wrong format gives none.
TEST(AudioLayoutTest, DamagedAndCutFilesGiveNoneOrALayoutInsideTheFile) {
    TempDir dir;
    for (const AudioFormat format : kEncodedFormats) {
        SCOPED_TRACE(std::string(AudioFormatName(format)));
        const test::AudioRecipe recipe{format, 1, 22050, 1, 16, {{"title", "Cut"}}};
        const std::filesystem::path encoded =
            test::EncodeAudio(dir.path(), "a" + test::AudioFormatExtension(format), recipe);
        if (encoded.empty())
            GTEST_SKIP() << "encoder missing";
        const std::string whole = test::readFile(encoded);
        const auto full = layoutOf(format, encoded);
        ASSERT_TRUE(full);
        std::vector<std::string> variants;
        for (const std::size_t length :
             {std::size_t{0}, std::size_t{4}, std::size_t{12}, std::size_t{27}, std::size_t{60},
              std::size_t{300}, whole.size() / 3, whole.size() / 2, whole.size() - 1})
            variants.push_back(whole.substr(0, length));
        for (const std::size_t at :
             {std::size_t{4}, std::size_t{5}, std::size_t{8}, std::size_t{16}, std::size_t{20},
              std::size_t{26}, std::size_t{40}, std::size_t{70}, std::size_t{200}}) {
            for (const char value : {'\x00', '\xFF', '\x7F'}) {
                std::string damaged = whole;
                if (at < damaged.size())
                    damaged[at] = value;
                variants.push_back(damaged);
            }
        }
        for (std::size_t i = 0; i < variants.size(); ++i) {
            SCOPED_TRACE(i);
            const auto path = dir.write("damaged", variants[i]);
            if (const auto layout = layoutOf(format, path))
                expectInside(*layout, static_cast<int64_t>(variants[i].size()));
        }
        for (const AudioFormat other : kEncodedFormats) {
            const bool sameContainer =
                other == format || ((format == AudioFormat::Aac || format == AudioFormat::Alac) &&
                                    (other == AudioFormat::Aac || other == AudioFormat::Alac));
            if (!sameContainer) {
                EXPECT_FALSE(layoutOf(other, encoded)) << AudioFormatName(other);
            }
        }
    }
}

// The shared corpus of real-world and malformed files read as every format.
TEST(AudioLayoutTest, CorpusFilesAreReadAsEveryFormatWithoutHarm) {
    const std::filesystem::path root = TUNEBAY_CORPUS_DIR;
    std::error_code error;
    if (!std::filesystem::is_directory(root, error))
        GTEST_SKIP() << "no corpus at " << root;
    int files = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        if (!it->is_regular_file(error))
            continue;
        ++files;
        const MediaFileBytes file(it->path().string());
        for (int type = 1; type <= kLastAudioFormat; ++type)
            if (const auto layout = ReadAudioLayout(static_cast<AudioFormat>(type), file))
                expectInside(*layout, file.Size());
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace tunebay
