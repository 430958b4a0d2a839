#include "import/audio_format.h"

#include "import/media_file_bytes.h"
#include "support/encoded_audio.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::TempDir;

AudioFormat detect(const std::filesystem::path& path) {
    const MediaFileBytes file(path.string());
    return DetectContainerFormat(file);
}

// Every format the encoders make is told by its content, whatever the file is called; MPEG audio
// is no container and is left to the frame header reader.
TEST(AudioFormatTest, ContentDecidesTheFormat) {
    TempDir dir;
    const struct {
        AudioFormat format;
        AudioFormat detected;
    } cases[] = {
        {AudioFormat::Mpeg, AudioFormat::None},
        {AudioFormat::Flac, AudioFormat::Flac},
        {AudioFormat::OggVorbis, AudioFormat::OggVorbis},
        {AudioFormat::Opus, AudioFormat::Opus},
        {AudioFormat::Aac, AudioFormat::Aac},
        {AudioFormat::Alac, AudioFormat::Alac},
        {AudioFormat::Wav, AudioFormat::Wav},
        {AudioFormat::Aiff, AudioFormat::Aiff},
        {AudioFormat::WavPack, AudioFormat::WavPack},
        {AudioFormat::Wma, AudioFormat::Wma},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(AudioFormatName(c.format)));
        const std::string name = "a" + test::AudioFormatExtension(c.format);
        const std::filesystem::path path =
            test::EncodeAudio(dir.path(), name, {.format = c.format, .seconds = 1});
        if (path.empty())
            GTEST_SKIP() << "no encoder for " << AudioFormatName(c.format);
        EXPECT_EQ(detect(path), c.detected);
        // Named as an MP3, the file is still what it holds.
        const std::filesystem::path renamed = dir.file("renamed-" + name + ".mp3");
        std::filesystem::rename(path, renamed);
        EXPECT_EQ(detect(renamed), c.detected);
    }
}

// An MP4 whose movie box comes after the media data, a FLAC behind an ID3v2 tag, and the
// beginnings of containers with nothing behind them.
TEST(AudioFormatTest, LayoutVariantsAndDamagedHeads) {
    TempDir dir;
    const std::filesystem::path flac =
        test::EncodeAudio(dir.path(), "a.flac", {.format = AudioFormat::Flac, .seconds = 1});
    if (flac.empty())
        GTEST_SKIP() << "flac is not installed";
    const std::string id3 =
        std::string("ID3\x03\x00\x00\x00\x00\x00\x0a", 10) + std::string(10, '\0');
    EXPECT_EQ(detect(dir.write("tagged.flac", id3 + test::readFile(flac))), AudioFormat::Flac);

    const struct {
        const char* name;
        std::string bytes;
    } damaged[] = {
        {"empty", ""},
        {"ogg-head", "OggS"},
        {"ogg-page-without-packet", std::string("OggS\0\x02", 6) + std::string(21, '\0')},
        {"mp4-without-movie", std::string("\0\0\0\x10"
                                          "ftypM4A \0\0\0\0",
                                          16)},
        {"mp4-box-past-end", std::string("\0\0\0\x10"
                                         "ftypM4A \0\0\0\0\x7f\0\0\0moov",
                                         24)},
        {"mp4-empty-box", std::string("\0\0\0\x10"
                                      "ftypM4A \0\0\0\0\0\0\0\x08moov",
                                      24)},
        {"id3-only", id3},
        {"text", "just some words that are not audio"},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(detect(dir.write(std::string(d.name) + ".m4a", d.bytes)), AudioFormat::None);
    }
}

} // namespace
} // namespace tunebay
