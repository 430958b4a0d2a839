// The crash journal: an entry whose run has gone is settled by the next open for writing.
#include "app/catalogue_document.h"
#include "store/file_journal.h"
#include "support/catalogue_builder.h"
#include "support/private_postgres.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace tunebay {
namespace {

namespace fs = std::filesystem;

// A process id that belonged to a process which has ended.
long long deadPid() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

// On a catalogue file and on a server catalogue alike.
class JournalRepair : public ::testing::TestWithParam<test::Engine> {
protected:
    void SetUp() override {
        if (!catalogue.unavailable().empty())
            GTEST_SKIP() << catalogue.unavailable();
        music = folder.path().string() + "/music/";
        fs::create_directories(music);
        EnsureJournalTable(catalogue.connection);
    }

    // The entries written so far belong to a process that was killed before clearing them.
    void crash() {
        catalogue.connection.Execute("UPDATE tblJournal SET lPid=" + std::to_string(deadPid()));
    }

    // Opens the catalogue again the way both front ends do.
    void reopen() {
        catalogue.connection.Open("");
        CatalogueDocument document(catalogue.connection, test::dataDirectory());
        ASSERT_TRUE(document.OpenCatalogue(catalogue.name()).ok());
    }

    std::string entries() { return catalogue.scalar("SELECT COUNT(*) FROM tblJournal"); }

    void touch(const std::string& path, const std::string& bytes = "audio") {
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    test::EngineCatalogue catalogue{GetParam()};
    test::TempDir folder;
    std::string music;
};

INSTANTIATE_TEST_SUITE_P(BothEngines, JournalRepair,
                         testing::Values(test::Engine::File, test::Engine::Server),
                         [](const auto& info) { return test::EngineLabel(info.param); });

TEST_P(JournalRepair, ARenameInFlightEndsWithTheRowNamingTheFileOnDisk) {
    struct Case {
        bool oldThere, newThere;
        const char* expected;
    };
    for (const Case& c : {Case{true, false, "old.mp3"}, Case{true, true, "old.mp3"},
                          Case{false, true, "new.mp3"}, Case{false, false, "old.mp3"}}) {
        fs::remove_all(music);
        fs::create_directories(music);
        catalogue.connection.Execute("DELETE FROM tblJournal");
        test::ItemFacts facts;
        facts.directory = music;
        facts.fileName = "old.mp3";
        const auto added = test::CatalogueBuilder(catalogue.connection).add(facts);
        if (c.oldThere)
            touch(music + "old.mp3");
        if (c.newThere)
            touch(music + "new.mp3");
        FileJournal(catalogue.connection).RecordRename(added.mediaId, music, "old.mp3", "new.mp3");
        crash();
        reopen();
        EXPECT_EQ(catalogue.scalar("SELECT sFileName FROM tblMedia WHERE lID=" +
                                   std::to_string(added.mediaId)),
                  c.expected)
            << c.oldThere << c.newThere;
        EXPECT_EQ(entries(), "0");
    }
}

TEST_P(JournalRepair, AMovedFileTakesItsRowToTheNewFolderAndTheEmptiedFolderRowGoes) {
    test::ItemFacts facts;
    facts.directory = music;
    facts.fileName = "a.mp3";
    const auto added = test::CatalogueBuilder(catalogue.connection).add(facts);
    const std::string target = folder.path().string() + "/sorted/";
    fs::create_directories(target);
    touch(target + "a (1).mp3");
    FileJournal(catalogue.connection)
        .RecordMove(added.mediaId, added.directoryId, music + "a.mp3", target + "a (1).mp3");
    crash();
    reopen();
    EXPECT_EQ(catalogue.scalar("SELECT tblDirectory.sLocal || tblMedia.sFileName FROM tblMedia, "
                               "tblDirectory WHERE tblDirectory.lID=tblMedia.lDirectoryID"),
              target + "a (1).mp3");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE lID=" +
                               std::to_string(added.directoryId)),
              "0");
    EXPECT_EQ(entries(), "0");
}

TEST_P(JournalRepair, AMoveAcrossDevicesIsFinishedOnlyOnceTheCopyIsPlacedWhole) {
    const std::string target = folder.path().string() + "/other/";
    fs::create_directories(target);
    struct Case {
        bool temporaryLeft;
        std::string placed; // content under the new name ("" for none)
        bool sourceStays;
        bool rowMoves;
    };
    for (const Case& c : {Case{true, "", true, false}, Case{false, "audio", false, true},
                          Case{false, "other", true, false}}) {
        catalogue.connection.Execute("DELETE FROM tblJournal");
        fs::remove_all(music);
        fs::remove_all(target);
        fs::create_directories(music);
        fs::create_directories(target);
        test::ItemFacts facts;
        facts.directory = music;
        facts.fileName = "b.mp3";
        const auto added = test::CatalogueBuilder(catalogue.connection).add(facts);
        touch(music + "b.mp3");
        if (c.temporaryLeft)
            touch(target + ".b.mp3.part", "aud");
        if (!c.placed.empty())
            touch(target + "b.mp3", c.placed);
        FileJournal(catalogue.connection)
            .RecordMove(added.mediaId, added.directoryId, music + "b.mp3", target + "b.mp3",
                        target + ".b.mp3.part");
        crash();
        reopen();
        EXPECT_EQ(fs::exists(music + "b.mp3"), c.sourceStays) << c.placed;
        EXPECT_FALSE(fs::exists(target + ".b.mp3.part"));
        EXPECT_EQ(catalogue.scalar("SELECT tblDirectory.sLocal FROM tblMedia, tblDirectory WHERE "
                                   "tblDirectory.lID=tblMedia.lDirectoryID AND tblMedia.lID=" +
                                   std::to_string(added.mediaId)),
                  c.rowMoves ? target : music)
            << c.placed;
    }
}

TEST_P(JournalRepair, ALeftoverTemporaryCopyIsRemoved) {
    touch(music + ".x.mp3.part", "half");
    FileJournal(catalogue.connection).RecordCopy(music + ".x.mp3.part");
    crash();
    reopen();
    EXPECT_FALSE(fs::exists(music + ".x.mp3.part"));
    EXPECT_EQ(entries(), "0");
}

TEST_P(JournalRepair, ABackupIsWrittenBackInPlaceForEveryNameOfTheFile) {
    const std::string backups = folder.path().string() + "/backups/";
    fs::create_directories(backups);
    touch(music + "song.mp3", "whole original");
    fs::create_hard_link(music + "song.mp3", music + "same song.mp3");
    touch(backups + "song.mp3", "whole original");
    FileJournal journal(catalogue.connection);
    journal.RecordBackup(music + "song.mp3", backups + "song.mp3");
    // The write in place was cut short.
    fs::resize_file(music + "song.mp3", 3);
    crash();
    reopen();
    EXPECT_EQ(test::readFile(music + "song.mp3"), "whole original");
    EXPECT_EQ(test::readFile(music + "same song.mp3"), "whole original");
    EXPECT_EQ(fs::hard_link_count(music + "song.mp3"), 2u);
    EXPECT_FALSE(fs::exists(backups + "song.mp3"));
    EXPECT_EQ(entries(), "0");
}

TEST_P(JournalRepair, AClearedEntryLeavesNothingToRepair) {
    touch(music + "t.mp3");
    FileJournal journal(catalogue.connection);
    const JournalEntryId id = journal.RecordBackup(music + "t.mp3", music + "backup");
    journal.Clear(id);
    EXPECT_EQ(entries(), "0");
}

TEST_P(JournalRepair, ARunStillGoingAndARecentRunOfAnotherHostAreLeftAlone) {
    touch(music + ".live.part");
    touch(music + ".foreign.part");
    FileJournal journal(catalogue.connection);
    journal.RecordCopy(music + ".live.part");
    const JournalEntryId foreign = journal.RecordCopy(music + ".foreign.part");
    catalogue.connection.Execute(
        "UPDATE tblJournal SET sHost='elsewhere', lPid=" + std::to_string(deadPid()) +
        " WHERE lID=" + std::to_string(foreign));
    reopen();
    EXPECT_TRUE(fs::exists(music + ".live.part"));
    EXPECT_TRUE(fs::exists(music + ".foreign.part"));
    EXPECT_EQ(entries(), "2");

    // A week later the other host's entry counts as abandoned.
    catalogue.connection.Execute("UPDATE tblJournal SET lTime=lTime-" +
                                 std::to_string(kForeignEntryStaleSeconds + 1) +
                                 " WHERE lID=" + std::to_string(foreign));
    reopen();
    EXPECT_FALSE(fs::exists(music + ".foreign.part"));
    EXPECT_EQ(entries(), "1");
}

} // namespace
} // namespace tunebay
