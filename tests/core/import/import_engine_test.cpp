#include "import/import_operations.h"
#include "store/catalogued_file_locator.h"
#include "store/item_query.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"
#include "support/two_machines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace tunebay {
namespace {

using test::FixedClock;

namespace fs = std::filesystem;
using test::Mp3Recipe;

// Collects what the operations report.
class RecordingSink : public IProgressSink {
public:
    void OnProgress(int, const std::string& text) override {
        std::lock_guard lock(mutex);
        texts.push_back(text);
    }
    void OnFinished(int code, int stop) override {
        std::lock_guard lock(mutex);
        finished.emplace_back(code, stop);
    }
    std::mutex mutex;
    std::vector<std::string> texts;
    std::vector<std::pair<int, int>> finished;
};

std::string taggedMp3(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& genre = "(17)", int frames = 40) {
    Mp3Recipe recipe;
    recipe.frameCount = frames;
    recipe.id3v2 = test::id3v2TagFromFields(3, {title, artist, album, "1999", "", genre, "1"});
    return test::makeMp3(recipe);
}

class ImportEngine : public ::testing::Test {
protected:
    std::string music(const std::string& relative, const std::string& bytes) {
        return catalogue.dir().write("music/" + relative, bytes).string();
    }
    std::string folder() const { return catalogue.dir().file("music").string(); }

    std::shared_ptr<FolderImportOperation> importFolder(ImportOptions options = {}) {
        auto run = std::make_shared<FolderImportOperation>(sink, catalogue.connection, folder(),
                                                           options, clock);
        EXPECT_EQ(run->Start(), 1);
        EXPECT_EQ(run->WaitFinished(20000), 1);
        return run;
    }
    std::string count(const std::string& from) {
        return catalogue.scalar("SELECT COUNT(*) FROM " + from);
    }

    test::TempCatalogue catalogue;
    RecordingSink sink;
    FixedClock clock;
};

TEST_F(ImportEngine, AFileBecomesOneItemWithItsTagHeaderAndProperties) {
    const auto path = music("a.mp3", taggedMp3("Song", "Artist", "Album"));
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    const int item = importer.ImportMediaFile(path, false);
    ASSERT_GT(item, 0);
    ResultSet row = QueryItems(catalogue.connection,
                               "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, "
                               "tblMedia.lGenreID, tblMedia.sPublishTime, tblMedia.sFileName, "
                               "tblDirectory.sLocal, tblMedia.sImportTime, tblMedia.lMediaType, "
                               "tblMedia.fSize, tblDirectory.sUNC, tblDirectory.sURL",
                               "tblItem.lID=" + std::to_string(item), 0);
    ASSERT_FALSE(row.IsEof());
    EXPECT_EQ(row.GetText(0), "Song");
    EXPECT_EQ(row.GetText(1), "Artist");
    EXPECT_EQ(row.GetText(2), "Album");
    EXPECT_EQ(row.GetInt(3), 17);
    EXPECT_EQ(row.GetText(4), "1999");
    EXPECT_EQ(row.GetText(5), "a.mp3");
    EXPECT_EQ(row.GetText(6), folder() + "/");
    EXPECT_EQ(row.GetText(7), "20251208140000");
    EXPECT_EQ(row.GetInt(8), 1);
    EXPECT_EQ(row.GetText(9), std::to_string(fs::file_size(path)));
    EXPECT_EQ(row.GetText(10), "/" + folder() + "/");
    EXPECT_EQ(count("tblOptional WHERE lOptionalTypeID IN (4102, 4103, 4112, 4118, 4098)"), "5");
    EXPECT_EQ(catalogue.scalar("SELECT lValue FROM tblOptional WHERE lOptionalTypeID=4103"), "128");
    EXPECT_EQ(catalogue.scalar("SELECT lValue FROM tblOptional WHERE lOptionalTypeID=4102"),
              "44100");
    EXPECT_EQ(catalogue.scalar("SELECT sValue FROM tblOptional WHERE lOptionalTypeID=4098"),
              "Stereo");
    EXPECT_EQ(count("tblOptional WHERE lOptionalTypeID=4117"), "0"); // not a removable volume
}

TEST_F(ImportEngine, ImportingAFolderTwiceAddsNothingTheSecondTime) {
    music("a.mp3", taggedMp3("A", "G", "P"));
    music("b.MP3", taggedMp3("B", "G", "P"));
    music("notes.txt", "not music");
    music("sub/c.Mp3", taggedMp3("C", "G", "P"));
    auto first = importFolder();
    EXPECT_EQ(first->Failures(), 0);
    EXPECT_EQ(first->ItemsAdded(), 3);
    EXPECT_EQ(first->StopCode(), 0);
    EXPECT_EQ(count("tblItem"), "3");
    EXPECT_EQ(count("tblGroup"), "1");
    EXPECT_EQ(count("tblPackage"), "1"); // found again through the items of its group
    auto second = importFolder();
    EXPECT_EQ(second->Failures(), 3);
    EXPECT_EQ(count("tblItem"), "3");
    EXPECT_EQ(ImportFailureSummary(second->Failures()), "3 file/s couldn't be imported!");
    ASSERT_EQ(sink.finished.size(), 2u);
    EXPECT_EQ(sink.finished[0], std::make_pair(5, 0));
    EXPECT_EQ(sink.texts.front(), "Searching files...");
    EXPECT_NE(std::find(sink.texts.begin(), sink.texts.end(), "Importing files...  1"),
              sink.texts.end());
}

TEST_F(ImportEngine, FilesOfAFolderComeBeforeItsSubfoldersAndLinkLoopsEnd) {
    music("z/deep.mp3", taggedMp3("Deep", "G", "P"));
    music("top.mp3", taggedMp3("Top", "G", "P"));
    fs::create_directory_symlink(folder(), fs::path(folder()) / "z" / "loop");
    ImportOptions options;
    importFolder(options);
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblMedia WHERE lID=1"), "Top");
    EXPECT_EQ(count("tblItem"), "2");
    options.recurse = false;
    test::TempCatalogue other;
    auto run =
        std::make_shared<FolderImportOperation>(sink, other.connection, folder(), options, clock);
    run->Start();
    run->WaitFinished(20000);
    EXPECT_EQ(other.scalar("SELECT COUNT(*) FROM tblItem"), "1");
}

TEST_F(ImportEngine, SameFileNameInTwoFoldersGivesTwoMediaRows) {
    music("one/x.mp3", taggedMp3("X", "G", "P"));
    music("two/x.mp3", taggedMp3("X", "G", "P"));
    importFolder();
    EXPECT_EQ(count("tblMedia WHERE sFileName='x.mp3'"), "2");
    EXPECT_EQ(count("tblDirectory"), "2");
}

TEST_F(ImportEngine, AnAlbumKnownOnlyUnderAnotherGroupGetsItsOwnRow) {
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    ASSERT_GT(importer.ImportMediaFile(music("1.mp3", taggedMp3("One", "ABBA", "Gold")), false), 0);
    ASSERT_GT(importer.ImportMediaFile(music("2.mp3", taggedMp3("Two", "Queen", "Gold")), false),
              0);
    EXPECT_EQ(count("tblPackage WHERE sName='Gold'"), "2");
}

TEST_F(ImportEngine, WithoutTagTheFileNameNamesTheItem) {
    Mp3Recipe plain;
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    const int item = importer.ImportMediaFile(music("07_my_song.mp3", test::makeMp3(plain)), false);
    ASSERT_GT(item, 0);
    ResultSet row = QueryItems(
        catalogue.connection,
        "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, tblMedia.lGenreID", "", 0);
    EXPECT_EQ(row.GetText(0), "my song");
    EXPECT_EQ(row.GetText(1), "Unknown");
    EXPECT_EQ(row.GetText(2), "Unknown");
    EXPECT_EQ(row.GetInt(3), 255);
    const int second =
        importer.ImportMediaFile(music("Band - Hit.mp3", test::makeMp3(plain)), false);
    ResultSet named = QueryItems(catalogue.connection, "SELECT tblMedia.sName, tblGroup.sName",
                                 "tblItem.lID=" + std::to_string(second), 0);
    EXPECT_EQ(named.GetText(0), "Hit");
    EXPECT_EQ(named.GetText(1), "Band");
}

TEST_F(ImportEngine, OtherFilesOnlyWithAllFilesAndThenWithoutAudioFacts) {
    const auto text = music("readme.txt", "hello there");
    ImportOptions options;
    MediaImporter strict(catalogue.connection, options, nullptr, clock);
    EXPECT_EQ(strict.ImportMediaFile(text, false), 0);
    options.allowAllFiles = true;
    MediaImporter lenient(catalogue.connection, options, nullptr, clock);
    const int item = lenient.ImportMediaFile(text, false);
    ASSERT_GT(item, 0);
    ResultSet row = QueryItems(catalogue.connection,
                               "SELECT tblMedia.lMediaType, tblMedia.lLength, tblMedia.lGenreID, "
                               "tblMedia.sName, tblMedia.fSize",
                               "", 0);
    EXPECT_EQ(row.GetInt(0), 0);
    EXPECT_EQ(row.GetInt(1), 0);
    EXPECT_EQ(row.GetInt(2), 255);
    EXPECT_EQ(row.GetText(3), "readme");
    EXPECT_EQ(row.GetText(4), "11");
    EXPECT_EQ(count("tblOptional"), "0");
    // Empty files and files that have gone are handled without harm.
    EXPECT_GT(lenient.ImportMediaFile(music("empty.mp3", ""), false), 0);
    EXPECT_EQ(lenient.ImportMediaFile(catalogue.dir().file("music/gone.mp3").string(), false), 0);
    EXPECT_EQ(lenient.ImportMediaFile(folder(), false), 0);
}

TEST_F(ImportEngine, FileNamesThatAreNotUtf8AreStoredByteForByte) {
    const std::string name = "caf\xe9 \xff.mp3";
    const auto path = music(name, taggedMp3("T", "G", "P"));
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    ASSERT_GT(importer.ImportMediaFile(path, false), 0);
    EXPECT_EQ(catalogue.scalar("SELECT sFileName FROM tblMedia"), name);
    EXPECT_EQ(importer.ImportMediaFile(path, false), 0); // and found again as a duplicate
}

TEST_F(ImportEngine, UpdateRewritesFieldsAndMovesTheItem) {
    const auto path = music("u.mp3", taggedMp3("Old", "Before", "First", "(17)", 40));
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    const int item = importer.ImportMediaFile(path, false);
    ASSERT_GT(item, 0);
    test::TempDir scratch;
    fs::copy_file(scratch.write("new.mp3", taggedMp3("New", "After", "Second", "(8)", 400)), path,
                  fs::copy_options::overwrite_existing);
    auto run = std::make_shared<UpdateOperation>(sink, catalogue.connection, "", 7, ImportOptions(),
                                                 clock);
    run->Start();
    run->WaitFinished(20000);
    EXPECT_EQ(run->ErrorMessage(), "");
    ResultSet row = QueryItems(catalogue.connection,
                               "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, "
                               "tblMedia.lGenreID, tblMedia.lLength, tblMedia.fSize",
                               "tblItem.lID=" + std::to_string(item), 0);
    ASSERT_FALSE(row.IsEof());
    EXPECT_EQ(row.GetText(0), "New");
    EXPECT_EQ(row.GetText(1), "After");
    EXPECT_EQ(row.GetText(2), "Second");
    EXPECT_EQ(row.GetInt(3), 8);
    EXPECT_GT(row.GetInt(4), 1);
    EXPECT_EQ(row.GetText(5), std::to_string(fs::file_size(path)));
    EXPECT_EQ(count("tblGroup WHERE sName='Before'"), "0");
    EXPECT_EQ(count("tblItem"), "1");
    EXPECT_EQ(sink.texts.back(), "Updating items...  1");
}

TEST_F(ImportEngine, AStopRequestEndsTheRunBetweenFiles) {
    for (int i = 0; i < 40; ++i)
        music("f" + std::to_string(i) + ".mp3", taggedMp3("T" + std::to_string(i), "G", "P"));
    // The stop comes while the fifth file is being read, whatever the speed of the machine.
    ImportOptions options;
    options.generateFingerprint = true;
    FolderImportOperation* running = nullptr;
    int read = 0;
    auto run = std::make_shared<FolderImportOperation>(
        sink, catalogue.connection, folder(), options, clock,
        [&](const std::string&, const std::function<bool()>&) {
            if (++read == 5)
                running->RequestStop();
            return FileFingerprint();
        });
    running = run.get();
    run->RequestStop();
    // A stop requested before the start is cleared by the start; this one comes during the run.
    ASSERT_EQ(run->Start(), 1);
    ASSERT_EQ(run->WaitFinished(20000), 1);
    EXPECT_EQ(run->StopCode(), 1);
    // Stopped after the current file: what was read is catalogued, nothing after it.
    EXPECT_EQ(count("tblItem"), "5");
}

} // namespace
} // namespace tunebay

namespace tunebay {
namespace {

// Broken files of every kind go through a whole folder import without harm: each becomes an
// item or counts as a failure, and the catalogue stays consistent.
TEST_F(ImportEngine, MalformedFilesNeverBreakAFolderImport) {
    test::FrameHeader header;
    const std::string frames = test::audioFrames(header, 20);
    std::string random(65536, '\0');
    uint32_t state = 12345;
    for (auto& byte : random) {
        state = state * 1103515245 + 12345;
        byte = static_cast<char>(state >> 16);
    }
    music("truncated-tag.mp3", std::string("ID3\x03\x00\x00\x00\x7f\x7f\x7f", 10) + "short");
    music("truncated-frames.mp3", frames.substr(0, frames.size() / 3 + 7));
    music("header-only.mp3", test::headerBytes(header));
    music("zero.mp3", "");
    music("junk.mp3", "this is not an mp3 file at all\n");
    music("random.mp3", random);
    music("xing-zero.mp3", test::xingFrame(header, 0u) + frames);
    music("xing-minus-one.mp3", test::xingFrame(header, 0xffffffffu) + frames);
    music("garbage-frames.mp3",
          test::id3v2Tag(3, {test::id3v2Frame(3, "TIT2", std::string("\x01\xff", 2)),
                             test::id3v2Frame(3, "TCON", "\x00(999)"),
                             test::id3v2Frame(3, "COMM", "\x00")}) +
              frames);
    music("v1-only-tag.mp3", std::string(125, 'x') + "TAG");
    ImportOptions options;
    options.allowAllFiles = true;
    auto run = importFolder(options);
    EXPECT_EQ(run->ErrorMessage(), "");
    EXPECT_EQ(run->Processed(), 10);
    EXPECT_EQ(run->ItemsAdded() + run->Failures(), 10);
    EXPECT_EQ(count("tblItem"), std::to_string(run->ItemsAdded()));
    // Every item is whole: it shows up in the listing join.
    EXPECT_EQ(QueryItems(catalogue.connection, "SELECT COUNT(*)", "", 0).GetInt(0),
              run->ItemsAdded());
    EXPECT_EQ(count("tblMedia WHERE lGenreID NOT IN (SELECT lID FROM tblGenre)"), "0");
}

TEST(ImportCorpus, TheSharedCorpusImportsWithoutHarm) {
    const std::string corpus = TUNEBAY_CORPUS_DIR;
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error))
        GTEST_SKIP() << "no corpus at " << corpus;
    test::TempCatalogue catalogue;
    RecordingSink sink;
    FixedClock clock;
    ImportOptions options;
    options.allowAllFiles = true;
    auto run =
        std::make_shared<FolderImportOperation>(sink, catalogue.connection, corpus, options, clock);
    ASSERT_EQ(run->Start(), 1);
    ASSERT_EQ(run->WaitFinished(300000), 1);
    EXPECT_EQ(run->ErrorMessage(), "");
    EXPECT_GT(run->ItemsAdded(), 0);
    EXPECT_EQ(QueryItems(catalogue.connection, "SELECT COUNT(*)", "", 0).GetInt(0),
              run->ItemsAdded());
}

// A catalogue shared by two machines that mount one share at folders of their own.
class SharedShare : public testing::TestWithParam<test::Engine> {};

TEST_P(SharedShare, TheOtherMachineFindsEveryFileAndImportsNothingTwice) {
    test::EngineCatalogue catalogue(GetParam());
    if (!catalogue.unavailable().empty())
        GTEST_SKIP() << catalogue.unavailable();
    test::TwoMachines machines;
    const auto put = [&](const std::string& name, const std::string& title) {
        fs::create_directories((machines.Share() / name).parent_path());
        std::ofstream(machines.Share() / name, std::ios::binary)
            << taggedMp3(title, "Band", "Gold");
    };
    put("song.mp3", "Song");
    put("sub/other.mp3", "Other");
    RecordingSink sink;
    FixedClock clock;
    const auto finished = [](const std::shared_ptr<ImportRun>& run) {
        EXPECT_EQ(run->Start(), 1);
        EXPECT_EQ(run->WaitFinished(20000), 1);
        EXPECT_EQ(run->ErrorMessage(), "");
        return run;
    };
    const auto importFolder = [&](const std::string& folder) {
        return finished(std::make_shared<FolderImportOperation>(sink, catalogue.connection, folder,
                                                                ImportOptions(), clock));
    };
    const std::string a = machines.MountPoint('A') + "/";
    const std::string b = machines.MountPoint('B') + "/";
    const std::string folders =
        "SELECT sLocal, sUNC FROM tblDirectory WHERE sLocal LIKE '%/mount-%' "
        "ORDER BY lID";

    machines.Use('A');
    EXPECT_EQ(importFolder(a)->ItemsAdded(), 2);
    EXPECT_EQ(catalogue.rows(folders), a + "|//NAS/Music/\n" + a + "sub/|//NAS/Music/sub/");

    // Machine B reaches the same files under its own mount point: nothing comes in twice, and a
    // file new on the share joins the folder the catalogue has for it already.
    machines.Use('B');
    const struct {
        const char* what;
        std::function<std::shared_ptr<ImportRun>()> import;
        const char* newFile; // put on the share first
        int added;
        int alreadyCatalogued;
    } imports[] = {
        {"the mount point", [&] { return importFolder(b); }, nullptr, 0, 2},
        {"one file",
         [&] {
             return finished(std::make_shared<FileListImportOperation>(
                 sink, catalogue.connection, std::vector<std::string>{b + "sub/other.mp3"},
                 ImportOptions(), clock));
         },
         nullptr, 0, 1},
        {"a new file", [&] { return importFolder(b); }, "new.mp3", 1, 2},
        {"every item again",
         [&] {
             return finished(std::make_shared<UpdateOperation>(sink, catalogue.connection, "", 0,
                                                               ImportOptions(), clock));
         },
         nullptr, 0, 0},
    };
    for (const auto& step : imports) {
        if (step.newFile)
            put(step.newFile, "New");
        const std::shared_ptr<ImportRun> run = step.import();
        EXPECT_EQ(run->ItemsAdded(), step.added) << step.what;
        int already = 0;
        for (const FailedImport& failed : run->FailedFiles())
            if (failed.reason == ImportFailure::AlreadyCatalogued)
                ++already;
            else
                ADD_FAILURE() << step.what << ": " << failed.path;
        EXPECT_EQ(already, step.alreadyCatalogued) << step.what;
    }
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), "3");
    EXPECT_EQ(catalogue.rows(folders), a + "|//NAS/Music/\n" + a + "sub/|//NAS/Music/sub/");

    // Every catalogued file is found where machine B has it.
    const CataloguedFileLocator locator;
    std::string located;
    for (ResultSet rows = catalogue.connection.Execute(
             "SELECT tblDirectory.sLocal, tblDirectory.sUNC, tblMedia.sFileName FROM tblMedia, "
             "tblDirectory WHERE tblMedia.lDirectoryID=tblDirectory.lID ORDER BY tblMedia.lID");
         !rows.IsEof(); rows.MoveNext())
        located += locator.Path(rows.GetText(0), rows.GetText(1), rows.GetText(2)) + "\n";
    EXPECT_EQ(located, b + "song.mp3\n" + b + "sub/other.mp3\n" + b + "new.mp3\n");
}

INSTANTIATE_TEST_SUITE_P(Import, SharedShare,
                         testing::Values(test::Engine::File, test::Engine::Server),
                         [](const auto& info) { return test::EngineLabel(info.param); });

} // namespace
} // namespace tunebay
