// How a collection as users keep it today comes into the catalogue: Genre/Artist/Album folders of
// files named "NN - Title.mp3", tagged by many taggers: genres as numbers, as names in several
// spellings and as version-1 bytes, version 2.3 tags with extended headers, version 1.0 and 1.1
// tags, Windows-1252 text. Imports the generated folder and prints what landed where: the share of
// files whose genre text names a genre of the catalogue's list but that are stored as "Unknown",
// and titles or groups made of track numbers.
//
// Usage: bench_collection [FILES]   (default 5000)
#include "import/import_operations.h"
#include "support/mp3_fixture.h"
#include "support/temp_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

class QuietSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

// How a tagger may have written a genre name of the list.
std::string respelt(const std::string& name, std::mt19937& random) {
    std::string text = name;
    auto replace = [&](const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    switch (random() % 6) {
    case 0:
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        break;
    case 1:
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        break;
    case 2:
        replace("-", " ");
        replace("&", "and");
        break;
    case 3:
        replace("-", "");
        replace(" & ", " 'n' ");
        break;
    default:
        break; // as the list writes it
    }
    if (name == "R&B" && random() % 2)
        text = random() % 2 ? "Rhythm and Blues" : "RnB";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    test::TempCatalogue catalogue;
    std::vector<std::string> genres;
    for (ResultSet rows = catalogue.connection.Execute(
             "SELECT sName FROM tblGenre WHERE lID <= 125 ORDER BY lID");
         !rows.IsEof(); rows.MoveNext())
        genres.push_back(rows.GetText(0));
    // Names today's taggers offer that the list lacks: these stay "Unknown" by design.
    const std::vector<std::string> others = {"Drum & Bass", "Indie Rock", "K-Pop", "Post-Rock"};

    std::mt19937 random(20261209);
    const std::filesystem::path root = catalogue.dir().file("library");
    std::map<std::string, int> expected; // file name -> the list genre its tag names
    int tagged = 0;
    for (int i = 0; i < files; ++i) {
        const int genre = static_cast<int>(random() % genres.size());
        const int artist = i / 40;
        const int album = i / 10;
        const int track = i % 10 + 1;
        const std::string title = "Song " + std::to_string(i) + " \u2013 Part"; // en dash
        const std::string artistName = "Artist " + std::to_string(artist);
        const std::string albumName = "Album " + std::to_string(album);
        test::Mp3Recipe recipe;
        recipe.frameCount = 20 + i % 20;
        bool names = true;
        std::string genreText;
        switch (random() % 8) {
        case 0:
            genreText = "(" + std::to_string(genre) + ")";
            break;
        case 1:
            genreText = "(" + std::to_string(genre) + ")" + genres[genre];
            break;
        case 2:
        case 3:
            genreText = genres[genre];
            break;
        case 4:
            genreText = respelt(genres[genre], random);
            break;
        case 5:
            genreText = std::to_string(genre);
            break;
        case 6:
            genreText = others[random() % others.size()];
            names = false;
            break;
        default:
            break; // a version-1 tag alone
        }
        const bool version1Only = genreText.empty() && names;
        if (version1Only) {
            // Version-1 taggers often left the title to the file name.
            recipe.id3v1 = test::Id3v1Fields{
                "", artistName, albumName, "1999", std::string(30, ' '), 0, genre};
        } else {
            const int version = i % 3 == 0 ? 3 : 4;
            recipe.id3v2 = test::id3v2TagFromFields(
                version, {title, artistName, albumName, "2004", "", genreText, ""},
                version == 3 ? test::TextEncoding::Utf16 : test::TextEncoding::Utf8, 256);
        }
        ++tagged;
        const auto folder = root / genres[genre] / artistName / albumName;
        std::filesystem::create_directories(folder);
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%02d - ", track);
        const std::string fileName = prefix + title + ".mp3";
        if (names)
            expected[fileName] = genre;
        std::ofstream(folder / fileName, std::ios::binary) << test::makeMp3(recipe);
    }

    QuietSink sink;
    SystemClock clock;
    auto operation = std::make_shared<FolderImportOperation>(sink, catalogue.connection,
                                                             root.string(), ImportOptions(), clock);
    operation->Start();
    operation->WaitFinished(24 * 3600 * 1000);

    int unknownNaming = 0;
    int otherGenre = 0;
    for (ResultSet rows = catalogue.connection.Execute("SELECT sFileName, lGenreID FROM tblMedia");
         !rows.IsEof(); rows.MoveNext()) {
        const auto it = expected.find(rows.GetText(0));
        if (it == expected.end())
            continue;
        if (rows.GetInt(1) == 255)
            ++unknownNaming;
        else if (rows.GetInt(1) != it->second)
            ++otherGenre;
    }
    const int namingGenre = static_cast<int>(expected.size());
    const std::string dashTitles =
        catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE sName LIKE '-%'");
    const std::string paddedComments =
        catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE sComment LIKE ' %'");
    const std::string numberGroups =
        catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName GLOB '[0-9]*' AND sName NOT "
                         "GLOB '*[^0-9]*'");
    const int stored = operation->ItemsAdded();
    std::printf("files written:                %d (%d tagged, %d naming a genre of the list)\n",
                files, tagged, namingGenre);
    std::printf("items stored:                 %d (%d failures)\n", stored, operation->Failures());
    std::printf("naming a list genre, Unknown: %d (%.2f%%)\n", unknownNaming,
                namingGenre ? 100.0 * unknownNaming / namingGenre : 0.0);
    std::printf("naming a list genre, another: %d\n", otherGenre);
    std::printf("titles starting with '-':     %s\n", dashTitles.c_str());
    std::printf("groups made of digits:        %s\n", numberGroups.c_str());
    std::printf("comments of padding:          %s\n", paddedComments.c_str());
    return 0;
}
