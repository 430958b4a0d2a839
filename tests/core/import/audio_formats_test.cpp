#include "import/container_audio_reader.h"
#include "import/import_operations.h"
#include "import/media_importer.h"
#include "store/item_query.h"
#include "store/optional_values.h"
#include "support/encoded_audio.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace tunebay {
namespace {

using test::FixedClock;

namespace fs = std::filesystem;
using test::AudioRecipe;

std::string commandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

// The catalogue fields of a file's tag as mutagen reads them: title, group, package, year,
// comment, genre, one per line; nothing when mutagen finds no tag it knows.
constexpr const char* kMutagenFields = R"(
import sys, mutagen
f = mutagen.File(sys.argv[1])
t = f.tags if f is not None else None
if t is None:
    sys.exit(0)
kind = type(t).__name__
def text(v):
    if isinstance(v, list):
        v = v[0] if v else ''
    v = getattr(v, 'value', v)
    if hasattr(v, 'text'):
        v = v.text[0] if v.text else ''
    return str(v)
def first(*keys):
    for k in keys:
        if k in t:
            s = text(t[k])
            if s:
                return s
    return ''
if 'ID3' in kind:
    comments = [c.text[0] for c in t.getall('COMM') if c.text]
    row = [first('TIT2'), first('TPE1', 'TPE2', 'TPE3', 'TCOM'), first('TALB'),
           first('TDRC', 'TYER'), comments[0] if comments else '', first('TCON')]
elif kind == 'MP4Tags':
    row = [first('\xa9nam'), first('\xa9ART', 'aART', '\xa9wrt'), first('\xa9alb'),
           first('\xa9day'), first('\xa9cmt'), first('\xa9gen')]
elif kind == 'APEv2':
    row = [first('Title'), first('Artist', 'Album Artist', 'Performer', 'Composer'),
           first('Album'), first('Year'), first('Comment'), first('Genre')]
elif kind == 'ASFTags':
    row = [first('Title'), first('Author', 'WM/AlbumArtist', 'WM/Composer'),
           first('WM/AlbumTitle'), first('WM/Year', 'date'), first('Description'),
           first('WM/Genre')]
else:
    row = [first('title'), first('artist', 'albumartist', 'album artist', 'performer', 'composer'),
           first('album'), first('date', 'year'), first('comment', 'description'), first('genre')]
print('\n'.join(row))
)";

std::optional<std::vector<std::string>> mutagenFields(const fs::path& file) {
    const std::string output =
        commandOutput("/usr/bin/python3 -c " + test::ShellQuoted(kMutagenFields) + " " +
                      test::ShellQuoted(file.string()) + " 2>/dev/null");
    if (output.empty())
        return std::nullopt;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find('\n', start);
        lines.push_back(output.substr(start, end - start));
        start = end == std::string::npos ? output.size() : end + 1;
    }
    lines.resize(6);
    return lines;
}

void putLittleEndian(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A Monkey's Audio file as version 3.99 encoders lay it out (descriptor, header, seek table,
// frame data) holding `seconds` of audio; no encoder for it is packaged, and the readers look
// only at the headers. Tagged with an APEv2 tag through mutagen when tags are given.
fs::path writeMonkeysAudio(const fs::path& path, int seconds, int sampleRate, int channels,
                           int bitsPerSample, const std::map<std::string, std::string>& tags) {
    constexpr uint32_t kBlocksPerFrame = 73728;
    const uint32_t samples = static_cast<uint32_t>(seconds * sampleRate);
    const uint32_t frames = (samples + kBlocksPerFrame - 1) / kBlocksPerFrame;
    const uint32_t finalBlocks = samples - (frames - 1) * kBlocksPerFrame;
    const std::string frameData(20000 * frames, '\x5a');
    std::string bytes = "MAC ";
    putLittleEndian(bytes, 3990, 2);
    putLittleEndian(bytes, 0, 2);
    for (const uint32_t field :
         {52u, 24u, 4 * frames, 0u, static_cast<uint32_t>(frameData.size()), 0u, 0u})
        putLittleEndian(bytes, field, 4);
    bytes += std::string(16, '\0');  // MD5 of the stream
    putLittleEndian(bytes, 2000, 2); // compression level
    putLittleEndian(bytes, 0, 2);
    putLittleEndian(bytes, kBlocksPerFrame, 4);
    putLittleEndian(bytes, finalBlocks, 4);
    putLittleEndian(bytes, frames, 4);
    putLittleEndian(bytes, static_cast<uint32_t>(bitsPerSample), 2);
    putLittleEndian(bytes, static_cast<uint32_t>(channels), 2);
    putLittleEndian(bytes, static_cast<uint32_t>(sampleRate), 4);
    for (uint32_t i = 0; i < frames; ++i)
        putLittleEndian(bytes, static_cast<uint32_t>(bytes.size() + 4 * frames + i * 20000), 4);
    bytes += frameData;
    const auto dir = path.parent_path();
    test::TempDir scratch;
    fs::copy_file(scratch.write("x", bytes), path);
    if (!tags.empty()) {
        // Keys and values follow the path as arguments, in pairs.
        const std::string script = "import sys\nfrom mutagen.apev2 import APEv2\nt = APEv2()\n"
                                   "a = sys.argv[2:]\nfor i in range(0, len(a), 2):\n"
                                   "    t[a[i]] = a[i + 1]\nt.save(sys.argv[1])\n";
        std::string command = "/usr/bin/python3 -c " + test::ShellQuoted(script) + " " +
                              test::ShellQuoted(path.string());
        for (const auto& [key, value] : tags)
            command += " " + test::ShellQuoted(key) + " " + test::ShellQuoted(value);
        commandOutput(command);
    }
    return path;
}

// One file of each format, encoded once for the whole suite: the files are only read.
struct Encoded {
    AudioRecipe recipe;
    int expectedRate = 0; // Opus is always decoded at 48 kHz
    fs::path path;
};

bool isLossless(AudioFormat format) {
    switch (format) {
    case AudioFormat::Flac:
    case AudioFormat::Alac:
    case AudioFormat::Wav:
    case AudioFormat::Aiff:
    case AudioFormat::WavPack:
    case AudioFormat::MonkeysAudio:
        return true;
    default:
        return false;
    }
}

const std::vector<std::pair<std::string, std::string>> kTags = {{"title", "Wanderer's Song"},
                                                                {"artist", "Ærø Quartet"},
                                                                {"album", "Harbour Lights"},
                                                                {"date", "2004"},
                                                                {"genre", "Jazz"},
                                                                {"comment", "first take"}};

class AudioFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<test::TempDir>();
        const std::vector<std::pair<AudioRecipe, int>> recipes = {
            {{AudioFormat::Mpeg, 3, 44100, 2, 16, kTags}, 44100},
            {{AudioFormat::Flac, 3, 44100, 2, 16, kTags}, 44100},
            {{AudioFormat::Flac, 2, 48000, 6, 24, {}}, 48000},
            {{AudioFormat::OggVorbis, 4, 44100, 1, 16, kTags}, 44100},
            {{AudioFormat::Opus, 3, 44100, 2, 16, kTags}, 48000},
            {{AudioFormat::Aac, 5, 48000, 2, 16, kTags}, 48000},
            {{AudioFormat::Alac, 3, 44100, 2, 24, kTags}, 44100},
            {{AudioFormat::Wav, 3, 22050, 1, 16, kTags}, 22050},
            {{AudioFormat::Aiff, 3, 44100, 2, 24, kTags}, 44100},
            {{AudioFormat::WavPack, 3, 44100, 2, 16, kTags}, 44100},
            {{AudioFormat::Wma, 4, 44100, 2, 16, kTags}, 44100},
        };
        int n = 0;
        for (const auto& [recipe, rate] : recipes) {
            const std::string name =
                "f" + std::to_string(n++) + test::AudioFormatExtension(recipe.format);
            s_files.push_back({recipe, rate, test::EncodeAudio(s_dir->path(), name, recipe)});
        }
        std::map<std::string, std::string> apeTags;
        for (const auto& [key, value] : kTags)
            apeTags[key == "date"
                        ? "Year"
                        : std::string(1, static_cast<char>(key[0] - 32)) + key.substr(1)] = value;
        AudioRecipe ape{AudioFormat::MonkeysAudio, 5, 44100, 2, 16, kTags};
        s_files.push_back(
            {ape, 44100, writeMonkeysAudio(s_dir->file("f.ape"), 5, 44100, 2, 16, apeTags)});
    }
    static void TearDownTestSuite() {
        s_files.clear();
        s_dir.reset();
    }

    int import(const fs::path& path, ImportOptions options = {}) {
        MediaImporter importer(catalogue.connection, options, nullptr, clock);
        return importer.ImportMediaFile(path.string(), false);
    }
    std::string optional(int item, int type, const char* column = "lValue") {
        return catalogue.scalar(std::string("SELECT tblOptional.") + column +
                                " FROM tblOptional, tblItem WHERE tblOptional.lTableID="
                                "tblItem.lMediaID AND tblItem.lID=" +
                                std::to_string(item) +
                                " AND tblOptional.lOptionalTypeID=" + std::to_string(type));
    }
    std::string media(int item, const std::string& column) {
        return catalogue.scalar("SELECT tblMedia." + column +
                                " FROM tblMedia, tblItem WHERE tblMedia.lID=tblItem.lMediaID "
                                "AND tblItem.lID=" +
                                std::to_string(item));
    }
    // Title, group, package, published, comment and genre name as catalogued.
    std::vector<std::string> fields(int item) {
        ResultSet row = QueryItems(catalogue.connection,
                                   "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, "
                                   "tblMedia.sPublishTime, tblMedia.sComment, tblGenre.sName",
                                   "tblItem.lID=" + std::to_string(item), 0);
        std::vector<std::string> values;
        for (int i = 0; i < 6 && !row.IsEof(); ++i)
            values.push_back(row.IsNull(i) ? "" : row.GetText(i));
        return values;
    }

    static std::unique_ptr<test::TempDir> s_dir;
    static std::vector<Encoded> s_files;
    test::TempCatalogue catalogue;
    FixedClock clock;
};

std::unique_ptr<test::TempDir> AudioFormats::s_dir;
std::vector<Encoded> AudioFormats::s_files;

TEST_F(AudioFormats, FactsAreThoseTheEncoderWasGiven) {
    for (const Encoded& file : s_files) {
        const AudioRecipe& recipe = file.recipe;
        SCOPED_TRACE(std::string(AudioFormatName(recipe.format)) + " " + file.path.string());
        if (file.path.empty()) {
            ADD_FAILURE() << "the encoder made no file";
            continue;
        }
        const int item = import(file.path);
        ASSERT_GT(item, 0);
        EXPECT_EQ(media(item, "lMediaType"), std::to_string(static_cast<int>(recipe.format)));
        EXPECT_NEAR(std::stoi(media(item, "lLength")), recipe.seconds, 1);
        EXPECT_EQ(optional(item, kOptionalSampleRate), std::to_string(file.expectedRate));
        const std::string channels = recipe.channels == 1 ? "Single Channel"
                                     : recipe.channels == 2
                                         ? "Stereo"
                                         : std::to_string(recipe.channels) + " Channels";
        const std::string mode = optional(item, kOptionalChannelMode, "sValue");
        if (recipe.format == AudioFormat::Mpeg)
            EXPECT_TRUE(mode == "Stereo" || mode == "Joint Stereo") << mode;
        else
            EXPECT_EQ(mode, channels);
        EXPECT_EQ(optional(item, kOptionalBitsPerSample),
                  isLossless(recipe.format) ? std::to_string(recipe.bitsPerSample) : "");
        EXPECT_EQ(optional(item, kOptionalVariableBitrate),
                  recipe.format == AudioFormat::Mpeg ? "0" : "");

        // The audio without tags, and the bit rate it gives over the length (not what a
        // container's header field claims).
        const double audioSize = std::stod(optional(item, kOptionalAudioSize, "fValue"));
        EXPECT_GT(audioSize, 0);
        EXPECT_LT(audioSize, static_cast<double>(fs::file_size(file.path)));
        const double kbps = audioSize * 8 / (recipe.seconds * 1000.0);
        EXPECT_NEAR(std::stoi(optional(item, kOptionalBitrate)), kbps, kbps * 0.04 + 1);
        EXPECT_EQ(media(item, "fSize"), std::to_string(fs::file_size(file.path)));
    }
}

TEST_F(AudioFormats, TagsReadAsAnIndependentReaderReadsThem) {
    for (const Encoded& file : s_files) {
        SCOPED_TRACE(std::string(AudioFormatName(file.recipe.format)) + " " + file.path.string());
        if (file.path.empty() || file.recipe.tags.empty())
            continue;
        const int item = import(file.path);
        ASSERT_GT(item, 0);
        const std::vector<std::string> catalogued = fields(item);
        // What the encoder was given, but where it writes a field outside the native tag
        // (ffmpeg puts an ID3 comment into a TXXX frame)…
        std::vector<std::string> given = {
            "Wanderer's Song", "Ærø Quartet", "Harbour Lights", "2004", "first take", "Jazz"};
        if (file.recipe.format == AudioFormat::Mpeg || file.recipe.format == AudioFormat::Aiff)
            given[4].clear();
        EXPECT_EQ(catalogued, given);
        // …and what another reader finds (it reads no RIFF INFO list).
        if (const auto other = mutagenFields(file.path))
            EXPECT_EQ(catalogued, *other);
        else
            EXPECT_EQ(file.recipe.format, AudioFormat::Wav);
    }
}

TEST_F(AudioFormats, GroupGenreAndMissingFieldsFollowTheId3Rules) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> tags;
        std::string group;
        std::string genre;
        std::string title; // "" when the tag has none: the file name gives it
    };
    const std::vector<Case> cases = {
        {{{"albumartist", "Band"}, {"composer", "Writer"}}, "Band", "Unknown", "Solo - Piece"},
        {{{"composer", "Writer"}, {"genre", "(17)"}}, "Writer", "Rock", "Solo - Piece"},
        {{{"performer", "Player"}, {"composer", "Writer"}, {"genre", "hip-hop"}},
         "Player",
         "Hip-Hop",
         "Solo - Piece"},
        {{{"artist", "Lead"}, {"albumartist", "Band"}, {"title", "Named"}, {"genre", "8"}},
         "Lead",
         "Jazz",
         "Named"},
    };
    test::TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        const fs::path folder = dir.file(std::to_string(n++));
        fs::create_directories(folder);
        AudioRecipe recipe{AudioFormat::Flac, 1, 8000, 1, 16, c.tags};
        const fs::path path = test::EncodeAudio(folder, "Solo - Piece.flac", recipe);
        ASSERT_FALSE(path.empty());
        const int item = import(path);
        ASSERT_GT(item, 0);
        const auto values = fields(item);
        EXPECT_EQ(values[0], c.title == "Solo - Piece" ? "Piece" : c.title);
        EXPECT_EQ(values[1], c.group);
        EXPECT_EQ(values[5], c.genre);
    }
}

TEST_F(AudioFormats, ContentDecidesNotTheName) {
    const Encoded& flac = s_files[1];
    ASSERT_FALSE(flac.path.empty());
    test::TempDir dir;
    const fs::path disguised = dir.file("really flac.mp3");
    fs::copy_file(flac.path, disguised);
    const int item = import(disguised);
    ASSERT_GT(item, 0);
    EXPECT_EQ(media(item, "lMediaType"), "2");
    EXPECT_EQ(fields(item)[0], "Wanderer's Song");
    EXPECT_EQ(media(item, "lLength"), "3");

    // Text under audio names: refused, or kept as media type 0 when every file is allowed.
    for (const char* name : {"notes.mp3", "notes.flac", "notes.ogg", "cut.flac"}) {
        SCOPED_TRACE(name);
        const std::string bytes = std::string(name) == "cut.flac"
                                      ? test::readFile(flac.path).substr(0, 30)
                                      : std::string("just some text\n");
        const fs::path path = dir.write(name, bytes);
        MediaImporter importer(catalogue.connection, {}, nullptr, clock);
        MediaFileInfo info;
        EXPECT_EQ(importer.ReadMediaFile(path.string(), false, info), ImportFailure::NotAudio);
        ImportOptions all;
        all.allowAllFiles = true;
        const int other = import(path, all);
        ASSERT_GT(other, 0);
        EXPECT_EQ(media(other, "lMediaType"), "0");
        EXPECT_EQ(optional(other, kOptionalSampleRate), "");
    }
}

TEST_F(AudioFormats, UpdateCorrectsWhatAnOldCatalogueTookForMpegAudio) {
    const Encoded& flac = s_files[1];
    ASSERT_FALSE(flac.path.empty());
    const int item = import(flac.path);
    ASSERT_GT(item, 0);
    const std::string mediaId = media(item, "lID");
    // As an old catalogue holds it: media type 1 with facts read from frames that were none.
    catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=1, lLength=20 WHERE lID=" +
                                 mediaId);
    catalogue.connection.Execute("DELETE FROM tblOptional WHERE lTableID=" + mediaId);
    for (const auto& [type, value] : std::vector<std::pair<int, int>>{
             {kOptionalSampleRate, 8000}, {kOptionalBitrate, 448}, {kOptionalVariableBitrate, 0}})
        catalogue.connection.Execute(
            "INSERT INTO tblOptional (lTableID, lOptionalTypeID, lValue) VALUES (" + mediaId +
            ", " + std::to_string(type) + ", " + std::to_string(value) + ")");

    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    EXPECT_EQ(importer.ImportMediaFile(flac.path.string(), true), 0);
    EXPECT_EQ(media(item, "lMediaType"), "2");
    EXPECT_EQ(media(item, "lLength"), "3");
    EXPECT_EQ(optional(item, kOptionalSampleRate), "44100");
    EXPECT_EQ(optional(item, kOptionalVariableBitrate), "");
    EXPECT_EQ(optional(item, kOptionalBitsPerSample), "16");
    EXPECT_EQ(optional(item, kOptionalChannelMode, "sValue"), "Stereo");
}

TEST(ImportExtensions, FolderImportTakesTheListedExtensions) {
    struct Case {
        const char* setting;
        const char* name;
        bool all;
        bool taken;
    };
    const Case cases[] = {
        {"", "a.flac", false, true},
        {"", "b.OPUS", false, true},
        {"", "c.M4A", false, true},
        {"", "notes.txt", false, false},
        {"", "notes.txt", true, true},
        {"", "flac", false, false},
        {"mp3; .FLAC ;;", "d.flac", false, true},
        {"mp3; .FLAC ;;", "e.ogg", false, false},
        {"mp3", ".mp3", false, true},
        {"ogg", "archive.tar.ogg", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setting) + " " + c.name);
        CAppSettings settings;
        settings.ImportExtensions = c.setting;
        settings.AllowAllFiles = c.all ? 1 : 0;
        EXPECT_EQ(MatchesImportPattern(c.name, ImportOptions::FromSettings(settings)), c.taken);
    }
    EXPECT_EQ(JoinImportExtensions(ParseImportExtensions(" MP3;.flac;mp3 ")), "mp3;flac");
    // The setting's default is the whole table.
    EXPECT_EQ(CAppSettings().ImportExtensions, JoinImportExtensions(DefaultImportExtensions()));
}

} // namespace
} // namespace tunebay
