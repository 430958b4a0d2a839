#include "realistic_library.h"

#include "support/encoded_audio.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace tunebay::bench {

namespace {

const char* const kGenres[] = {"Rock",   "Pop",   "Jazz",    "Blues",      "Electronic",
                               "Folk",   "Metal", "Soul",    "Hip-Hop",    "Classical",
                               "Reggae", "Punk",  "Ambient", "Drum & Bass"};

// An attached picture frame of `bytes` bytes of image data.
std::string coverArtFrame(int majorVersion, size_t bytes, std::mt19937& random) {
    std::string body;
    body += '\0'; // Latin-1 description
    body += "image/jpeg";
    body += '\0';
    body += '\x03';             // front cover
    body += '\0';               // empty description
    body += "\xFF\xD8\xFF\xE0"; // a JPEG's first bytes
    body.reserve(body.size() + bytes);
    while (body.size() < bytes)
        body += static_cast<char>(random());
    return test::id3v2Frame(majorVersion, "APIC", body);
}

std::string tagFor(int kind, int majorVersion, const test::Id3v2Fields& fields, bool cover,
                   std::mt19937& random) {
    if (kind == 0)
        return {};
    std::vector<std::string> frames{
        test::id3v2TextFrame(majorVersion, "TIT2", fields.title),
        test::id3v2TextFrame(majorVersion, "TPE1", fields.artist),
        test::id3v2TextFrame(majorVersion, "TALB", fields.album),
        test::id3v2TextFrame(majorVersion, majorVersion == 4 ? "TDRC" : "TYER", fields.year),
        test::id3v2TextFrame(majorVersion, "TCON", fields.genre),
        test::id3v2TextFrame(majorVersion, "TRCK", fields.track),
    };
    if (cover)
        frames.push_back(coverArtFrame(majorVersion, 200'000 + random() % 600'000, random));
    return test::id3v2Tag(majorVersion, frames, 256 + random() % 2048);
}

// FLAC files made from one encoded template: its STREAMINFO block and frames, with a Vorbis
// comment of each file's own and, for some, a PICTURE block.
class FlacTemplate {
public:
    explicit FlacTemplate(const std::string& encoded) {
        // "fLaC", then blocks: a header byte (last-block flag, type) and a 24-bit length.
        std::size_t at = 4;
        while (at + 4 <= encoded.size()) {
            const auto header = static_cast<unsigned char>(encoded[at]);
            const std::size_t length = (static_cast<unsigned char>(encoded[at + 1]) << 16) |
                                       (static_cast<unsigned char>(encoded[at + 2]) << 8) |
                                       static_cast<unsigned char>(encoded[at + 3]);
            if ((header & 0x7F) == 0)
                m_streamInfo = encoded.substr(at + 4, length);
            at += 4 + length;
            if (header & 0x80)
                break;
        }
        m_frames = encoded.substr(at);
    }
    bool valid() const { return m_streamInfo.size() == 34 && !m_frames.empty(); }

    std::string make(const std::vector<std::pair<std::string, std::string>>& tags,
                     std::size_t coverBytes, std::mt19937& random) const {
        std::string comment;
        little32(comment, 9);
        comment += "tunebench";
        little32(comment, static_cast<uint32_t>(tags.size()));
        for (const auto& [key, value] : tags) {
            little32(comment, static_cast<uint32_t>(key.size() + 1 + value.size()));
            comment += key + "=" + value;
        }
        std::string bytes = "fLaC";
        block(bytes, 0, m_streamInfo, false);
        if (coverBytes == 0) {
            block(bytes, 4, comment, true);
        } else {
            block(bytes, 4, comment, false);
            std::string picture;
            big32(picture, 3); // front cover
            big32(picture, 10);
            picture += "image/jpeg";
            big32(picture, 0); // no description
            for (int i = 0; i < 4; ++i)
                big32(picture, i < 2 ? 500 : 24 - 16 * (i - 2)); // size, depth, colours
            std::string image = "\xFF\xD8\xFF\xE0";              // a JPEG's first bytes
            while (image.size() < coverBytes)
                image += static_cast<char>(random());
            big32(picture, static_cast<uint32_t>(image.size()));
            picture += image;
            block(bytes, 6, picture, true);
        }
        return bytes + m_frames;
    }

private:
    static void little32(std::string& out, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    static void big32(std::string& out, uint32_t value) {
        for (int i = 3; i >= 0; --i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    static void block(std::string& out, int type, const std::string& body, bool last) {
        out += static_cast<char>(type | (last ? 0x80 : 0));
        for (int i = 2; i >= 0; --i)
            out += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
        out += body;
    }

    std::string m_streamInfo;
    std::string m_frames;
};

// The formats beside MPEG audio and FLAC, each encoded once per set of tags and then copied:
// M4A (AAC and ALAC), Ogg Vorbis and Opus, and the rarer WAV, AIFF, WavPack and WMA.
class EncodedTemplates {
public:
    static constexpr int kVariants = 4;

    EncodedTemplates() {
        const std::array<AudioFormat, 9> formats = {
            AudioFormat::Flac,      AudioFormat::Aac,     AudioFormat::Alac,
            AudioFormat::OggVorbis, AudioFormat::Opus,    AudioFormat::Wav,
            AudioFormat::Aiff,      AudioFormat::WavPack, AudioFormat::Wma};
        for (const AudioFormat format : formats) {
            for (int variant = 0; variant < (format == AudioFormat::Flac ? 1 : kVariants);
                 ++variant) {
                test::AudioRecipe recipe;
                recipe.format = format;
                recipe.seconds = 2;
                recipe.sampleRate =
                    format == AudioFormat::Wav || format == AudioFormat::Aiff ? 8000 : 44100;
                recipe.channels = format == AudioFormat::Wav || format == AudioFormat::Aiff ? 1 : 2;
                if (format != AudioFormat::Flac)
                    recipe.tags = {{"title", "Template " + std::to_string(variant)},
                                   {"artist", "Encoded Artist " + std::to_string(variant)},
                                   {"album", "Encoded Album " + std::to_string(variant)},
                                   {"date", std::to_string(1990 + variant)},
                                   {"genre", kGenres[variant]}};
                const auto path = test::EncodeAudio(
                    m_dir.path(),
                    "t" + std::to_string(variant) + test::AudioFormatExtension(format), recipe);
                if (!path.empty())
                    m_files[format].push_back(test::readFile(path));
            }
        }
    }
    const std::vector<std::string>* of(AudioFormat format) const {
        const auto found = m_files.find(format);
        return found == m_files.end() || found->second.empty() ? nullptr : &found->second;
    }

private:
    test::TempDir m_dir;
    std::map<AudioFormat, std::vector<std::string>> m_files;
};

// Which format file `i` has: half MPEG audio, a quarter FLAC, a tenth M4A, a tenth Ogg Vorbis or
// Opus, and the rest WAV, AIFF, WavPack or WMA.
AudioFormat formatFor(std::mt19937& random) {
    const int roll = static_cast<int>(random() % 100);
    if (roll < 50)
        return AudioFormat::Mpeg;
    if (roll < 75)
        return AudioFormat::Flac;
    if (roll < 85)
        return roll < 83 ? AudioFormat::Aac : AudioFormat::Alac;
    if (roll < 95)
        return roll < 90 ? AudioFormat::OggVorbis : AudioFormat::Opus;
    static constexpr std::array<AudioFormat, 4> kOthers = {AudioFormat::Wav, AudioFormat::Aiff,
                                                           AudioFormat::WavPack, AudioFormat::Wma};
    return kOthers[static_cast<std::size_t>(roll) % kOthers.size()];
}

} // namespace

LibraryFacts WriteRealisticLibrary(const std::filesystem::path& root, int files) {
    std::mt19937 random(20261209);
    LibraryFacts facts;
    const EncodedTemplates templates;
    const std::vector<std::string>* flacTemplate = templates.of(AudioFormat::Flac);
    const FlacTemplate flac(flacTemplate ? flacTemplate->front() : std::string());
    for (int i = 0; i < files; ++i) {
        const int artist = i / 36;
        const int album = i / 12;
        const int track = i % 12 + 1;
        const std::string genre = kGenres[artist % std::size(kGenres)];
        const std::string title = "Song " + std::to_string(i);
        const std::string artistName = "Artist " + std::to_string(artist);
        const std::string albumName = "Album " + std::to_string(album);

        test::Mp3Recipe recipe;
        recipe.header.bitrateIndex = 9 + static_cast<int>(random() % 3); // 128-192 kbit/s
        recipe.vbr = random() % 4 == 0;
        // About 70 KB on average: 60 to 260 frames of 418 to 627 bytes.
        recipe.frameCount = 60 + static_cast<int>(random() % 140);
        const bool cover = random() % 100 == 0;
        const test::Id3v2Fields fields{title,
                                       artistName,
                                       albumName,
                                       std::to_string(1960 + artist % 60),
                                       "",
                                       random() % 3 == 0 ? "(" + std::to_string(artist % 126) + ")"
                                                         : genre,
                                       std::to_string(track)};
        // Tag versions as they come: 2.3 (most), 2.4, version 1 only, 2.3 with 1.1, none.
        const int kind = static_cast<int>(random() % 10);
        if (kind <= 4)
            recipe.id3v2 = tagFor(1, 3, fields, cover, random);
        else if (kind <= 6)
            recipe.id3v2 = tagFor(1, 4, fields, cover, random);
        else if (kind == 7)
            recipe.id3v1 = test::Id3v1Fields{title, artistName, albumName,   fields.year,
                                             "",    track,      artist % 126};
        else if (kind == 8) {
            recipe.id3v2 = tagFor(1, 3, fields, cover, random);
            recipe.id3v1 = test::Id3v1Fields{title, artistName, albumName,   fields.year,
                                             "",    track,      artist % 126};
        }
        AudioFormat format = formatFor(random);
        const std::vector<std::string>* encoded = templates.of(format);
        if (format == AudioFormat::Flac && !flac.valid())
            format = AudioFormat::Mpeg;
        else if (format != AudioFormat::Flac && format != AudioFormat::Mpeg && !encoded)
            format = AudioFormat::Mpeg; // that encoder is missing
        std::string bytes;
        if (format == AudioFormat::Mpeg) {
            bytes = test::makeMp3(recipe);
        } else if (format == AudioFormat::Flac) {
            std::vector<std::pair<std::string, std::string>> tags = {
                {"TITLE", title},      {"ARTIST", artistName}, {"ALBUM", albumName},
                {"DATE", fields.year}, {"GENRE", genre},       {"TRACKNUMBER", fields.track}};
            if (random() % 5 == 0)
                tags.erase(tags.begin()); // the title from the file name
            bytes = flac.make(tags, cover ? 200'000 + random() % 600'000 : 0, random);
        } else {
            bytes = (*encoded)[static_cast<std::size_t>(i) % encoded->size()];
        }
        ++facts.byFormat[static_cast<int>(format)];

        // Two in a hundred are damaged: cut short, a tag claiming more than the file holds, or
        // something else under an audio name.
        switch (random() % 150) {
        case 0:
            bytes.resize(bytes.size() / 3);
            ++facts.malformed;
            break;
        case 1:
            if (bytes.size() > 10 && bytes.compare(0, 3, "ID3") == 0) {
                bytes[6] = 0x7F; // a syncsafe size near 256 MB
                ++facts.malformed;
            }
            break;
        case 2:
            bytes.assign(bytes.size(), 'x');
            ++facts.malformed;
            break;
        default:
            break;
        }
        facts.withCoverArt += cover;

        const auto folder = root / genre / artistName / albumName;
        std::filesystem::create_directories(folder);
        char number[8];
        std::snprintf(number, sizeof number, "%02d", track);
        std::ofstream(
            folder / (std::string(number) + " - " + title + test::AudioFormatExtension(format)),
            std::ios::binary)
            << bytes;
        facts.bytes += static_cast<int64_t>(bytes.size());
        ++facts.files;
    }
    return facts;
}

} // namespace tunebay::bench
