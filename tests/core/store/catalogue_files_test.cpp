// Opening catalogue files: names never read as URIs, read-only access that shows the committed
// data and leaves nothing behind, the lock probe, links, never-reused ids and normal paths.
#include "store/catalogue_error.h"
#include "store/catalogue_files.h"
#include "store/classification.h"
#include "store/directories.h"
#include "store/local_paths.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <optional>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::TempCatalogue;
using test::TempDir;

constexpr uid_t kNobody = 65534;

// Runs `check` as an ordinary user in a child process (file permissions do not bind the
// superuser) and returns its exit status: 0 when it held.
int runAsNobody(const std::function<bool()>& check) {
    if (geteuid() != 0)
        return check() ? 0 : 1;
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

// Marks a rollback-journal catalogue file as being in write-ahead-log mode, as a writer leaves it
// when it ends without closing.
void markWriteAheadLog(const fs::path& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(18);
    file.put(2).put(2);
}

std::string groupsAsReader(const fs::path& path) {
    CCatalogueConnection reader;
    if (reader.Open(CatalogueConnectionString(path.string())) != 0)
        return "open failed: " + reader.OpenError();
    std::string names;
    for (ResultSet rows = reader.Execute("SELECT sName FROM tblGroup ORDER BY sName");
         !rows.IsEof(); rows.MoveNext())
        names += rows.GetText(0) + ";";
    return (reader.IsReadOnly() ? "ro " : "rw ") + names;
}

bool companionsExist(const fs::path& path) {
    return fs::exists(path.string() + "-wal") || fs::exists(path.string() + "-shm");
}

TEST(CatalogueFiles, NamesThatLookLikeUrisAreFileNames) {
    TempDir dir;
    const fs::path uriLike = dir.file("file:z.tbf");
    fs::copy_file(test::templatePath(), uriLike);
    fs::copy_file(test::templatePath(), dir.file("z.tbf"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    CCatalogueConnection connection;
    ASSERT_EQ(connection.Open(CatalogueConnectionString("file:z.tbf")), 0);
    connection.Execute("INSERT INTO tblGroup (sName) VALUES ('here')");
    connection.Open("");
    fs::current_path(previous);
    EXPECT_EQ(groupsAsReader(uriLike), "rw here;");
    EXPECT_EQ(groupsAsReader(dir.file("z.tbf")), "rw ");
}

TEST(CatalogueFiles, LastWriterLeavesWriteAheadLogging) {
    if (test::ServerRun())
        GTEST_SKIP() << "the journal mode of a catalogue file";
    TempCatalogue catalogue;
    catalogue.connection.Execute("INSERT INTO tblGroup (sName) VALUES ('kept')");
    EXPECT_TRUE(companionsExist(catalogue.path()));
    catalogue.connection.Open("");
    EXPECT_FALSE(companionsExist(catalogue.path()));
    EXPECT_EQ(test::readFile(catalogue.path())[18], 1); // rollback journal again
    EXPECT_EQ(groupsAsReader(catalogue.path()), "rw kept;");
}

class ReadOnlyCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::ServerRun())
            GTEST_SKIP() << "the permissions and log of a catalogue file";
        catalogue.emplace();
        catalogue->connection.Execute("INSERT INTO tblGroup (sName) VALUES ('old')");
        fs::permissions(catalogue->path(), fs::perms::owner_write | fs::perms::group_write,
                        fs::perm_options::remove);
        fs::permissions(catalogue->dir().path(), fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    std::optional<TempCatalogue> catalogue;
};

TEST_F(ReadOnlyCatalogue, ShowsChangesStillInTheWriteAheadLog) {
    // The writer stays open: its newest change is only in the log.
    catalogue->connection.Execute("PRAGMA wal_autocheckpoint=0");
    catalogue->connection.Execute("INSERT INTO tblGroup (sName) VALUES ('new')");
    ASSERT_GT(fs::file_size(catalogue->path().string() + "-wal"), 0u);
    fs::permissions(catalogue->path().string() + "-shm", fs::perms::others_read,
                    fs::perm_options::add);
    EXPECT_EQ(runAsNobody([&] { return groupsAsReader(catalogue->path()) == "ro new;old;"; }), 0);
}

TEST_F(ReadOnlyCatalogue, ReaderInAWritableFolderLeavesNoFiles) {
    catalogue->connection.Open("");
    markWriteAheadLog(catalogue->path());
    fs::permissions(catalogue->dir().path(), fs::perms::all, fs::perm_options::add);
    EXPECT_EQ(runAsNobody([&] { return groupsAsReader(catalogue->path()) == "ro old;"; }), 0);
    EXPECT_FALSE(companionsExist(catalogue->path()));
}

TEST_F(ReadOnlyCatalogue, WritableCatalogueInAReadOnlyFolderIsRead) {
    catalogue->connection.Open("");
    markWriteAheadLog(catalogue->path());
    fs::permissions(catalogue->path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(catalogue->dir().path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::replace);
    EXPECT_EQ(runAsNobody([&] { return groupsAsReader(catalogue->path()) == "ro old;"; }), 0);
}

TEST_F(ReadOnlyCatalogue, LogThatCannotBeReadIsRefusedWithItsName) {
    catalogue->connection.Open("");
    markWriteAheadLog(catalogue->path());
    std::ofstream(catalogue->path().string() + "-wal") << "changes only the owner can merge";
    EXPECT_EQ(runAsNobody([&] {
                  const std::string result = groupsAsReader(catalogue->path());
                  return result.find("open failed") == 0 &&
                         result.find("-wal") != std::string::npos;
              }),
              0);
}

TEST(CatalogueFiles, LockProbeSeesAnotherHolder) {
    if (test::ServerRun())
        GTEST_SKIP() << "the lock of a catalogue file";
    TempCatalogue catalogue;
    catalogue.connection.Execute("INSERT INTO tblGroup (sName) VALUES ('busy')");
    EXPECT_TRUE(CatalogueInUse(catalogue.path().string()));
    catalogue.connection.Open("");
    EXPECT_FALSE(CatalogueInUse(catalogue.path().string()));
    TempDir dir;
    EXPECT_FALSE(CatalogueInUse(dir.write("text.tbf", "not a database").string()));
}

TEST(CatalogueFiles, CatalogueAndItsCompanionsAreRecognisedThroughAnyName) {
    if (test::ServerRun())
        GTEST_SKIP() << "the names of a catalogue file";
    TempCatalogue catalogue;
    const std::string path = catalogue.path().string();
    fs::create_symlink(catalogue.path(), catalogue.dir().file("link.tbf"));
    const std::string folder = catalogue.dir().path().string();
    for (const std::string& same :
         {path, path + "-wal", path + "-shm", path + "-journal", folder + "/./test.tbf",
          folder + "//sub/../test.tbf", folder + "/link.tbf"})
        EXPECT_TRUE(IsCatalogueFile(path, same)) << same;
    for (const std::string& other : {folder + "/test.txt", folder + "/test.tbf-x", std::string()})
        EXPECT_FALSE(IsCatalogueFile(path, other)) << other;
    // Bare relative names, as typed in the catalogue's folder.
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    EXPECT_TRUE(IsCatalogueFile(path, "test.tbf-wal"));
    EXPECT_TRUE(IsCatalogueFile("test.tbf", path + "-journal"));
    EXPECT_FALSE(IsCatalogueFile(path, "other.tbf-wal"));
    fs::current_path(previous);
}

TEST(CatalogueFiles, LinkTargetFollowsChainsOfLinks) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    fs::create_symlink("real/c.tbf", dir.file("first.tbf"));
    fs::create_symlink(dir.file("first.tbf"), dir.file("second.tbf"));
    EXPECT_EQ(fs::path(LinkTarget(dir.file("second.tbf").string())).lexically_normal(),
              dir.file("real/c.tbf"));
    EXPECT_EQ(LinkTarget(dir.file("plain.tbf").string()), dir.file("plain.tbf").string());
}

TEST(CatalogueFiles, IdsOfDeletedRowsAreNeverHandedOutAgain) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    const struct {
        const char* table;
        const char* column;
    } tables[] = {{"tblGroup", "sName"},
                  {"tblPackage", "sName"},
                  {"tblMedia", "sName"},
                  {"tblItem", "lMediaID"},
                  {"tblDirectory", "sLocal"}};
    // Rows come without an id, as the program adds them (a server refuses a NULL id, which a
    // file takes for "the next one").
    for (const auto& [table, column] : tables) {
        const std::string name = table;
        const std::string insert = "INSERT INTO " + name + " (" + column + ") VALUES (";
        const bool text = column[0] == 's';
        for (const int row : {1, 2, 3}) {
            db.Execute(insert + (text ? "'row" + std::to_string(row) + "'" : "7") + ")");
            if (row == 2)
                db.Execute("DELETE FROM " + name + " WHERE lID=2");
        }
        EXPECT_EQ(catalogue.scalar("SELECT MAX(lID) FROM " + name), "3") << name;
    }
    // Moving an item onto a new group takes the counter's next id, not MAX+1.
    db.Execute("UPDATE tblItem SET lGroupID=1, lPackageID=1 WHERE lID=1");
    ReassignItem(db, 1, 1, "Fresh", "Unknown");
    EXPECT_EQ(catalogue.scalar("SELECT lID FROM tblGroup WHERE sName='Fresh'"), "4");
}

TEST(LocalPaths, EveryWayOfWritingAPathGivesOneForm) {
    const struct {
        const char* given;
        const char* base;
        const char* normal;
    } cases[] = {
        {"/music/a.mp3", "", "/music/a.mp3"},
        {"/music//a.mp3", "", "/music/a.mp3"},
        {"/music/./a.mp3", "", "/music/a.mp3"},
        {"/music/../music/a.mp3", "", "/music/a.mp3"},
        {"/music/", "", "/music"},
        {"/../a", "", "/a"},
        {"/", "", "/"},
        {"a.mp3", "/lists/", "/lists/a.mp3"},
        {"../music/a.mp3", "/lists", "/music/a.mp3"},
        {"//server/share//x", "", "//server/share/x"},
        {"http://host:8000/stream", "/lists/", "http://host:8000/stream"},
        {"https://host/a/../b", "", "https://host/a/../b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalLocalPath(c.given, c.base), c.normal) << c.given;
    EXPECT_EQ(NormalLocalPath("x.mp3"), (fs::current_path() / "x.mp3").string());
    EXPECT_FALSE(HasUrlScheme("/music/http://x"));
    EXPECT_FALSE(HasUrlScheme("c:/x"));
}

// "ln/../m2" where ln links to real/sub is real/m2 to the system, and so here; a path without
// such a ".." keeps its link.
TEST(LocalPaths, DotDotBehindALinkIsResolvedAsTheSystemDoes) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    fs::create_directories(dir.file("real/sub"));
    fs::create_directories(dir.file("m2"));
    fs::create_directories(dir.file("real/m2"));
    fs::create_directory_symlink(dir.file("real/sub"), dir.file("ln"));
    EXPECT_EQ(NormalLocalPath(root + "/ln/../m2/a.mp3"), root + "/real/m2/a.mp3");
    EXPECT_EQ(NormalLocalPath(root + "/ln/x/../a.mp3"), root + "/ln/a.mp3");
    EXPECT_EQ(NormalLocalPath(root + "/ln/a.mp3"), root + "/ln/a.mp3");
    EXPECT_EQ(NormalLocalPath("../m2/b.mp3", root + "/ln"), root + "/real/m2/b.mp3");
}

TEST(LocalPaths, DirectoryRowsUseTheNormalFormAndAddressesKeepTheirs) {
    TempCatalogue catalogue;
    const int id = FindOrCreateDirectory(catalogue.connection, "/music/");
    for (const char* same : {"/music", "/music//", "/music/./", "/other/../music"})
        EXPECT_EQ(FindOrCreateDirectory(catalogue.connection, same), id) << same;
    const DirectoryForms stream = CompleteDirectoryForms("http://host:8000/", "", "");
    EXPECT_EQ(stream.local, "http://host:8000/");
    EXPECT_EQ(stream.web, "http://host:8000/");
    EXPECT_EQ(stream.network, "http://host:8000/");
}

} // namespace
} // namespace tunebay
