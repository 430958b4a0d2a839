// Acoustic fingerprints of every common audio format, made by the distribution's own encoders
// from one generated 20-second recording, against the fingerprinter's own command-line tool.
#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/encoded_audio.h"
#include "support/programs.h"
#include "support/temp_catalogue.h"
#include "tools/audio_fingerprint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace tunebay {
namespace {

using test::CliRunner;
using test::runProgram;
using test::TempDir;

constexpr int kSeconds = 20;

struct Format {
    std::string name;
    std::string file;
    AudioFormat format;
};

const std::vector<Format>& formats() {
    static const std::vector<Format> table = {
        {"FLAC", "a.flac", AudioFormat::Flac},
        {"MP3", "a.mp3", AudioFormat::Mpeg},
        {"Opus", "a.opus", AudioFormat::Opus},
        {"Ogg Vorbis", "a.ogg", AudioFormat::OggVorbis},
        {"AAC in MP4", "a.m4a", AudioFormat::Aac},
        {"ALAC in MP4", "alac.m4a", AudioFormat::Alac},
        {"WAV", "a.wav", AudioFormat::Wav},
        {"AIFF", "a.aiff", AudioFormat::Aiff},
        {"WavPack", "a.wv", AudioFormat::WavPack},
        {"WMA", "a.wma", AudioFormat::Wma},
        // The content decides, not the name.
        {"FLAC named .mp3", "flac-named.mp3", AudioFormat::Flac},
    };
    return table;
}

// The encoded files, made once for all the tests here; `missing` names a program that is not
// installed (the tests are then skipped).
struct Encoded {
    TempDir dir;
    std::string missing;
    std::string failed;
    std::string path(const std::string& file) const { return dir.file(file).string(); }
};

Encoded& encoded() {
    static const std::unique_ptr<Encoded> files = [] {
        auto made = std::make_unique<Encoded>();
        for (const char* program : {"ffmpeg", "fpcalc", "flac", "opusenc", "oggenc", "wavpack"})
            if (made->missing.empty() && !test::onPath(program))
                made->missing = program;
        if (!made->missing.empty())
            return made;
        // The recording and, for telling apart, another one.
        const std::filesystem::path source = made->dir.file("source.wav");
        const std::filesystem::path other = made->dir.file("other.wav");
        if (!test::MakeRecording(source, 1, kSeconds) || !test::MakeRecording(other, 2, kSeconds) ||
            test::EncodeAudio(made->dir.path(), "other.flac",
                              {.format = AudioFormat::Flac, .source = other})
                .empty()) {
            made->failed = "making the recordings";
            return made;
        }
        // The encoders side by side: the test waits for the slowest only.
        std::vector<std::future<std::filesystem::path>> runs;
        for (const Format& format : formats())
            runs.push_back(std::async(std::launch::async, [&made, &format, source] {
                return test::EncodeAudio(made->dir.path(), format.file,
                                         {.format = format.format, .source = source});
            }));
        for (size_t i = 0; i < runs.size(); ++i)
            if (runs[i].get().empty())
                made->failed = "encoding " + formats()[i].name;
        return made;
    }();
    return *files;
}

class FingerprintFormats : public ::testing::Test {
protected:
    void SetUp() override {
        if (!encoded().missing.empty())
            GTEST_SKIP() << encoded().missing << " is not installed";
        ASSERT_TRUE(encoded().failed.empty()) << encoded().failed << " failed";
    }
    CliRunner cli;
};

std::vector<uint32_t> numbers(const std::string& text) {
    std::vector<uint32_t> values;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ','))
        values.push_back(static_cast<uint32_t>(std::stoul(item)));
    return values;
}

// The share of differing bits over the sub-fingerprints both have, aligned at their start.
double bitErrorRate(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    const size_t count = std::min(a.size(), b.size());
    long differing = 0;
    for (size_t i = 0; i < count; ++i)
        differing += std::popcount(a[i] ^ b[i]);
    return count ? static_cast<double>(differing) / (32.0 * static_cast<double>(count)) : 1.0;
}

TEST_F(FingerprintFormats, EveryFormatAgreesWithTheFingerprintersOwnTool) {
    struct Runs {
        test::CliResult ours;
        test::ProgramRun theirs;
    };
    std::vector<std::future<Runs>> runs;
    for (const Format& format : formats()) {
        const std::string path = encoded().path(format.file);
        runs.push_back(std::async(std::launch::async, [this, path] {
            return Runs{cli.run({"fingerprint", path}), runProgram({"fpcalc", "-raw", path})};
        }));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(formats()[i].name);
        const auto [ours, theirs] = runs[i].get();
        ASSERT_EQ(ours.status, 0) << ours.err;
        const size_t tab = ours.out.find('\t');
        ASSERT_NE(tab, std::string::npos) << ours.out;
        const int duration = std::stoi(ours.out.substr(0, tab));
        const std::vector<uint32_t> raw =
            DecodeFingerprint(ours.out.substr(tab + 1, ours.out.size() - tab - 2));
        ASSERT_GT(raw.size(), 100u);

        // The tool prints its result even where it reports a decoding error at the very end.
        std::map<std::string, std::string> fields;
        std::stringstream lines(theirs.out);
        for (std::string line; std::getline(lines, line);)
            if (const size_t equals = line.find('='); equals != std::string::npos)
                fields[line.substr(0, equals)] = line.substr(equals + 1);
        ASSERT_TRUE(fields.count("DURATION") && fields.count("FINGERPRINT")) << theirs.out;
        EXPECT_NEAR(duration, std::stoi(fields["DURATION"]), 1);
        EXPECT_NEAR(duration, kSeconds, 1);
        const std::vector<uint32_t> expected = numbers(fields["FINGERPRINT"]);
        EXPECT_NEAR(static_cast<double>(raw.size()), static_cast<double>(expected.size()), 2);
        EXPECT_LT(bitErrorRate(raw, expected), 0.05);
    }
}

TEST_F(FingerprintFormats, AcousticDuplicatesPairTheFlacWithItsTranscodes) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    const std::string folder = encoded().dir.path().string() + "/";
    // Media types as the import stores them: FLAC 2, MPEG 1, Opus 4, FLAC 2.
    std::map<std::string, int> items;
    for (const auto& [file, mediaType] : std::vector<std::pair<std::string, int>>{
             {"a.flac", 2}, {"a.mp3", 1}, {"a.opus", 4}, {"other.flac", 2}}) {
        const auto added = builder.add({.directory = folder, .fileName = file});
        catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=" + std::to_string(mediaType) +
                                     " WHERE lID=" + std::to_string(added.mediaId));
        items[file] = added.itemId;
    }

    const auto result =
        cli.run({"duplicates", catalogue.path().string(), "--acoustic", "--threshold", "0.9"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::set<std::set<int>> pairs;
    std::stringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::stringstream fields(line);
        std::string similarity, first, firstPath, second;
        std::getline(fields, similarity, '\t');
        std::getline(fields, first, '\t');
        std::getline(fields, firstPath, '\t');
        std::getline(fields, second, '\t');
        EXPECT_GE(std::stod(similarity), 0.9) << line;
        pairs.insert({std::stoi(first), std::stoi(second)});
    }
    const std::set<std::set<int>> expected = {{items["a.flac"], items["a.mp3"]},
                                              {items["a.flac"], items["a.opus"]},
                                              {items["a.mp3"], items["a.opus"]}};
    EXPECT_EQ(pairs, expected) << result.out;
    // Each fingerprint was made once and kept.
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4119"), "4");
}

} // namespace
} // namespace tunebay
