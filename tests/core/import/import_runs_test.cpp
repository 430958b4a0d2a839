// How import runs treat paths, playlists and the catalogue: one row per file however its path is
// written, addresses kept as they stand, and no transaction held open while a file is read.
#include "import/import_operations.h"
#include "support/mp3_fixture.h"
#include "support/quiet_run.h"
#include "support/refused_change.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace tunebay {
namespace {

using test::FixedClock;
using test::QuietSink;

namespace fs = std::filesystem;

// A fingerprint generator that stands for a file read that blocks (a dead mount) until let go.
class BlockingRead {
public:
    FingerprintGenerator generator() {
        return [this](const std::string&, const std::function<bool()>&) {
            std::unique_lock lock(m_mutex);
            m_blocked = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
            return FileFingerprint();
        };
    }
    void waitUntilBlocked() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_blocked; });
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_blocked = false;
    bool m_released = false;
};

class ImportRuns : public ::testing::Test {
protected:
    ImportRuns() { fs::current_path(catalogue.dir().path()); }
    ~ImportRuns() override { fs::current_path(m_previous); }

    std::string music(const std::string& name) {
        return catalogue.dir().write("music/" + name, test::makeMp3({})).string();
    }
    std::string count(const std::string& from) {
        return catalogue.scalar("SELECT COUNT(*) FROM " + from);
    }

    fs::path m_previous = fs::current_path();
    test::TempCatalogue catalogue;
    QuietSink sink;
    FixedClock clock;
};

TEST_F(ImportRuns, OneFileHasOneRowHoweverItsPathIsWritten) {
    music("a.mp3");
    FileListImportOperation files(
        sink, catalogue.connection,
        {"music/a.mp3", "./music/a.mp3", "music//a.mp3", "music/./a.mp3", "music/../music/a.mp3"},
        {}, clock);
    files.RunHere();
    for (const char* folder : {"./music", "music//", "music/../music/"}) {
        auto again = std::make_shared<FolderImportOperation>(sink, catalogue.connection, folder,
                                                             ImportOptions(), clock);
        again->Start();
        again->WaitFinished(10000);
        EXPECT_EQ(again->ItemsAdded(), 0) << folder;
    }
    EXPECT_EQ(count("tblMedia"), "1");
    EXPECT_EQ(count("tblDirectory"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT sLocal FROM tblDirectory"),
              catalogue.dir().file("music").string() + "/");
    ASSERT_EQ(files.FailedFiles().size(), 4u);
    for (const FailedImport& failed : files.FailedFiles()) {
        EXPECT_EQ(failed.reason, ImportFailure::AlreadyCatalogued);
        EXPECT_EQ(failed.path, catalogue.dir().file("music/a.mp3").string());
    }
}

TEST_F(ImportRuns, EachFailedFileIsListedWithItsReason) {
    music("good.mp3");
    catalogue.dir().write("music/notes.mp3", "plain text, no audio");
    fs::create_directory(catalogue.dir().file("music/folder.mp3"));
    FileListImportOperation files(
        sink, catalogue.connection,
        {"music/good.mp3", "music/notes.mp3", "music/gone.mp3", "music/folder.mp3"}, {}, clock);
    files.RunHere();
    EXPECT_EQ(files.ItemsAdded(), 1);
    EXPECT_EQ(files.Failures(), 3);
    std::vector<std::pair<std::string, ImportFailure>> seen;
    for (const FailedImport& failed : files.FailedFiles())
        seen.emplace_back(fs::path(failed.path).filename().string(), failed.reason);
    const std::vector<std::pair<std::string, ImportFailure>> expected = {
        {"notes.mp3", ImportFailure::NotAudio},
        {"gone.mp3", ImportFailure::Vanished},
        {"folder.mp3", ImportFailure::Unreadable}};
    EXPECT_EQ(seen, expected);
}

TEST_F(ImportRuns, PlaylistEntriesAreNormalAndAddressesStayAsTheyStand) {
    music("a.mp3");
    catalogue.dir().write("lists/x.pls", "[playlist]\nFile1=../music/./a.mp3\n"
                                         "File2=http://host:8000/stream\nTitle2=Radio\n"
                                         "NumberOfEntries=2\nVersion=2\n");
    auto playlist = std::make_unique<PlsPlaylist>();
    ASSERT_TRUE(playlist->Open("lists/x.pls"));
    auto run = std::make_shared<PlsImportOperation>(sink, catalogue.connection, std::move(playlist),
                                                    clock);
    run->Start();
    run->WaitFinished(10000);
    EXPECT_EQ(run->ItemsAdded(), 2);
    EXPECT_EQ(catalogue.scalar("SELECT sLocal FROM tblDirectory, tblMedia WHERE "
                               "tblDirectory.lID=lDirectoryID AND sFileName='a.mp3'"),
              catalogue.dir().file("music").string() + "/");
    EXPECT_EQ(catalogue.scalar("SELECT sLocal || ' ' || sURL FROM tblDirectory, tblMedia WHERE "
                               "tblDirectory.lID=lDirectoryID AND sFileName='stream'"),
              "http://host:8000/ http://host:8000/");
    // A file import of the same file finds the playlist's row.
    FileListImportOperation again(sink, catalogue.connection, {"music/a.mp3"}, {}, clock);
    again.RunHere();
    EXPECT_EQ(again.ItemsAdded(), 0);
}

TEST_F(ImportRuns, PlaylistsThatAreNoRegularFilesAreRefusedAtOnce) {
    const fs::path fifo = catalogue.dir().file("pipe.pls");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    PlsPlaylist playlist;
    EXPECT_FALSE(playlist.Open(fifo.string()));
    EXPECT_FALSE(playlist.Open(catalogue.dir().path().string()));
}

// Many batches: they are written in the order read, and a batch that cannot be written ends
// the run with the engine's words, the files before it catalogued and none after.
TEST_F(ImportRuns, BatchesAreWrittenInOrderAndAWriteFailureEndsTheRun) {
    std::vector<std::string> files;
    for (int i = 0; i < 1200; ++i)
        files.push_back(music(std::to_string(i) + ".mp3"));
    test::RefuseChange(catalogue.connection, {"tblMedia", "INSERT", "NEW.sFileName='700.mp3'",
                                              "database or disk is full"});
    FileListImportOperation run(sink, catalogue.connection, files, {}, clock);
    run.RunHere();
    EXPECT_EQ(run.ErrorMessage(), kMessageImportError);
    EXPECT_NE(run.ErrorDetail().find("disk is full"), std::string::npos);
    EXPECT_EQ(run.ItemsAdded(), 700);
    EXPECT_EQ(count("tblItem"), "700");
    // Media rows were made in the order the files were read. (A server's counter does not take
    // back the ids an undone batch drew, so there the ids after it leave a gap.)
    int previous = -1;
    int outOfOrder = 0;
    for (ResultSet rows =
             catalogue.connection.Execute("SELECT sFileName FROM tblMedia ORDER BY lID");
         !rows.IsEof(); rows.MoveNext()) {
        const int number = std::stoi(rows.GetText(0));
        outOfOrder += number != previous + 1;
        previous = number;
    }
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_FALSE(catalogue.connection.InTransaction());
}

class BlockedRead : public ImportRuns {
protected:
    // Imports a.mp3 and then b.mp3, whose read blocks until released.
    std::shared_ptr<FileListImportOperation> startBlockedRun() {
        ImportOptions options;
        options.generateFingerprint = true;
        auto run = std::make_shared<FileListImportOperation>(
            sink, catalogue.connection, std::vector<std::string>{music("a.mp3"), music("b.mp3")},
            options, clock,
            [this, first = true](const std::string& path,
                                 const std::function<bool()>& stop) mutable {
                if (std::exchange(first, false))
                    return FileFingerprint();
                return blocking.generator()(path, stop);
            });
        EXPECT_EQ(run->Start(), 1);
        blocking.waitUntilBlocked();
        return run;
    }
    BlockingRead blocking;
};

TEST_F(BlockedRead, CatalogueTakesWritesWhileAWorkerWaitsForAFile) {
    auto run = startBlockedRun();
    // The default busy wait would fail after three seconds if the worker held a transaction of
    // a catalogue file; a server lets the write through beside another writer anyway.
    if (!test::ServerRun())
        catalogue.connection.Execute("PRAGMA busy_timeout=0");
    EXPECT_NO_THROW(catalogue.connection.Execute("INSERT INTO tblFolder (sName) VALUES ('x')"));
    run->RequestStop();
    blocking.release();
    ASSERT_EQ(run->WaitFinished(10000), 1);
    // Stopped after the current file: what was read is catalogued.
    EXPECT_EQ(count("tblItem"), "2");
}

TEST_F(BlockedRead, AnAbandonedWorkerWritesNothingMore) {
    auto run = startBlockedRun();
    run->Kill();
    blocking.release();
    for (int i = 0; i < 200 && run.use_count() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    run->WaitFinished(10000);
    EXPECT_EQ(count("tblItem"), "0");
    EXPECT_FALSE(catalogue.connection.InTransaction());
}

} // namespace
} // namespace tunebay
