#include "files/file_rewrite.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>

namespace tunebay {
namespace {

using test::TempDir;

const std::string kOld(200000, 'o');
const std::string kNew = std::string(1000, 'n') + std::string(250000, 'w');

bool writeBytes(int fd, const std::string& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Writes kNew in two halves, so that a stop in between leaves half a file somewhere.
RewriteProducer newContents(const std::function<void()>& between = {}) {
    return [between](int, int fd, std::string& reason) {
        const std::size_t half = kNew.size() / 2;
        if (!writeBytes(fd, kNew.substr(0, half))) {
            reason = SystemReason(errno);
            return false;
        }
        if (between)
            between();
        if (!writeBytes(fd, kNew.substr(half))) {
            reason = SystemReason(errno);
            return false;
        }
        return true;
    };
}

bool accept(int, int, std::string&) {
    return true;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Backups kept in the test's memory: what the catalogue's journal does durably.
class MemoryBackups : public IRewriteBackups {
public:
    explicit MemoryBackups(std::string folder) : m_folder(std::move(folder)) {}
    std::string BackupFolder() override { return m_folder; }
    long long RecordBackup(const std::string& backup) override {
        m_entries[++m_last] = {"", backup};
        return m_last;
    }
    bool BackupWritten(long long entry, const std::string& target) override {
        m_entries[entry].first = target;
        return true;
    }
    void ClearBackup(long long entry) override { m_entries.erase(entry); }
    std::map<long long, std::pair<std::string, std::string>> m_entries;

private:
    std::string m_folder;
    long long m_last = 0;
};

class FileRewriteTest : public ::testing::Test {
protected:
    std::string original() {
        const std::string path = m_dir.write("song.mp3", kOld).string();
        ::chmod(path.c_str(), 0640);
        return path;
    }
    TempDir m_dir;
};

TEST_F(FileRewriteTest, NewContentsReplaceTheOldWithModeAndAttributesKept) {
    const std::string path = original();
    const bool attributes = ::setxattr(path.c_str(), "user.rating", "5", 1, 0) == 0;
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    const RewriteResult result = RewriteFile(path, newContents(), accept, nullptr);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(test::readFile(path), kNew);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (attributes) {
        char value[8] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.rating", value, sizeof value), 1);
        EXPECT_EQ(value[0], '5');
    }
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"song.mp3"});
}

TEST_F(FileRewriteTest, ALinkedFileIsChangedWhereTheLinkPoints) {
    const std::string path = original();
    const auto link = m_dir.file("link.mp3");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(RewriteFile(link.string(), newContents(), accept, nullptr).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::readFile(path), kNew);
}

// Whatever goes wrong before the new contents stand, the file is as it was and nothing is left.
TEST_F(FileRewriteTest, FailuresLeaveTheFileAsItWas) {
    struct Case {
        const char* name;
        RewriteProducer produce;
        RewriteVerifier verify;
    };
    const RewriteProducer refuse = [](int, int, std::string& reason) {
        reason = "no";
        return false;
    };
    const RewriteVerifier reject = [](int, int, std::string& reason) {
        reason = "the audio would change";
        return false;
    };
    for (const Case& c :
         {Case{"producer", refuse, accept}, Case{"verifier", newContents(), reject}}) {
        SCOPED_TRACE(c.name);
        const std::string path = original();
        const RewriteResult result = RewriteFile(path, c.produce, c.verify, nullptr);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_EQ(test::readFile(path), kOld);
        EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"song.mp3"});
    }
}

TEST_F(FileRewriteTest, ReadOnlyFilesAndOtherThingsAreRefused) {
    const std::string path = original();
    if (::geteuid() != 0) {
        ::chmod(path.c_str(), 0440);
        EXPECT_FALSE(RewriteFile(path, newContents(), accept, nullptr).ok);
        EXPECT_EQ(test::readFile(path), kOld);
    }
    const auto fifo = m_dir.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const RewriteResult result = RewriteFile(fifo.string(), newContents(), accept, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

// A file system that fills up while the new contents are written (a file size limit stands in
// for it, in a child process): the run fails with the system's reason and the file is whole.
TEST_F(FileRewriteTest, AFullFileSystemLeavesTheOldFile) {
    const std::string path = original();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{150000, 150000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const RewriteResult result = RewriteFile(path, newContents(), accept, nullptr);
        ::_exit(result.ok ? 1 : result.reason.empty() ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(test::readFile(path), kOld);
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"song.mp3"});
}

// The process killed at every step of a rewrite: the file holds the old or the new contents,
// whole.
TEST_F(FileRewriteTest, AKillAtAnyStepLeavesTheOldOrTheNewFile) {
    const std::map<std::string, std::string> expected = {{"writing", kOld}, {"produced", kOld},
                                                         {"flushed", kOld}, {"verified", kOld},
                                                         {"named", kOld},   {"replaced", kNew}};
    for (const auto& [step, contents] : expected) {
        SCOPED_TRACE(step);
        const std::string path = original();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string stop = step;
            const auto kill = [] { ::raise(SIGKILL); };
            RewriteFile(path, newContents(stop == "writing" ? kill : std::function<void()>()),
                        accept, nullptr, [&stop, &kill](const char* reached) {
                            if (stop == reached)
                                kill();
                        });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(test::readFile(path), contents);
        // Between naming and replacing, the new file stands under its hidden name beside it.
        for (const auto& name : namesIn(m_dir.path()))
            if (name != "song.mp3")
                std::filesystem::remove(m_dir.file(name));
    }
}

// A file with several names stays one file: it is written in place, after a backup is recorded.
TEST_F(FileRewriteTest, AFileWithSeveralNamesIsWrittenInPlaceAfterABackup) {
    const std::string path = original();
    const auto second = m_dir.file("second.mp3");
    std::filesystem::create_hard_link(path, second);

    const RewriteResult refused = RewriteFile(path, newContents(), accept, nullptr);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(test::readFile(path), kOld);

    TempDir backupFolder;
    MemoryBackups backups(backupFolder.path().string() + "/");
    std::vector<std::string> steps;
    const RewriteResult result = RewriteFile(path, newContents(), accept, &backups,
                                             [&steps](const char* step) { steps.push_back(step); });
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(test::readFile(second), kNew);
    EXPECT_EQ(std::filesystem::hard_link_count(path), 2u);
    EXPECT_TRUE(backups.m_entries.empty());
    EXPECT_TRUE(std::filesystem::is_empty(backupFolder.path()));
    EXPECT_EQ(steps, (std::vector<std::string>{"backed up", "recorded", "overwritten"}));
}

// A new file is whole under its name or not there: an existing file is never replaced, a folder
// that is missing or a file system that fills up leaves no name and no work file behind.
TEST_F(FileRewriteTest, ANewFileIsWholeOrAbsent) {
    const std::string taken = original();
    const std::string fresh = m_dir.file("cover.jpg").string();
    EXPECT_TRUE(WriteNewFile(fresh, "picture").ok);
    EXPECT_EQ(test::readFile(fresh), "picture");
    const RewriteResult again = WriteNewFile(taken, "other");
    EXPECT_FALSE(again.ok);
    EXPECT_FALSE(again.reason.empty());
    EXPECT_EQ(test::readFile(taken), kOld);
    EXPECT_FALSE(WriteNewFile(m_dir.file("missing/cover.jpg").string(), "x").ok);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const RewriteResult result = WriteNewFile(m_dir.file("big.jpg").string(), kOld);
        ::_exit(result.ok ? 1 : result.reason.empty() ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"cover.jpg", "song.mp3"}));
}

} // namespace
} // namespace tunebay
