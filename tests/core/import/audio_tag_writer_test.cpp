#include "import/audio_tag_writer.h"

#include "support/encoded_audio.h"
#include "support/mutagen_tags.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace tunebay {
namespace {

using test::TempDir;

// The formats with a writer, and the key their genre is read back under.
constexpr AudioFormat kWritable[] = {
    AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus,
    AudioFormat::Aac,  AudioFormat::Alac,      AudioFormat::Wav,
    AudioFormat::Aiff, AudioFormat::WavPack,   AudioFormat::Wma,
};

const ItemTagFields kFields{"Title \u00e9", "Group \u2603",   "Package",
                            "2001",         "Comment \u20ac", 17};
const std::string kGenreName = "Rock";

const std::vector<std::pair<std::string, std::string>> kSourceTags = {
    {"title", "Old Title"}, {"artist", "Old Artist"}, {"album", "Old Album"},
    {"date", "1990"},       {"genre", "Jazz"},        {"comment", "Old comment"},
};

// What a write must keep, by mutagen's names.
constexpr const char* kKeptFields[] = {"albumartist", "replaygain", "musicbrainz",
                                       "track",       "tracktotal", "pictures"};

class AudioTagWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveMutagen())
            GTEST_SKIP() << "python3 with mutagen is missing";
    }
    // A file of `format` with the source tags and, prepared by mutagen, the fields a write keeps.
    std::filesystem::path prepared(AudioFormat format, const std::string& name = "a") {
        const test::AudioRecipe recipe{format, 2, 44100, 2, 16, kSourceTags};
        const std::filesystem::path path =
            test::EncodeAudio(m_dir.path(), name + test::AudioFormatExtension(format), recipe);
        if (!path.empty()) {
            EXPECT_TRUE(test::MutagenPrepare(path));
        }
        return path;
    }
    TempDir m_dir;
};

// Each format's native tag takes the catalogue's fields (the genre by name; mutagen reads ID3's
// "(17)" as the name too), as mutagen reads them; every other field and the cover stay, and the
// decoded audio is the same.
TEST_F(AudioTagWriterTest, WritesTheNativeTagAndKeepsEverythingElse) {
    for (const AudioFormat format : kWritable) {
        SCOPED_TRACE(std::string(AudioFormatName(format)));
        const std::filesystem::path path = prepared(format);
        if (path.empty())
            GTEST_SKIP() << "encoder missing";
        const auto before = test::MutagenRead(path);
        ASSERT_EQ(before.at("pictures"), "1");
        const std::string md5 = test::DecodedAudioMd5(path);
        ASSERT_FALSE(md5.empty());

        const RewriteResult result = WriteAudioTagToFile(path, format, kFields, kGenreName);
        ASSERT_TRUE(result.ok) << result.reason;
        const auto after = test::MutagenRead(path);
        std::vector<std::string> prefixes = {""};
        if (format == AudioFormat::Wav)
            prefixes.push_back("info.");
        for (const std::string& prefix : prefixes) {
            SCOPED_TRACE(prefix);
            EXPECT_EQ(after.count(prefix + "title") ? after.at(prefix + "title") : "",
                      kFields.title);
            EXPECT_EQ(after.count(prefix + "artist") ? after.at(prefix + "artist") : "",
                      kFields.group);
            EXPECT_EQ(after.count(prefix + "album") ? after.at(prefix + "album") : "",
                      kFields.package);
            EXPECT_EQ(after.count(prefix + "date") ? after.at(prefix + "date") : "", "2001");
            EXPECT_EQ(after.count(prefix + "genre") ? after.at(prefix + "genre") : "", "Rock");
            EXPECT_EQ(after.count(prefix + "comment") ? after.at(prefix + "comment") : "",
                      kFields.comment);
        }
        for (const char* kept : kKeptFields)
            EXPECT_EQ(after.count(kept) ? after.at(kept) : "<none>",
                      before.count(kept) ? before.at(kept) : "<none>")
                << kept;
        EXPECT_EQ(test::DecodedAudioMd5(path), md5);

        // Empty texts leave their fields; the package "Unknown" removes the album.
        const ItemTagFields unknown{"", "", "Unknown", "", "", kNoGenre};
        ASSERT_TRUE(WriteAudioTagToFile(path, format, unknown, "").ok);
        const auto last = test::MutagenRead(path);
        EXPECT_EQ(last.count("album"), 0u);
        EXPECT_EQ(last.at("title"), kFields.title);
        EXPECT_EQ(last.at("genre"), "Rock");
        EXPECT_EQ(last.at("pictures"), "1");
    }
}

// "Delete all" leaves no field and no picture, and the same audio.
TEST_F(AudioTagWriterTest, RemovingTheTagsLeavesOnlyTheAudio) {
    for (const AudioFormat format : kWritable) {
        SCOPED_TRACE(std::string(AudioFormatName(format)));
        const std::filesystem::path path = prepared(format);
        if (path.empty())
            GTEST_SKIP() << "encoder missing";
        const std::string md5 = test::DecodedAudioMd5(path);
        const RewriteResult result = RemoveAudioTags(path, format);
        ASSERT_TRUE(result.ok) << result.reason;
        auto after = test::MutagenRead(path);
        EXPECT_EQ(after.at("pictures"), "0");
        after.erase("pictures");
        EXPECT_TRUE(after.empty()) << after.begin()->first << "=" << after.begin()->second;
        EXPECT_EQ(test::DecodedAudioMd5(path), md5);
    }
}

// Mounts a small tmpfs for the full-disk case; false where this process may not.
bool mountTmpfs(const std::filesystem::path& at, const char* options) {
    return ::mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0;
}

// Whatever keeps a write from happening leaves the file byte for byte as it was, and says why.
TEST_F(AudioTagWriterTest, RefusedWritesLeaveTheFileAsItWas) {
    const std::filesystem::path flac = prepared(AudioFormat::Flac);
    if (flac.empty())
        GTEST_SKIP() << "encoder missing";
    const std::string bytes = test::readFile(flac);
    struct Case {
        std::string name;
        std::string contents;
        AudioFormat format;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"cut in its metadata.flac", bytes.substr(0, 200), AudioFormat::Flac,
         "the audio data cannot be found"},
        {"damaged marker.flac", "fLaX" + bytes.substr(4), AudioFormat::Flac, "not FLAC"},
        {"flac named as wav.wav", bytes, AudioFormat::Wav, "not WAV"},
        {"hand made.ape", "MAC " + std::string(2000, '\x11'), AudioFormat::MonkeysAudio,
         kReasonReadOnlyFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = m_dir.write(c.name, c.contents);
        for (const bool remove : {false, true}) {
            const RewriteResult result =
                remove ? RemoveAudioTags(path, c.format)
                       : WriteAudioTagToFile(path, c.format, kFields, kGenreName);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.reason, c.reason);
            EXPECT_EQ(test::readFile(path), c.contents);
        }
    }

    const auto fifo = m_dir.file("pipe.flac");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteAudioTagToFile(fifo, AudioFormat::Flac, kFields, kGenreName).ok);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // A read-only file of another user, written by that user.
    const std::filesystem::path readOnly = m_dir.path() / "read-only";
    std::filesystem::create_directory(readOnly);
    const auto locked = readOnly / "a.flac";
    std::filesystem::copy_file(flac, locked);
    const uid_t nobody = 65534;
    if (::geteuid() == 0) {
        ::chmod(m_dir.path().c_str(), 0711);
        ASSERT_EQ(::chown(readOnly.c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(locked.c_str(), nobody, nobody), 0);
    }
    ::chmod(locked.c_str(), 0444);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(3);
        const RewriteResult result =
            WriteAudioTagToFile(locked, AudioFormat::Flac, kFields, kGenreName);
        ::_exit(result.ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(test::readFile(locked), bytes);

    // A full file system: the copy does not fit beside the original.
    const std::filesystem::path small = m_dir.path() / "small";
    std::filesystem::create_directory(small);
    const std::string size = "size=" + std::to_string(bytes.size() + bytes.size() / 2);
    if (!mountTmpfs(small, size.c_str()))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::unique_ptr<const std::filesystem::path, void (*)(const std::filesystem::path*)>
        unmount(&small,
                [](const std::filesystem::path* at) { ::umount2(at->c_str(), MNT_DETACH); });
    const auto full = small / "a.flac";
    std::filesystem::copy_file(flac, full);
    const RewriteResult result = WriteAudioTagToFile(full, AudioFormat::Flac, kFields, kGenreName);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(test::readFile(full), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace tunebay
