#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/encoded_audio.h"
#include "support/mp3_fixture.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
using test::TempDir;

// A real picture made by ffmpeg ("" when it is missing).
std::string picture(const TempDir& dir, const std::string& name, const std::string& colour,
                    const std::string& size) {
    const auto file = dir.file(name);
    const std::string command = "ffmpeg -v quiet -y -f lavfi -i color=" + colour + ":s=" + size +
                                " -frames:v 1 " + test::ShellQuoted(file.string()) +
                                " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? test::readFile(file) : std::string();
}

std::string mp3() {
    test::Mp3Recipe recipe;
    recipe.frameCount = 20;
    return test::makeMp3(recipe);
}

// Items whose files lie in a temporary folder, in a catalogue that is closed again.
struct Shelf {
    TempDir music;
    test::TempCatalogue catalogue;
    std::string path = catalogue.path().string();

    test::AddedItem add(const std::string& folder, const std::string& file,
                        const std::string& bytes, const std::string& package = "Gold") {
        std::filesystem::create_directories(music.path() / folder);
        music.write(folder + "/" + file, bytes);
        test::CatalogueBuilder builder(catalogue.connection);
        return builder.add({.title = file,
                            .group = "Abba",
                            .package = package,
                            .directory = (music.path() / folder).string() + "/",
                            .fileName = file});
    }
};

// The cover command shows where an item's cover comes from, extracts it as it is stored, embeds
// a picture and removes it again; what cannot be done is refused with the reason.
TEST(CoverCommand, ShowsExtractsSetsAndRemoves) {
    Shelf shelf;
    CliRunner cli;
    const std::string folderPicture = picture(cli.dir(), "folder.jpg", "green", "40x40");
    const std::string newPicture = picture(cli.dir(), "new.png", "red", "64x32");
    if (folderPicture.empty() || newPicture.empty())
        GTEST_SKIP() << "ffmpeg is needed to make the pictures";
    const int item = shelf.add("a", "song.mp3", mp3()).itemId;
    const int flac = shelf.add("b", "song.flac", "fLaC" + std::string(200, '\0')).itemId;
    test::AudioRecipe recipe;
    recipe.seconds = 1;
    const auto encoded = test::EncodeAudio(cli.dir().path(), "tone.flac", recipe);
    const std::string tone =
        encoded.empty()
            ? ""
            : std::to_string(shelf.add("c", "tone.flac", test::readFile(encoded)).itemId);
    shelf.music.write("a/Cover.JPG", folderPicture);
    shelf.catalogue.connection.Open("");
    const std::string id = std::to_string(item);
    const std::string song = (shelf.music.path() / "a/song.mp3").string();

    CliResult result = cli.run({"cover", shelf.path, id});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, (shelf.music.path() / "a/Cover.JPG").string() + "\timage/jpeg\t" +
                              std::to_string(folderPicture.size()) + "\n");
    const std::string extracted = cli.dir().file("out.jpg").string();
    ASSERT_EQ(cli.run({"cover", shelf.path, id, "--extract", extracted}).status, 0);
    EXPECT_EQ(test::readFile(extracted), folderPicture);
    result = cli.run({"cover", shelf.path, id, "--extract", extracted});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("File exists"), std::string::npos) << result.err;

    result = cli.run({"cover", shelf.path, id, "--set", cli.dir().file("new.png").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(cli.run({"cover", shelf.path, id}).out,
              "embedded\timage/png\t" + std::to_string(newPicture.size()) + "\n");
    const std::string embedded = cli.dir().file("embedded.png").string();
    ASSERT_EQ(cli.run({"cover", shelf.path, id, "--extract", embedded}).status, 0);
    EXPECT_EQ(test::readFile(embedded), newPicture);

    ASSERT_EQ(cli.run({"cover", shelf.path, id, "--remove"}).status, 0);
    EXPECT_EQ(cli.run({"cover", shelf.path, id}).out.substr(0, 1), "/");

    // Formats with tags of their own take covers the same way.
    if (!encoded.empty()) {
        ASSERT_EQ(cli.run({"cover", shelf.path, tone, "--set", cli.dir().file("new.png").string()})
                      .status,
                  0);
        EXPECT_EQ(cli.run({"cover", shelf.path, tone}).out,
                  "embedded\timage/png\t" + std::to_string(newPicture.size()) + "\n");
        ASSERT_EQ(cli.run({"cover", shelf.path, tone, "--remove"}).status, 0);
        EXPECT_EQ(cli.run({"cover", shelf.path, tone}).status, 1);
    }

    struct Refusal {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"cover", shelf.path, std::to_string(flac), "--set", cli.dir().file("new.png").string()},
         1,
         "the audio data cannot be found"},
        {{"cover", shelf.path, id, "--set", song}, 1, "not a JPEG, PNG, WebP or GIF picture"},
        {{"cover", shelf.path, std::to_string(flac)}, 1, "No cover"},
        {{"cover", shelf.path, "999"}, 1, "No item 999"},
        {{"cover", shelf.path, id, "--set", embedded, "--remove"}, 2, "excludes"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.message);
        result = cli.run(refusal.arguments);
        EXPECT_EQ(result.status, refusal.status);
        EXPECT_NE(result.err.find(refusal.message), std::string::npos) << result.err;
    }
}

// With --covers the web site holds one thumbnail per package that has a cover, named after the
// package id, shown where the package changes; without, the site is what it always was.
TEST(CoverCommand, WebSiteCoversAreOptIn) {
    Shelf shelf;
    CliRunner cli;
    const std::string front = picture(cli.dir(), "front.jpg", "blue", "300x150");
    if (front.empty())
        GTEST_SKIP() << "ffmpeg is needed to make the pictures";
    const test::AddedItem gold = shelf.add("gold", "a1.mp3", mp3(), "Gold");
    shelf.add("gold", "a2.mp3", mp3(), "Gold");
    shelf.add("plain", "b.mp3", mp3(), "Plain");
    shelf.music.write("gold/front.jpg", front);
    shelf.catalogue.connection.Open("");

    auto site = [&](const std::string& name, const std::vector<std::string>& flags) {
        std::vector<std::string> arguments = {
            "export", shelf.path, "--format", "site", "-o", cli.dir().file(name + ".htm").string()};
        arguments.insert(arguments.end(), flags.begin(), flags.end());
        const CliResult result = cli.run(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        return cli.dir().file(name + "_files");
    };
    const auto plain = site("plain", {});
    const auto off = site("off", {"--no-covers"});
    const auto on = site("on", {"--covers"});
    std::string page; // the one genre's page
    for (const auto& entry : std::filesystem::directory_iterator(plain))
        if (entry.path().extension() == ".htm" && entry.path().filename() != "Tunebay.htm")
            page = entry.path().filename().string();
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(test::readFile(off / page), test::readFile(plain / page));
    for (const auto& entry : std::filesystem::directory_iterator(plain))
        EXPECT_NE(entry.path().extension(), ".png") << entry.path();

    const std::string thumbnail = std::to_string(gold.packageId) + ".png";
    const std::string png = test::readFile(on / thumbnail);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // The width and height of the PNG header: 96 x 48, the picture scaled to fit.
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\x60\0\0\0\x30", 8));
    const std::string html = test::readFile(on / page);
    EXPECT_NE(html.find("<IMG src=\"" + thumbnail + "\" alt=\"Gold\""), std::string::npos) << html;
    // Once, where the package starts: the second item of Gold and the one of Plain show none.
    EXPECT_EQ(html.find(".png\"", html.find(thumbnail) + thumbnail.size()), std::string::npos);
    std::size_t pngs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(on))
        pngs += entry.path().extension() == ".png" ? 1 : 0;
    EXPECT_EQ(pngs, 1u);
}

} // namespace
} // namespace tunebay
