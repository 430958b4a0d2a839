#include "realistic_library.h"

#include "support/mp3_fixture.h"

#include <cstdio>
#include <fstream>
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

} // namespace

LibraryFacts WriteRealisticLibrary(const std::filesystem::path& root, int files) {
    std::mt19937 random(20261209);
    LibraryFacts facts;
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
        std::string bytes = test::makeMp3(recipe);

        // Two in a hundred are damaged: cut short, a tag claiming more than the file holds, or
        // something else under an .mp3 name.
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
        std::ofstream(folder / (std::string(number) + " - " + title + ".mp3"), std::ios::binary)
            << bytes;
        facts.bytes += static_cast<int64_t>(bytes.size());
        ++facts.files;
    }
    return facts;
}

} // namespace tunebay::bench
