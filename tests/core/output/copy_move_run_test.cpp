#include "output/copy_move_run.h"

#include "app/catalogue_document.h"

#include "support/catalogue_builder.h"
#include "support/private_postgres.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tunebay::test {
namespace {

namespace fs = std::filesystem;

class SilentSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

// The user's answer, given in advance.
class FixedQuestion : public IWorkerQuestion {
public:
    explicit FixedQuestion(QuestionAnswer answer) : m_answer(answer) {}
    QuestionAnswer Ask(const std::string&, const std::string&, QuestionButtons,
                       QuestionIcon) override {
        ++asked;
        return m_answer;
    }
    int asked = 0;

private:
    QuestionAnswer m_answer;
};

constexpr double kMB = 1048576.0;

TEST(DiskPackerTest, FillsNumberedFoldersStrictlyInOrder) {
    struct Case {
        std::vector<double> sizesMB;
        std::vector<int> disks;
    };
    const std::vector<Case> cases = {
        {{300, 300, 100, 400}, {1, 1, 2, 2}},
        {{300, 350, 1}, {1, 1, 2}},  // exactly the remaining room stays
        {{650, 700, 10}, {0, 0, 1}}, // as large as the limit: no numbered folder
        {{600, 100, 50}, {1, 2, 2}}, // no going back to a partly filled folder
    };
    for (const Case& c : cases) {
        DiskPacker packer(650 * kMB);
        std::vector<int> disks;
        for (const double size : c.sizesMB)
            disks.push_back(packer.Place(size * kMB));
        EXPECT_EQ(disks, c.disks);
    }
}

TEST(SafeFolderNameTest, NamesStayOneFolder) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Pop/Funk", "Pop-Funk"}, {".", "Unknown"},   {"..", "Unknown"},
        {"", "Unknown"},          {"AC:DC", "AC!DC"}, {"Rock", "Rock"}};
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(SafeFolderName(name), safe) << name;
}

TEST(CopyMoveSummaryTest, Texts) {
    EXPECT_EQ(CopyMoveFailureSummary(0, 5), "");
    EXPECT_EQ(CopyMoveFailureSummary(3, 5),
              "> 3 files couldn't be copied/moved!\r\n> 5 files have been copied/moved "
              "successfully!");
    EXPECT_EQ(CopyMoveFailureSummary(150, 2),
              "Aborted!\r\n\r\n> More than 150 files couldn't be copied/moved!\r\n> 2 files have "
              "been copied/moved successfully!");
    EXPECT_EQ(OtherVolumeSummary(0), "");
    EXPECT_EQ(OtherVolumeSummary(4), "4 files couldn't be moved because the destination is on "
                                     "a different volume!\r\nNext time use the copy file "
                                     "function!");
}

// Every copy and move on a catalogue file and on a server catalogue alike.
class CopyMoveRunTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (!catalogue.unavailable().empty())
            GTEST_SKIP() << catalogue.unavailable();
    }

    AddedItem addFile(const std::string& folder, const std::string& name, const std::string& bytes,
                      const std::string& group = "Group", int genreId = 13) {
        fs::create_directories(source.path() / folder);
        const fs::path path = source.path() / folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        ItemFacts facts;
        facts.title = name;
        facts.group = group;
        facts.genreId = genreId;
        facts.directory = (source.path() / folder).string() + "/";
        facts.fileName = name;
        facts.size = static_cast<double>(bytes.size());
        return builder.add(facts);
    }

    std::shared_ptr<CopyMoveRun> run(CopyMoveOptions options,
                                     QuestionAnswer answer = QuestionAnswer::Yes) {
        FixedQuestion question(answer);
        std::string message;
        EXPECT_EQ(PrepareDestination(options, question, message), DestinationCheck::Ready)
            << message;
        auto operation = std::make_shared<CopyMoveRun>(
            sink, catalogue.connection, options, ScopeSelection(ExplorerScope{}, 0), question);
        EXPECT_EQ(operation->Start(), 1);
        operation->WaitFinished(20000);
        return operation;
    }

    CopyMoveOptions options(int mode) const {
        CopyMoveOptions result;
        result.mode = mode;
        result.destination = target.path().string();
        return result;
    }

    std::string storedText(const std::string& sql) {
        ResultSet set = catalogue.connection.Execute(sql);
        return set.IsEof() ? "" : set.GetText(0);
    }

    SilentSink sink;
    EngineCatalogue catalogue{GetParam()};
    CatalogueBuilder builder{catalogue.connection};
    TempDir source;
    TempDir target;
};

INSTANTIATE_TEST_SUITE_P(BothEngines, CopyMoveRunTest,
                         testing::Values(Engine::File, Engine::Server),
                         [](const auto& info) { return EngineLabel(info.param); });

TEST_P(CopyMoveRunTest, CopyTakesTheNextFreeNameAndKeepsModeAndTime) {
    addFile("a", "Song.mp3", "new");
    target.write("Song.mp3", "old");
    const fs::path original = source.path() / "a" / "Song.mp3";
    ::chmod(original.c_str(), 0640);
    fs::last_write_time(original, fs::file_time_type(std::chrono::seconds(1000000000)));

    const auto operation = run(options(kCopyFiles));
    EXPECT_EQ(operation->Done(), 1);
    EXPECT_EQ(readFile(target.file("Song.mp3")), "old");
    EXPECT_EQ(readFile(target.file("Song (1).mp3")), "new");
    EXPECT_EQ(readFile(original), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.file("Song (1).mp3").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(fs::last_write_time(target.file("Song (1).mp3")), fs::last_write_time(original));
}

TEST_P(CopyMoveRunTest, FoldersFromGenreGroupAndLimit) {
    struct Case {
        bool genre, group, onlyIfMore, limit;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {true, false, false, false, {"!Pop-Funk/one.mp3", "!Pop-Funk/two.mp3", "!Rock/solo.mp3"}},
        {false, true, true, false, {"Duo/one.mp3", "Duo/two.mp3", "!Rock/solo.mp3"}},
        {true,
         true,
         true,
         false,
         {"!Pop-Funk/Duo/one.mp3", "!Pop-Funk/Duo/two.mp3", "!Rock/solo.mp3"}},
        {false, false, false, true, {"Disk01/one.mp3", "Disk01/two.mp3", "Disk02/solo.mp3"}},
    };
    catalogue.connection.Execute("UPDATE tblGenre SET sName='Pop/Funk' WHERE lID=13");
    addFile("a", "one.mp3", std::string(400, 'x'), "Duo", 13);
    addFile("a", "two.mp3", std::string(400, 'y'), "Duo", 13);
    addFile("b", "solo.mp3", std::string(400, 'z'), "..", 17);
    for (const Case& c : cases) {
        fs::remove_all(target.path());
        CopyMoveOptions o = options(kCopyFiles);
        o.genreFolders = c.genre;
        o.groupFolders = c.group;
        o.groupOnlyIfMore = c.onlyIfMore;
        o.limitOn = c.limit;
        o.limitBytes = 1000;
        const auto operation = run(o);
        EXPECT_EQ(operation->Done(), 3);
        for (const std::string& file : c.expected)
            EXPECT_TRUE(fs::exists(target.file(file))) << file;
    }
}

TEST_P(CopyMoveRunTest, MoveKeepsTheCatalogueInStepAndRemovesEmptiedFolders) {
    const AddedItem item = addFile("deep/a", "Song.mp3", "x");
    target.write("Song.mp3", "other");
    const auto operation = run(options(kMoveFiles));
    EXPECT_EQ(operation->Done(), 1);
    EXPECT_TRUE(fs::exists(target.file("Song (1).mp3")));
    EXPECT_FALSE(fs::exists(source.path() / "deep"));
    EXPECT_TRUE(fs::exists(source.path()));
    const std::string id = std::to_string(item.mediaId);
    EXPECT_EQ(storedText("SELECT sFileName FROM tblMedia WHERE lID=" + id), "Song (1).mp3");
    EXPECT_EQ(storedText("SELECT tblDirectory.sLocal FROM tblMedia, tblDirectory WHERE "
                         "tblMedia.lDirectoryID=tblDirectory.lID AND tblMedia.lID=" +
                         id),
              target.path().string() + "/");
    EXPECT_EQ(
        storedText("SELECT lID FROM tblDirectory WHERE lID=" + std::to_string(item.directoryId)),
        "");
}

TEST_P(CopyMoveRunTest, HardLinksShareTheFile) {
    addFile("a", "Song.mp3", "x");
    CopyMoveOptions o = options(kCopyFiles);
    o.hardLinks = true;
    EXPECT_EQ(run(o)->Done(), 1);
    EXPECT_TRUE(fs::equivalent(source.path() / "a" / "Song.mp3", target.file("Song.mp3")));
}

TEST_P(CopyMoveRunTest, StoredNameWithSlashIsRefusedAndSamePathSkipped) {
    const AddedItem item = addFile("a", "Song.mp3", "x");
    catalogue.connection.Execute("UPDATE tblMedia SET sFileName='../../escape.mp3' WHERE lID=" +
                                 std::to_string(item.mediaId));
    addFile("t", "here.mp3", "y");
    CopyMoveOptions o = options(kCopyFiles);
    o.destination = (source.path() / "t").string();
    const auto operation = run(o);
    EXPECT_EQ(operation->Failed(), 1);
    EXPECT_EQ(operation->Done(), 0);
}

TEST_P(CopyMoveRunTest, LimitRefusesAFolderThatHoldsAnythingAndLeavesIt) {
    target.write("keep.txt", "k");
    CopyMoveOptions o = options(kCopyFiles);
    o.limitOn = true;
    FixedQuestion question(QuestionAnswer::Yes);
    std::string message;
    EXPECT_EQ(PrepareDestination(o, question, message), DestinationCheck::Refused);
    EXPECT_EQ(message, kMessageLimitNeedsEmptyFolder);
    EXPECT_TRUE(fs::exists(target.file("keep.txt")));

    o.destination = "relative/folder";
    EXPECT_EQ(PrepareDestination(o, question, message), DestinationCheck::Refused);
    EXPECT_EQ(message, kMessageRelativeFolder);
}

TEST_P(CopyMoveRunTest, TenFailuresAskOnceAndNoEndsTheRun) {
    for (int i = 0; i < 12; ++i) {
        const AddedItem item = addFile("a", "f" + std::to_string(i) + ".mp3", "x");
        fs::remove(source.path() / "a" / ("f" + std::to_string(i) + ".mp3"));
        (void)item;
    }
    const auto operation = run(options(kCopyFiles), QuestionAnswer::No);
    EXPECT_EQ(operation->Failed(), 10);
}

} // namespace
} // namespace tunebay::test

namespace tunebay::test {
namespace {

TEST_P(CopyMoveRunTest, AMoveTheCatalogueCannotFollowGoesBack) {
    const AddedItem item = addFile("a", "Song.mp3", "x");
    // A change of the item's row that the catalogue refuses, in each engine's own words.
    if (GetParam() == Engine::File) {
        catalogue.connection.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON tblMedia BEGIN "
                                     "SELECT RAISE(ABORT, 'refused'); END");
    } else {
        catalogue.connection.Execute("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql "
                                     "AS 'BEGIN RAISE EXCEPTION ''refused''; END'");
        catalogue.connection.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON tblMedia FOR EACH "
                                     "ROW EXECUTE FUNCTION refuse()");
    }
    const auto operation = run(options(kMoveFiles));
    EXPECT_EQ(operation->Done(), 0);
    EXPECT_EQ(operation->ErrorMessage(), kMessageCopyMoveError);
    EXPECT_TRUE(fs::exists(source.path() / "a" / "Song.mp3"));
    EXPECT_FALSE(fs::exists(target.file("Song.mp3")));
    EXPECT_EQ(
        storedText("SELECT lDirectoryID FROM tblMedia WHERE lID=" + std::to_string(item.mediaId)),
        std::to_string(item.directoryId));
}

} // namespace
} // namespace tunebay::test

namespace tunebay::test {
namespace {

// Sets an environment variable for the length of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ProtectedFolderTest, RootHomeCurrentFolderAndMountPointsAreNeverRemoved) {
    TempDir home;
    fs::create_directories(home.path() / "sub");
    fs::create_directories(home.path() / "here");
    const ScopedEnv env("HOME", home.path().string() + "/");
    const fs::path previous = fs::current_path();
    fs::current_path(home.path() / "here");
    const std::vector<std::pair<std::string, bool>> cases = {
        {(home.path() / "here").string(), true}, // the current folder
        {"/", true},
        {"/proc/", true}, // a mount point
        {home.path().string(), true},
        {home.path().string() + "//", true},
        {(home.path() / "sub").string() + "/", false},
        {(home.path() / "missing").string(), true},
    };
    for (const auto& [folder, protectedFolder] : cases)
        EXPECT_EQ(IsProtectedFolder(folder), protectedFolder) << folder;
    fs::current_path(previous);
}

TEST_P(CopyMoveRunTest, MovingOutOfTheHomeFolderLeavesItStanding) {
    const ScopedEnv env("HOME", (source.path() / "home").string());
    addFile("home/album", "Song.mp3", "x");
    EXPECT_EQ(run(options(kMoveFiles))->Done(), 1);
    EXPECT_FALSE(fs::exists(source.path() / "home" / "album"));
    EXPECT_TRUE(fs::is_directory(source.path() / "home"));
}

TEST_P(CopyMoveRunTest, NineteenOtherNamesAreTriedThenTheFileFails) {
    addFile("a", "Song.mp3", "new");
    target.write("Song.mp3", "old");
    for (int n = 1; n <= 18; ++n)
        target.write("Song (" + std::to_string(n) + ").mp3", "old");
    auto operation = run(options(kCopyFiles));
    EXPECT_EQ(operation->Done(), 1);
    EXPECT_EQ(readFile(target.file("Song (19).mp3")), "new");

    operation = run(options(kCopyFiles));
    EXPECT_EQ(operation->Done(), 0);
    EXPECT_EQ(operation->Failed(), 1);
    EXPECT_FALSE(fs::exists(target.file("Song (20).mp3")));
    EXPECT_EQ(operation->FailedList(),
              "\r\n" + (source.path() / "a" / "Song.mp3").string() + " (File exists)");
}

TEST_P(CopyMoveRunTest, MoreThanNinetyNineFailuresEndTheRun) {
    for (int i = 0; i < 105; ++i)
        addFile("a", "f" + std::to_string(i) + ".mp3", "x");
    fs::remove_all(source.path() / "a");
    const auto operation = run(options(kCopyFiles), QuestionAnswer::Yes);
    EXPECT_EQ(operation->Failed(), 100);
    EXPECT_EQ(CopyMoveFailureSummary(operation->Failed(), operation->Done()).rfind("Aborted!", 0),
              0u);
}

TEST_P(CopyMoveRunTest, GroupFolderOnlyWhenTheGroupHasMoreTitlesThanTheCount) {
    for (const char* name : {"one.mp3", "two.mp3", "three.mp3"})
        addFile("a", name, "x", "Trio", 17);
    const std::vector<std::pair<int, std::string>> cases = {
        {1, "Trio/one.mp3"}, {2, "Trio/one.mp3"}, {3, "!Rock/one.mp3"}, {7, "!Rock/one.mp3"}};
    for (const auto& [moreThan, expected] : cases) {
        fs::remove_all(target.path());
        CopyMoveOptions o = options(kCopyFiles);
        o.groupFolders = true;
        o.groupMoreThan = moreThan;
        EXPECT_EQ(run(o)->Done(), 3);
        EXPECT_TRUE(fs::exists(target.file(expected))) << moreThan;
    }
}

// A folder on another file system than the test's temporary folder, or "" when there is none.
std::string otherFileSystemFolder(const fs::path& here) {
    std::string other = "/dev/shm/tunebay-test-XXXXXX";
    struct stat shm {
    }, temp{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(here.c_str(), &temp) != 0 ||
        shm.st_dev == temp.st_dev || !::mkdtemp(other.data()))
        return {};
    return other;
}

TEST_P(CopyMoveRunTest, AMoveToAnotherFileSystemCopiesVerifiesAndRemovesTheSource) {
    const std::string other = otherFileSystemFolder(source.path());
    if (other.empty())
        GTEST_SKIP() << "no second file system";
    const AddedItem item = addFile("a", "Song.mp3", std::string(200000, 'x') + "end");
    fs::permissions(source.path() / "a" / "Song.mp3", fs::perms(0640));
    const auto modified = fs::last_write_time(source.path() / "a" / "Song.mp3");
    CopyMoveOptions o = options(kMoveFiles);
    o.destination = other;
    const auto operation = run(o);
    const fs::path moved = fs::path(other) / "Song.mp3";
    EXPECT_EQ(operation->Done(), 1);
    EXPECT_EQ(operation->OtherVolume(), 0);
    EXPECT_FALSE(fs::exists(source.path() / "a" / "Song.mp3"));
    EXPECT_EQ(readFile(moved), std::string(200000, 'x') + "end");
    EXPECT_EQ(fs::status(moved).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::last_write_time(moved), modified);
    EXPECT_EQ(std::distance(fs::directory_iterator(other), fs::directory_iterator()), 1);
    EXPECT_EQ(storedText("SELECT tblDirectory.sLocal FROM tblMedia, tblDirectory WHERE "
                         "tblDirectory.lID=tblMedia.lDirectoryID AND tblMedia.lID=" +
                         std::to_string(item.mediaId)),
              other + "/");
    EXPECT_EQ(storedText("SELECT COUNT(*) FROM tblJournal"), "0");
    fs::remove_all(other);
}

TEST_P(CopyMoveRunTest, GenreAndGroupNamesTooLongForAFolderAreCutOnACharacter) {
    // 150 two-byte characters: 300 bytes.
    std::string longName;
    for (int i = 0; i < 150; ++i)
        longName += "\xc3\xa9";
    const AddedItem item = addFile("a", "Song.mp3", "x", longName, 13);
    catalogue.connection.Execute("UPDATE tblGenre SET sName='" + longName + "' WHERE lID=13");
    CopyMoveOptions o = options(kCopyFiles);
    o.genreFolders = true;
    o.groupFolders = true;
    o.groupOnlyIfMore = false;
    const auto operation = run(o);
    EXPECT_EQ(operation->Done(), 1) << operation->FailedList();
    const fs::path genre = *fs::directory_iterator(target.path());
    const std::string genreName = genre.filename().string();
    EXPECT_EQ(genreName.size(), 255u); // "!" and 127 whole two-byte characters
    const fs::path group = *fs::directory_iterator(genre);
    EXPECT_EQ(group.filename().string().size(), 254u);
    EXPECT_TRUE(fs::exists(group / "Song.mp3"));
    (void)item;
}

TEST_P(CopyMoveRunTest, FailedFilesCarryTheSystemsReason) {
    addFile("a", "gone.mp3", "x");
    fs::remove(source.path() / "a" / "gone.mp3");
    const auto operation = run(options(kCopyFiles));
    ASSERT_EQ(operation->FailedFiles().size(), 1u);
    EXPECT_EQ(operation->FailedFiles()[0].reason, "No such file or directory");
}

// A copy killed mid-way (a real kill -9): the reader blocks on a pipe standing for a slow disk,
// so the kill comes at a known point, some bytes written and the copy not whole. The same for a
// move to another file system, which copies before it removes the source.
TEST_P(CopyMoveRunTest, ACopyKilledMidWayNeverAppearsUnderItsNameAndTheNextOpenRemovesIt) {
    const std::string other = otherFileSystemFolder(source.path());
    const AddedItem item = addFile("a", "Song.mp3", "");
    const fs::path pipe = source.path() / "a" / "Song.mp3";
    fs::remove(pipe);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string path = catalogue.name();
    catalogue.connection.Open("");
    for (const int mode : {kCopyFiles, kMoveFiles}) {
        if (mode == kMoveFiles && other.empty())
            continue; // no second file system here
        const fs::path folder = mode == kCopyFiles ? target.path() : fs::path(other);
        CopyMoveOptions o = options(mode);
        o.destination = folder.string() + "/";

        const pid_t child = fork();
        if (child == 0) {
            CCatalogueConnection connection;
            CatalogueDocument document(connection, dataDirectory());
            if (!document.OpenCatalogue(path).ok())
                _exit(2);
            SilentSink quiet;
            FixedQuestion yes(QuestionAnswer::Yes);
            auto copy = std::make_shared<CopyMoveRun>(quiet, connection, o,
                                                      ScopeSelection(ExplorerScope{}, 0), yes);
            copy->Start();
            copy->WaitFinished(60000);
            _exit(0);
        }
        const int writer = ::open(pipe.c_str(), O_WRONLY); // returns once the copy reads
        const std::string half(100000, 'h');
        const bool written = writer >= 0 && ::write(writer, half.data(), half.size()) ==
                                                static_cast<ssize_t>(half.size());
        // Waits until the copy holds every byte written so far (giving up after a long while).
        fs::path partial;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (written && partial.empty() && std::chrono::steady_clock::now() < giveUp)
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.path().extension() == ".part" &&
                    fs::file_size(entry.path()) == half.size())
                    partial = entry.path();
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(writer);
        ASSERT_FALSE(partial.empty()) << mode;
        EXPECT_FALSE(fs::exists(folder / "Song.mp3"));

        CatalogueDocument document(catalogue.connection, dataDirectory());
        ASSERT_TRUE(document.OpenCatalogue(path).ok());
        EXPECT_FALSE(fs::exists(partial)) << mode;
        EXPECT_TRUE(fs::is_empty(folder)) << mode;
        EXPECT_TRUE(fs::exists(pipe));
        EXPECT_EQ(storedText("SELECT sFileName FROM tblMedia WHERE lDirectoryID=" +
                             std::to_string(item.directoryId)),
                  "Song.mp3");
        EXPECT_EQ(storedText("SELECT COUNT(*) FROM tblJournal"), "0");
        catalogue.connection.Open("");
    }
    if (!other.empty())
        fs::remove_all(other);
}

} // namespace
} // namespace tunebay::test
