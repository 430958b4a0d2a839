#include "import/mpeg_header_reader.h"

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

using test::FrameHeader;
using test::headerBytes;
using test::TempDir;

// `size` bytes of zeros with `bytes` written at `position`.
std::string zerosWith(size_t size, size_t position, const std::string& bytes) {
    std::string out(size, '\0');
    out.replace(position, bytes.size(), bytes);
    return out;
}

std::string withId3v1Marker(std::string bytes) {
    bytes.replace(bytes.size() - 128, 3, "TAG");
    return bytes;
}

class MpegHeaderReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& bytes, const std::string& name = "a.mp3") {
        return m_dir.write(name, bytes).string();
    }
    TempDir m_dir;
};

TEST_F(MpegHeaderReaderTest, ConstantBitrateFileOfOneMillionBytes) {
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(zerosWith(1000000, 0, headerBytes({})))),
              MpegHeaderReader::kOpened);
    EXPECT_EQ(reader.Bitrate(), 128);
    EXPECT_EQ(reader.SampleRate(), 44100);
    EXPECT_EQ(reader.Length(), 62);
    EXPECT_EQ(reader.FrameCount(), 2392);
    EXPECT_EQ(reader.ChannelMode(), "Stereo");
    EXPECT_EQ(reader.vbr(), 0);
    EXPECT_EQ(reader.xingFrames(), -1);
    EXPECT_EQ(reader.hasId3v1(), 0);
    EXPECT_EQ(reader.fileSize(), 1000000);
    EXPECT_EQ(reader.audioSize(), 1000000);
    EXPECT_EQ(reader.headerPosition(), 0);
    EXPECT_EQ(reader.header(), 0xFFFB9000u);
}

TEST_F(MpegHeaderReaderTest, Id3v1MarkerTakes128BytesFromTheAudio) {
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(withId3v1Marker(zerosWith(1000000, 0, headerBytes({}))))), 0);
    EXPECT_EQ(reader.hasId3v1(), 1);
    EXPECT_EQ(reader.audioSize(), 999872);
    EXPECT_EQ(reader.Length(), 62);
}

TEST_F(MpegHeaderReaderTest, ChannelModeNames) {
    const char* names[] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
    for (int mode = 0; mode < 4; ++mode) {
        FrameHeader header;
        header.channelMode = mode;
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(zerosWith(5000, 0, headerBytes(header)))), 0);
        EXPECT_EQ(reader.ChannelMode(), names[mode]);
    }
}

TEST_F(MpegHeaderReaderTest, ScanAcceptsPosition204800AndNotBeyond) {
    const std::string header = test::audioFrames({}, 3);
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(zerosWith(300000, 204800, header))), 0);
    EXPECT_EQ(reader.headerPosition(), 204800);
    EXPECT_EQ(reader.audioSize(), 300000 - 204800);

    EXPECT_EQ(reader.Open(write(zerosWith(300000, 204801, header))),
              MpegHeaderReader::kNoFrameHeader);
}

TEST_F(MpegHeaderReaderTest, HeaderAcrossReadBlockBoundaries) {
    for (size_t position : {65533u, 65534u, 65535u, 65536u, 131071u}) {
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(zerosWith(200000, position, test::audioFrames({}, 3)))), 0)
            << position;
        EXPECT_EQ(reader.headerPosition(), static_cast<int64_t>(position));
    }
}

TEST_F(MpegHeaderReaderTest, LeadingId3v2TagIsSkippedAndTheLimitCountsFromItsEnd) {
    // The padding holds a false sync that a scan from the start would take.
    std::string tag = test::id3v2Tag(3, {test::id3v2TextFrame(3, "TIT2", "Title")}, 300000);
    tag.replace(1000, 4, headerBytes({}));
    const size_t tagEnd = tag.size();

    MpegHeaderReader reader;
    const std::string stream = test::audioFrames({}, 3);
    ASSERT_EQ(reader.Open(write(tag + zerosWith(250000, 204800, stream))), 0);
    EXPECT_EQ(reader.headerPosition(), static_cast<int64_t>(tagEnd + 204800));
    EXPECT_EQ(reader.audioSize(), 250000 - 204800);

    EXPECT_EQ(reader.Open(write(tag + zerosWith(250000, 204801, stream))),
              MpegHeaderReader::kNoFrameHeader);
}

TEST_F(MpegHeaderReaderTest, SecondLeadingTagAndFooterAreSkippedToo) {
    std::string tag4 = test::id3v2Tag(4, {test::id3v2TextFrame(4, "TIT2", "T")}, 10);
    tag4[5] = 0x10; // footer present
    tag4 += "3DI" + tag4.substr(3, 7);
    const std::string tag3 = test::id3v2Tag(3, {test::id3v2TextFrame(3, "TIT2", "T")}, 10);
    // A false sync right behind the first tag would be found if the second were not skipped.
    std::string second = tag3;
    second.replace(second.size() - 4, 4, headerBytes({}));
    const std::string bytes = tag4 + second + headerBytes({}) + std::string(1000, '\0');

    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(bytes)), 0);
    EXPECT_EQ(reader.headerPosition(), static_cast<int64_t>(tag4.size() + second.size()));
}

TEST_F(MpegHeaderReaderTest, TagSizeRunningPastTheEndIsNoTag) {
    // The size field claims more than the file holds: the scan starts at byte 0 and finds the
    // frame that follows the real tag.
    std::string tag = test::id3v2Tag(3, {test::id3v2TextFrame(3, "TIT2", "T")}, 100);
    const std::string real = tag;
    tag[6] = 0x7F;
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(tag + test::audioFrames({}, 5))), MpegHeaderReader::kOpened);
    EXPECT_EQ(reader.headerPosition(), static_cast<int64_t>(real.size()));
}

// A malformed tag header is scanned as data; a lone sync inside it is not taken for audio, the
// stream behind it is.
TEST_F(MpegHeaderReaderTest, MalformedTagHeaderIsScannedAsData) {
    std::string tag = test::id3v2Tag(3, {test::id3v2TextFrame(3, "TIT2", "T")}, 100);
    tag[8] = static_cast<char>(0x80); // not a synchsafe size
    tag.replace(40, 4, headerBytes({}));
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(tag + test::audioFrames({}, 3))), 0);
    EXPECT_EQ(reader.headerPosition(), static_cast<int64_t>(tag.size()));
}

// Away from where the audio must begin, a sync counts only with two more frames of the same
// stream behind it: other formats named like MP3 files hold chance syncs.
TEST_F(MpegHeaderReaderTest, ASyncInOtherDataNeedsThreeFramesInARow) {
    FrameHeader other;
    other.sampleRateIndex = 1;
    const std::string lone = std::string("fLaC", 4) + std::string(996, 'x') + headerBytes({});
    MpegHeaderReader reader;
    EXPECT_EQ(reader.Open(write(lone + std::string(5000, 'x'))), MpegHeaderReader::kNoFrameHeader);
    EXPECT_EQ(reader.Open(write(lone.substr(0, 1000) + test::audioFrames({}, 2) +
                                test::audioFrames(other, 2) + std::string(5000, 'x'))),
              MpegHeaderReader::kNoFrameHeader);
    ASSERT_EQ(reader.Open(write(lone.substr(0, 1000) + test::audioFrames({}, 3))), 0);
    EXPECT_EQ(reader.headerPosition(), 1000);
}

TEST_F(MpegHeaderReaderTest, SampleRatesByVersion) {
    struct Case {
        int version;
        int index;
        int32_t rate;
    };
    const Case cases[] = {{3, 0, 44100}, {3, 1, 48000}, {3, 2, 32000}, {2, 0, 22050}, {2, 1, 24000},
                          {2, 2, 16000}, {0, 0, 32000}, {0, 1, 16000}, {0, 2, 8000}};
    for (const Case& c : cases) {
        FrameHeader header;
        header.version = c.version;
        header.sampleRateIndex = c.index;
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(zerosWith(5000, 0, headerBytes(header)))), 0);
        EXPECT_EQ(reader.SampleRate(), c.rate) << c.version << "/" << c.index;
    }
}

TEST_F(MpegHeaderReaderTest, TableBitratesByVersionAndLayer) {
    struct Case {
        int version;
        int layer;
        int index;
        int32_t bitrate;
    };
    const Case cases[] = {
        {3, 3, 1, 32},   {3, 3, 14, 448}, {3, 2, 1, 32},   {3, 2, 14, 384}, {3, 1, 1, 32},
        {3, 1, 14, 320}, {2, 3, 1, 32},   {2, 3, 14, 256}, {2, 2, 1, 8},    {2, 2, 14, 160},
        {2, 1, 1, 8},    {2, 1, 9, 80},   {0, 1, 14, 160}, {0, 3, 9, 144},
    };
    for (const Case& c : cases) {
        FrameHeader header;
        header.version = c.version;
        header.layer = c.layer;
        header.bitrateIndex = c.index;
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(zerosWith(5000, 0, headerBytes(header)))), 0);
        EXPECT_EQ(reader.Bitrate(), c.bitrate) << c.version << "/" << c.layer << "/" << c.index;
    }
}

TEST_F(MpegHeaderReaderTest, FrameCountUsesCoefficient12ForLayerIAnd144Otherwise) {
    FrameHeader layer1;
    layer1.layer = 3;
    layer1.bitrateIndex = 4; // 128 kbit/s
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(zerosWith(1000000, 0, headerBytes(layer1)))), 0);
    EXPECT_EQ(reader.FrameCount(), 28710); // 1e6 / (128000 / 44100 * 12)

    FrameHeader mpeg2Layer3;
    mpeg2Layer3.version = 2;
    mpeg2Layer3.bitrateIndex = 8; // 64 kbit/s at 22050 Hz
    ASSERT_EQ(reader.Open(write(zerosWith(1000000, 0, headerBytes(mpeg2Layer3)))), 0);
    EXPECT_EQ(reader.FrameCount(), 2392); // 144, not 72
    EXPECT_EQ(reader.Length(), 125);
}

TEST_F(MpegHeaderReaderTest, ValidityTest) {
    const uint32_t valid = test::headerWord({});
    EXPECT_TRUE(MpegHeaderReader::isValidHeader(valid));
    EXPECT_FALSE(MpegHeaderReader::isValidHeader(valid & ~(1u << 21))); // sync bit
    const auto with = [](auto change) {
        FrameHeader header;
        change(header);
        return MpegHeaderReader::isValidHeader(test::headerWord(header));
    };
    EXPECT_FALSE(with([](FrameHeader& h) { h.version = 1; }));
    EXPECT_FALSE(with([](FrameHeader& h) { h.layer = 0; }));
    EXPECT_FALSE(with([](FrameHeader& h) { h.bitrateIndex = 0; }));
    EXPECT_FALSE(with([](FrameHeader& h) { h.bitrateIndex = 15; }));
    EXPECT_FALSE(with([](FrameHeader& h) { h.sampleRateIndex = 3; }));
    EXPECT_FALSE(with([](FrameHeader& h) { h.emphasis = 2; }));
    EXPECT_TRUE(with([](FrameHeader& h) { h.emphasis = 1; }));
    EXPECT_TRUE(with([](FrameHeader& h) { h.emphasis = 3; }));
    EXPECT_TRUE(with([](FrameHeader& h) { h.version = 0; }));
}

TEST_F(MpegHeaderReaderTest, InvalidWordsAreSkipped) {
    FrameHeader reserved;
    reserved.emphasis = 2;
    std::string bytes = zerosWith(5000, 0, headerBytes(reserved));
    bytes.replace(1000, 1251, test::audioFrames({}, 3));
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(bytes)), 0);
    EXPECT_EQ(reader.headerPosition(), 1000);
}

TEST_F(MpegHeaderReaderTest, XingHeaderGivesTheAverageBitrate) {
    test::Mp3Recipe recipe;
    recipe.frameCount = 100;
    recipe.vbr = true;
    const std::string bytes = test::makeMp3(recipe); // 100 frames of 417 bytes
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(bytes)), 0);
    EXPECT_EQ(reader.vbr(), 1);
    EXPECT_EQ(reader.xingFrames(), 100);
    EXPECT_EQ(reader.FrameCount(), 100);
    EXPECT_EQ(reader.audioSize(), 41700);
    EXPECT_EQ(reader.Bitrate(), 127); // 44100 * 417 / 144000
    EXPECT_EQ(reader.Length(), 2);    // 333 / 127
}

TEST_F(MpegHeaderReaderTest, XingHeaderIsLookedForBehindTheSideInformation) {
    struct Case {
        int version;
        int channelMode;
        int offset;
    };
    const Case cases[] = {{3, 0, 36}, {3, 1, 36}, {3, 3, 21}, {2, 0, 21},
                          {2, 3, 13}, {0, 2, 21}, {0, 3, 13}};
    for (const Case& c : cases) {
        FrameHeader header;
        header.version = c.version;
        header.channelMode = c.channelMode;
        header.bitrateIndex = 8;
        ASSERT_EQ(test::xingOffset(header), c.offset);
        MpegHeaderReader reader;
        std::string bytes = zerosWith(5000, 0, headerBytes(header));
        bytes.replace(static_cast<size_t>(c.offset), 12, std::string("Xing\0\0\0\1\0\0\0\7", 12));
        ASSERT_EQ(reader.Open(write(bytes)), 0);
        EXPECT_EQ(reader.vbr(), 1) << c.version << "/" << c.channelMode;
        EXPECT_EQ(reader.xingFrames(), 7);

        // One byte off is not a Xing header.
        bytes = zerosWith(5000, 0, headerBytes(header));
        bytes.replace(static_cast<size_t>(c.offset + 1), 12,
                      std::string("Xing\0\0\0\1\0\0\0\7", 12));
        ASSERT_EQ(reader.Open(write(bytes)), 0);
        EXPECT_EQ(reader.vbr(), 0);
        EXPECT_EQ(reader.xingFrames(), -1);
    }
}

TEST_F(MpegHeaderReaderTest, InfoHeaderIsNotRecognised) {
    std::string bytes = test::xingFrame({}, 50) + test::audioFrames({}, 49);
    bytes.replace(36, 4, "Info");
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(bytes)), 0);
    EXPECT_EQ(reader.vbr(), 0);
    EXPECT_EQ(reader.Bitrate(), 128);
}

// Without a usable Xing frame count the first frame's table bitrate stands in.
TEST_F(MpegHeaderReaderTest, XingWithoutFrameCountFallsBackToTheTableBitrate) {
    const std::string audio = test::audioFrames({}, 2391);
    for (const std::string& xing : {test::xingFrame({}, std::nullopt, 1000000u),
                                    test::xingFrame({}, 0u), test::xingFrame({}, 0xFFFFFFFFu)}) {
        const std::string bytes = xing + audio + std::string(1000000 - 417 * 2392, '\0');
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(bytes)), 0);
        EXPECT_EQ(reader.vbr(), 1);
        EXPECT_LE(reader.xingFrames(), 0);
        EXPECT_EQ(reader.Bitrate(), 128);
        EXPECT_EQ(reader.FrameCount(), 2392);
        EXPECT_EQ(reader.Length(), 62);
    }
}

TEST_F(MpegHeaderReaderTest, XingFrameCountTooLargeForTheAudio) {
    const std::string bytes = test::xingFrame({}, 0x7FFFFFFFu) + test::audioFrames({}, 10);
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(write(bytes)), 0);
    EXPECT_EQ(reader.FrameCount(), 0x7FFFFFFF);
    EXPECT_EQ(reader.Bitrate(), 128);
    EXPECT_EQ(reader.Length(), (11 * 417 * 8 / 1000) / 128);
}

TEST_F(MpegHeaderReaderTest, HeaderInsideTheClosingTagIsNoAudio) {
    std::string bytes = withId3v1Marker(std::string(200, '\0'));
    bytes.replace(150, 4, headerBytes({}));
    MpegHeaderReader reader;
    EXPECT_EQ(reader.Open(write(bytes)), MpegHeaderReader::kNoFrameHeader);
}

TEST_F(MpegHeaderReaderTest, ShortAndEmptyFiles) {
    MpegHeaderReader reader;
    EXPECT_EQ(reader.Open(write("")), MpegHeaderReader::kNoFrameHeader);
    EXPECT_EQ(reader.Open(write(headerBytes({}).substr(0, 3))), MpegHeaderReader::kNoFrameHeader);
    ASSERT_EQ(reader.Open(write(headerBytes({}))), MpegHeaderReader::kOpened);
    EXPECT_EQ(reader.audioSize(), 4);
    EXPECT_EQ(reader.vbr(), 0);
    EXPECT_EQ(reader.hasId3v1(), 0);
    EXPECT_EQ(reader.Length(), 0);
}

TEST_F(MpegHeaderReaderTest, FilesThatCannotBeOpened) {
    MpegHeaderReader reader;
    EXPECT_EQ(reader.Open((m_dir.path() / "missing.mp3").string()), MpegHeaderReader::kCannotOpen);
    EXPECT_EQ(reader.Open(m_dir.path().string()), MpegHeaderReader::kCannotOpen);
}

TEST_F(MpegHeaderReaderTest, AudioSizesBeyondFourGibibytes) {
    const auto path = m_dir.write("big.mp3", headerBytes({}));
    const int64_t size = int64_t{5} << 30;
    std::error_code error;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size), error); // sparse
    if (error)
        GTEST_SKIP() << "cannot make a sparse file: " << error.message();
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(path.string()), 0);
    EXPECT_EQ(reader.audioSize(), size);
    EXPECT_EQ(reader.Length(), static_cast<int32_t>(size * 8 / 1000 / 128));
    EXPECT_EQ(reader.FrameCount(), static_cast<int64_t>(size / (128000.0 / 44100 * 144)));
}

// The frame a VBRI header stands in: 32 bytes behind the frame header, then version, delay,
// quality, byte count and frame count.
std::string vbriFrame(uint32_t frames) {
    std::string out = headerBytes({});
    out.resize(36, '\0');
    out += "VBRI";
    out += std::string("\x00\x01\x00\x00\x00\x4B", 6);
    for (const uint32_t value : {uint32_t{41700}, frames})
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((value >> shift) & 0xFF);
    out.resize(static_cast<size_t>(test::frameLength({})), '\0');
    return out;
}

TEST_F(MpegHeaderReaderTest, VbriHeaderCountsLikeXing) {
    MpegHeaderReader xing;
    ASSERT_EQ(xing.Open(write(test::xingFrame({}, 100) + test::audioFrames({}, 99))), 0);
    MpegHeaderReader vbri;
    ASSERT_EQ(vbri.Open(write(vbriFrame(100) + test::audioFrames({}, 99))), 0);
    EXPECT_EQ(vbri.vbr(), 1);
    EXPECT_EQ(vbri.xingFrames(), 100);
    EXPECT_EQ(vbri.countedFrames(), 0);
    EXPECT_EQ(vbri.FrameCount(), xing.FrameCount());
    EXPECT_EQ(vbri.Bitrate(), xing.Bitrate());
    EXPECT_EQ(vbri.Length(), xing.Length());
}

struct CountCase {
    const char* name;
    std::string bytes;
    int64_t counted; // 0: not counted
    int32_t length;
    int32_t bitrate;
};

TEST_F(MpegHeaderReaderTest, FramesAreCountedOnlyWhenSampledBitratesDiffer) {
    FrameHeader low;
    low.bitrateIndex = 5; // 64 kbit/s, 208 bytes a frame
    const std::string first = test::audioFrames({}, 1);
    // 3000 frames of 1152 samples at 44100 Hz play 78.367 s; the first frame alone would make
    // the 624,209 bytes 39 s.
    const CountCase cases[] = {
        {"variable rate", first + test::audioFrames(low, 2999), 3000, 78, 63},
        {"rubbish between frames",
         first + test::audioFrames(low, 1499) + std::string(1000, 'x') +
             test::audioFrames(low, 1500),
         3000, 78, 63},
        {"constant rate", test::audioFrames({}, 3000), 0, 3000 * 417 * 8 / 1000 / 128, 128},
        {"first frame only", first + std::string(600000, '\0'), 0, 600417 * 8 / 1000 / 128, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MpegHeaderReader reader;
        ASSERT_EQ(reader.Open(write(c.bytes)), 0);
        EXPECT_EQ(reader.countedFrames(), c.counted);
        EXPECT_EQ(reader.vbr(), c.counted ? 1 : 0);
        EXPECT_EQ(reader.Length(), c.length);
        EXPECT_EQ(reader.Bitrate(), c.bitrate);
    }
}

// A real encoder's variable-rate stream without a VBR header: a quiet half, then a noisy one.
TEST_F(MpegHeaderReaderTest, EncodedVariableRateFileHasItsPlayingLength) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::string path = (m_dir.path() / "vbr.mp3").string();
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=f=440:d=35 -f lavfi -i "
        "anoisesrc=d=35:a=0.5 -filter_complex '[0][1]concat=n=2:v=0:a=1' -c:a libmp3lame -q:a 4 "
        "-write_xing 0 '" +
        path + "'";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "ffmpeg cannot encode MP3";
    MediaFileInfo info;
    ASSERT_GT(ReadAudioFacts(path, info), 0);
    EXPECT_GE(info.length, 69);
    EXPECT_LE(info.length, 70);
    EXPECT_EQ(info.vbr, 1);
}

TEST_F(MpegHeaderReaderTest, ReadAudioFactsFillsTheRecord) {
    FrameHeader header;
    header.channelMode = 1;
    MediaFileInfo info;
    const std::string path = write(withId3v1Marker(zerosWith(1000000, 0, headerBytes(header))));
    EXPECT_EQ(ReadAudioFacts(path, info), 1000000);
    EXPECT_EQ(info.bitrate, 128);
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.length, 62);
    EXPECT_EQ(info.vbr, 0);
    EXPECT_EQ(info.audioSize, 999872);
    EXPECT_EQ(info.channelMode, "Joint Stereo");
}

TEST_F(MpegHeaderReaderTest, ReadAudioFactsLeavesTheRecordAloneOnFailure) {
    MediaFileInfo info;
    info.bitrate = 7;
    info.channelMode = "x";
    EXPECT_EQ(ReadAudioFacts(write(std::string(1000, 'x')), info), 0);
    EXPECT_EQ(ReadAudioFacts((m_dir.path() / "missing").string(), info), 0);
    EXPECT_EQ(info.bitrate, 7);
    EXPECT_EQ(info.channelMode, "x");
    EXPECT_EQ(info.length, 0);
}

} // namespace
} // namespace tunebay
