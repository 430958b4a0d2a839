#include "covers/cover_art.h"

#include "support/encoded_audio.h"
#include "support/mp3_fixture.h"
#include "support/mutagen_tags.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace tunebay {
namespace {

using test::TempDir;

// Picture bytes that name their kind the way real files begin; the lookup never decodes them.
std::string jpeg(const std::string& mark) {
    return std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + mark + std::string(300, 'j');
}
std::string png(const std::string& mark) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + mark + std::string(300, 'p');
}

std::string apic(int version, int type, const std::string& image) {
    const std::string mime = ImageMimeType(image);
    std::string body(1, '\0');
    if (version == 2)
        body += mime == "image/png" ? "PNG" : "JPG";
    else
        body += mime + std::string(1, '\0');
    body.push_back(static_cast<char>(type));
    // Descriptions differ, as two pictures of a tag must.
    body += "picture " + std::to_string(type) + std::string(1, '\0') + image;
    return test::id3v2Frame(version, version == 2 ? "PIC" : "APIC", body);
}

std::string mp3(const std::vector<std::string>& frames, int version = 3) {
    test::Mp3Recipe recipe;
    recipe.id3v2 = frames.empty() ? std::string() : test::id3v2Tag(version, frames, 64);
    return test::makeMp3(recipe);
}

// The distribution's python3 first: a python of the user's own may lack mutagen.
std::string python() {
    for (const char* candidate : {"/usr/bin/python3", "python3"})
        if (std::system(
                (std::string(candidate) + " -c 'import mutagen' >/dev/null 2>&1").c_str()) == 0)
            return candidate;
    return {};
}

// What python3's mutagen, a reader that is not ours, finds in a file: one line per picture
// ("TYPE MIME LENGTH"), the other frame ids, and whether the audio decodes.
std::string mutagenView(const std::filesystem::path& file) {
    const std::string script = R"(
import sys, mutagen
f = mutagen.File(sys.argv[1])
pics = []
other = []
if f is not None and f.tags is not None and hasattr(f.tags, 'getall'):
    for key, frame in f.tags.items():
        if key.startswith('APIC') or key.startswith('PIC'):
            pics.append('%d %s %d %s' % (frame.type, frame.mime, len(frame.data), frame.data[-12:].hex()))
        else:
            other.append(key)
elif f is not None and hasattr(f, 'pictures'):
    for p in f.pictures:
        pics.append('%d %s %d %s' % (p.type, p.mime, len(p.data), p.data[-12:].hex()))
print('\n'.join(pics + sorted(other)))
)";
    const std::string command = python() + " -c " + test::ShellQuoted(script) + " " +
                                test::ShellQuoted(file.string()) + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr)
        out += buffer;
    return out;
}

bool haveMutagen() {
    return !python().empty();
}

std::string tail12(const std::string& bytes) {
    static const char* kHex = "0123456789abcdef";
    std::string out;
    for (const char c : bytes.substr(bytes.size() - 12)) {
        out.push_back(kHex[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        out.push_back(kHex[static_cast<unsigned char>(c) & 0xF]);
    }
    return out;
}

std::string pictureLine(int type, const std::string& image) {
    return std::to_string(type) + " " + ImageMimeType(image) + " " + std::to_string(image.size()) +
           " " + tail12(image);
}

// Which picture stands for an item: the embedded front cover, else the first embedded picture,
// else cover, folder, front beside the file (jpg before jpeg, png, webp; names without case).
TEST(CoverLookup, EmbeddedFrontThenFirstPictureThenFolderFiles) {
    const std::string front = jpeg("front");
    const std::string back = png("back");
    const std::string inFolder = jpeg("folder");
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::string> folderFiles;
        CoverSource source;
        std::string expected; // bytes, or the folder file's name
    };
    const std::vector<Case> cases = {
        {"front cover behind another picture",
         mp3({apic(3, 4, back), apic(3, 3, front)}),
         {"cover.jpg"},
         CoverSource::Embedded,
         front},
        {"version 2.4 front cover", mp3({apic(4, 3, front)}, 4), {}, CoverSource::Embedded, front},
        {"version 2.2 picture", mp3({apic(2, 3, front)}, 2), {}, CoverSource::Embedded, front},
        {"no front cover: the first picture",
         mp3({apic(3, 4, back), apic(3, 5, front)}),
         {"cover.jpg"},
         CoverSource::Embedded,
         back},
        {"cover before folder and front",
         mp3({}),
         {"front.jpg", "Folder.jpg", "cover.webp"},
         CoverSource::FolderFile,
         "cover.webp"},
        {"folder before front, any case",
         mp3({}),
         {"FRONT.JPG", "FOLDER.PNG"},
         CoverSource::FolderFile,
         "FOLDER.PNG"},
        {"jpg before jpeg and png",
         mp3({}),
         {"Cover.png", "cover.jpeg", "COVER.Jpg"},
         CoverSource::FolderFile,
         "COVER.Jpg"},
        {"other names and kinds are not covers",
         mp3({}),
         {"cover.gif", "album.jpg", "cover.jpg.txt", "covers.jpg"},
         CoverSource::None,
         ""},
        {"a damaged tag falls back to the folder",
         "ID3\x03" + std::string("\0\0\x7F\x7F\x7F\x7F", 6) + "APIC",
         {"folder.jpeg"},
         CoverSource::FolderFile,
         "folder.jpeg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string file = dir.write("track.mp3", c.file).string();
        for (const std::string& name : c.folderFiles)
            dir.write(name, inFolder);
        const CoverArt cover = ReadCover(file);
        EXPECT_EQ(cover.source, c.source);
        if (c.source == CoverSource::Embedded) {
            EXPECT_EQ(cover.bytes, c.expected);
        } else if (c.source == CoverSource::FolderFile) {
            EXPECT_EQ(std::filesystem::path(cover.folderFile).filename(), c.expected);
            EXPECT_EQ(cover.bytes, inFolder);
            EXPECT_EQ(cover.mimeType, "image/jpeg");
        }
    }
}

// The other formats' pictures, written by mutagen into files the distribution's encoders made.
TEST(CoverLookup, EveryFormatsEmbeddedPicture) {
    if (!haveMutagen())
        GTEST_SKIP() << "python3-mutagen is needed to embed the pictures";
    const std::string front = png("front");
    TempDir dir;
    const auto image = dir.write("in.png", front);
    const std::string script = R"(
import sys, base64, mutagen
from mutagen.flac import Picture
path, image = sys.argv[1], open(sys.argv[2], 'rb').read()
f = mutagen.File(path)
def pic(t):
    p = Picture(); p.type = t; p.mime = 'image/png'; p.data = image if t == 3 else b'\x89PNG\r\n\x1a\nother'; return p
kind = type(f).__name__
if kind == 'FLAC':
    f.add_picture(pic(4)); f.add_picture(pic(3))
elif kind in ('OggVorbis', 'OggOpus'):
    f['metadata_block_picture'] = [base64.b64encode(pic(t).write()).decode() for t in (4, 3)]
elif kind == 'MP4':
    from mutagen.mp4 import MP4Cover
    f['covr'] = [MP4Cover(image, MP4Cover.FORMAT_PNG)]
elif kind == 'ASF':
    import struct
    from mutagen.asf import ASFByteArrayAttribute
    mime = 'image/png'.encode('utf-16-le') + b'\0\0'
    data = struct.pack('<bi', 3, len(image)) + mime + b'\0\0' + image
    f['WM/Picture'] = [ASFByteArrayAttribute(data)]
elif kind == 'WavPack':
    from mutagen.apev2 import APEValue, BINARY
    f['Cover Art (Front)'] = APEValue(b'cover.png\0' + image, BINARY)
elif kind in ('WAVE', 'AIFF'):
    from mutagen.id3 import APIC
    if f.tags is None: f.add_tags()
    f.tags.add(APIC(type=3, mime='image/png', desc='', data=image))
f.save()
)";
    for (const AudioFormat format :
         {AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus, AudioFormat::Aac,
          AudioFormat::Wma, AudioFormat::WavPack, AudioFormat::Wav, AudioFormat::Aiff}) {
        SCOPED_TRACE(static_cast<int>(format));
        test::AudioRecipe recipe;
        recipe.format = format;
        recipe.seconds = 1;
        const auto file =
            test::EncodeAudio(dir.path(), "t" + test::AudioFormatExtension(format), recipe);
        if (file.empty())
            continue;
        ASSERT_EQ(
            std::system((python() + " -c " + test::ShellQuoted(script) + " " +
                         test::ShellQuoted(file.string()) + " " + test::ShellQuoted(image.string()))
                            .c_str()),
            0);
        const std::optional<CoverArt> cover = ReadEmbeddedCover(file.string());
        ASSERT_TRUE(cover.has_value());
        EXPECT_EQ(cover->bytes, front);
        EXPECT_EQ(cover->mimeType, "image/png");
    }
}

// Setting and removing the front cover of an MP3 file keeps every other frame and picture, keeps
// the tag's version, and reads back in mutagen as written.
TEST(CoverWrite, SetAndRemoveKeepEverythingElse) {
    if (!haveMutagen())
        GTEST_SKIP() << "python3-mutagen is needed to read the files back";
    const std::string oldFront = jpeg("old");
    const std::string back = png("back");
    const std::string newFront = png("new");
    const std::string big = jpeg("big") + std::string(200000, 'b');
    struct Case {
        const char* name;
        int version;
        std::vector<std::string> frames;
        std::optional<std::string> image;
        std::string expected; // mutagen's lines after the write
    };
    const std::string other = test::id3v2TextFrame(3, "TPE2", "Album Artist");
    const std::vector<Case> cases = {
        {"set into a file without tag", 3, {}, newFront, pictureLine(3, newFront) + "\n"},
        {"set replaces the front cover, keeps the back",
         3,
         {apic(3, 4, back), other, apic(3, 3, oldFront)},
         newFront,
         pictureLine(4, back) + "\n" + pictureLine(3, newFront) + "\nTPE2\n"},
        {"a larger picture moves the audio",
         4,
         {test::id3v2TextFrame(4, "TIT2", "Title"), apic(4, 3, oldFront)},
         big,
         pictureLine(3, big) + "\nTIT2\n"},
        {"set beside a picture of another kind",
         3,
         {apic(3, 4, back)},
         newFront,
         pictureLine(4, back) + "\n" + pictureLine(3, newFront) + "\n"},
        {"remove takes the front covers only",
         3,
         {apic(3, 3, oldFront), apic(3, 4, back), other},
         std::nullopt,
         pictureLine(4, back) + "\nTPE2\n"},
        {"remove without front cover takes the first picture",
         3,
         {apic(3, 4, back), apic(3, 5, oldFront)},
         std::nullopt,
         pictureLine(5, oldFront) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string audio = test::audioFrames(test::FrameHeader{}, 30);
        const std::string tag = c.frames.empty() ? "" : test::id3v2Tag(c.version, c.frames, 16);
        const auto file = dir.write("a.mp3", tag + audio);
        const RewriteResult written = SetEmbeddedCover(file.string(), c.image);
        ASSERT_TRUE(written.ok) << written.reason;
        const std::string bytes = test::readFile(file);
        EXPECT_EQ(bytes.substr(bytes.size() - audio.size()), audio);
        if (!c.frames.empty()) {
            EXPECT_EQ(bytes[3], static_cast<char>(c.version));
        }
        EXPECT_EQ(mutagenView(file), c.expected);
        const std::optional<CoverArt> cover = ReadEmbeddedCover(file.string());
        if (c.image) {
            ASSERT_TRUE(cover.has_value());
            EXPECT_EQ(cover->bytes, *c.image);
        }
    }
}

// What cannot be embedded is refused with the reason and leaves the file as it was.
TEST(CoverWrite, RefusalsLeaveTheFile) {
    TempDir dir;
    const std::string notMpeg = "fLaC" + std::string(400, '\0');
    const std::string goodMp3 = mp3({});
    struct Case {
        const char* name;
        std::string file;
        std::optional<std::string> image;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"a damaged FLAC file", notMpeg, jpeg("x"), "the audio data cannot be found"},
        {"text is no picture", goodMp3, "hello", "not a JPEG, PNG, WebP or GIF image"},
        {"not audio", std::string(5000, 'x'), jpeg("x"), "not MPEG audio"},
        {"nothing to remove", mp3({test::id3v2TextFrame(3, "TIT2", "Title")}), std::nullopt,
         "the file has no embedded cover"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = dir.write("f.bin", c.file);
        const RewriteResult written = SetEmbeddedCover(file.string(), c.image);
        EXPECT_FALSE(written.ok);
        EXPECT_NE(written.reason.find(c.reason), std::string::npos) << written.reason;
        EXPECT_EQ(test::readFile(file), c.file);
    }
}

// Setting and removing the front cover of every other writable format, in files the
// distribution's encoders made and mutagen gave fields, a front and a back cover: the new cover is
// the one shown, the other picture and every field stay, and the audio decodes the same.
TEST(CoverWrite, EveryWritableFormatKeepsTheRest) {
    if (!test::HaveMutagen())
        GTEST_SKIP() << "python3 with mutagen is needed to prepare and read the files";
    const std::string image = jpeg("new front");
    for (const AudioFormat format : {AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus,
                                     AudioFormat::Aac, AudioFormat::Alac, AudioFormat::Wma,
                                     AudioFormat::WavPack, AudioFormat::Wav, AudioFormat::Aiff}) {
        SCOPED_TRACE(AudioFormatName(format));
        TempDir dir;
        test::AudioRecipe recipe;
        recipe.format = format;
        recipe.seconds = 1;
        recipe.tags = {{"title", "Title \u00e9"}, {"artist", "Artist"}, {"album", "Album"}};
        const auto file =
            test::EncodeAudio(dir.path(), "t" + test::AudioFormatExtension(format), recipe);
        if (file.empty())
            continue;
        ASSERT_TRUE(test::MutagenPrepare(file));
        ASSERT_TRUE(test::MutagenAddBackCover(file));
        const std::string md5 = test::DecodedAudioMd5(file);
        ASSERT_FALSE(md5.empty());
        std::map<std::string, std::string> fields = test::MutagenRead(file);
        fields.erase("pictures");
        // The prepared pictures: a front cover and a back cover (in MP4 the second).
        const bool mp4 = format == AudioFormat::Aac || format == AudioFormat::Alac;
        std::istringstream before(test::MutagenPictures(file));
        std::string back;
        for (std::string line; std::getline(before, line);)
            if (line.starts_with(mp4 ? "-" : "4 "))
                back = line + "\n";
        ASSERT_FALSE(back.empty());
        const std::string newLine = test::MutagenPictureLine(
            mp4 ? "-" : "3", format == AudioFormat::WavPack ? "cover.jpeg" : "image/jpeg", image);

        RewriteResult written = SetEmbeddedCover(file.string(), image);
        ASSERT_TRUE(written.ok) << written.reason;
        EXPECT_EQ(test::MutagenPictures(file), mp4 ? newLine + back : back + newLine);
        std::optional<CoverArt> cover = ReadEmbeddedCover(file.string());
        ASSERT_TRUE(cover.has_value());
        EXPECT_EQ(cover->bytes, image);

        written = SetEmbeddedCover(file.string(), std::nullopt);
        ASSERT_TRUE(written.ok) << written.reason;
        EXPECT_EQ(test::MutagenPictures(file), back);
        // What stands for the item now: the back cover, except in WavPack, whose readers take
        // the front item only.
        cover = ReadEmbeddedCover(file.string());
        EXPECT_EQ(cover.has_value(), format != AudioFormat::WavPack);

        std::map<std::string, std::string> after = test::MutagenRead(file);
        after.erase("pictures");
        EXPECT_EQ(after, fields);
        EXPECT_EQ(test::DecodedAudioMd5(file), md5);
    }
}

// What a format cannot take is refused with the reason and leaves the file as it was.
TEST(CoverWrite, FormatRefusalsLeaveTheFile) {
    if (!test::HaveMutagen())
        GTEST_SKIP() << "python3 with mutagen is needed to prepare the files";
    const std::string gif = std::string("GIF89a") + std::string(200, 'g');
    struct Case {
        const char* name;
        AudioFormat format;
        bool prepared; // mutagen's front cover added
        std::optional<std::string> image;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"MP4 takes no GIF", AudioFormat::Aac, true, gif, "JPEG and PNG covers only"},
        {"nothing to remove", AudioFormat::Flac, false, std::nullopt,
         "the file has no embedded cover"},
        {"a WavPack file shows its front cover only", AudioFormat::WavPack, false, std::nullopt,
         "the file has no embedded cover"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        test::AudioRecipe recipe;
        recipe.format = c.format;
        recipe.seconds = 1;
        const auto file =
            test::EncodeAudio(dir.path(), "t" + test::AudioFormatExtension(c.format), recipe);
        if (file.empty())
            continue;
        if (c.prepared) {
            ASSERT_TRUE(test::MutagenPrepare(file));
        } else if (c.format == AudioFormat::WavPack) {
            ASSERT_TRUE(test::MutagenAddBackCover(file));
        }
        const std::string bytes = test::readFile(file);
        const RewriteResult written = SetEmbeddedCover(file.string(), c.image);
        EXPECT_FALSE(written.ok);
        EXPECT_NE(written.reason.find(c.reason), std::string::npos) << written.reason;
        EXPECT_EQ(test::readFile(file), bytes);
    }
}

// No file of the hostile corpus makes the cover lookup crash or hand back an oversized picture.
TEST(CoverLookup, CorpusFilesNeverCrash) {
    std::error_code error;
    int files = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(TUNEBAY_CORPUS_DIR, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        const CoverArt cover = ReadCover(it->path().string());
        EXPECT_LE(cover.bytes.size(), kMaxCoverBytes);
        ++files;
    }
    if (files == 0)
        GTEST_SKIP() << "no corpus beside the source tree";
}

} // namespace
} // namespace tunebay
