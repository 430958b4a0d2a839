#include "app/catalogue_document.h"
#include "app/time_stamp.h"
#include "app/update_reminder.h"
#include "support/private_postgres.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <functional>
#include <thread>

namespace tunebay {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class Document : public ::testing::Test {
protected:
    Document() : document(connection, test::dataDirectory()) {}

    fs::path catalogueWithVersion(const std::string& name, const std::string& versionStatement) {
        const fs::path path = dir.file(name);
        fs::copy_file(test::templatePath(), path);
        CCatalogueConnection writer;
        writer.Open(CatalogueConnectionString(path.string()));
        writer.Execute(versionStatement);
        return path;
    }

    TempDir dir;
    CCatalogueConnection connection;
    CatalogueDocument document;
};

TEST_F(Document, OpensACatalogueAndNamesItInTheTitle) {
    const fs::path path = dir.file("my.tbf");
    fs::copy_file(test::templatePath(), path);
    EXPECT_TRUE(document.OpenCatalogue(path.string()).ok());
    EXPECT_TRUE(document.IsOpen());
    EXPECT_EQ(CatalogueWindowTitle(document.Path()), "my.tbf - Tunebay");
    EXPECT_EQ(CatalogueWindowTitle(""), "Tunebay");
    EXPECT_EQ(connection.CountItems(), 0);
    for (const char* server :
         {"postgresql://nas/music", "postgresql://me@nas:5433/music?sslmode=require",
          "postgresql:///music?host=/run/postgresql", "postgresql://?dbname=music&host=/tmp/a/b"})
        EXPECT_EQ(CatalogueWindowTitle(server), "music - Tunebay") << server;
}

TEST_F(Document, AnOlderCatalogueGainsTheLaterOptionalTypesWhenOpenedForWriting) {
    const fs::path path =
        catalogueWithVersion("old.tbf", "DELETE FROM tblOptionalType WHERE lID IN (4119, 4120)");
    const auto types = [&] {
        CCatalogueConnection reader;
        reader.Open(CatalogueConnectionString(path.string()));
        ResultSet rows = reader.Execute(
            "SELECT lID, lValueType, lTableType FROM tblOptionalType WHERE lID>4118 ORDER BY lID");
        std::string text;
        for (; !rows.IsEof(); rows.MoveNext())
            text += std::to_string(rows.GetInt(0)) + ":" + std::to_string(rows.GetInt(1)) + ":" +
                    std::to_string(rows.GetInt(2)) + " ";
        return text;
    };
    ASSERT_EQ(types(), "");
    // Read only: nothing is added.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    if (::access(path.c_str(), W_OK) != 0) {
        ASSERT_TRUE(document.OpenCatalogue(path.string()).ok());
        document.Close();
        EXPECT_EQ(types(), "");
    }
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(document.OpenCatalogue(path.string()).ok());
    document.Close();
    EXPECT_EQ(types(), "4119:1:0 4120:2:9 ");
    // As the template holds them, and the format's version stays.
    test::TempCatalogue fresh;
    EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM tblOptionalType WHERE lID IN (4119, 4120)"), "2");
    CCatalogueConnection reader;
    reader.Open(CatalogueConnectionString(path.string()));
    EXPECT_EQ(reader.Execute("SELECT sValue FROM tblDBInfo WHERE sID='DBVersion'").GetText(0),
              "1,0");
}

TEST_F(Document, AnOlderServerCatalogueGainsTheIndexOfNetworkFormsAtOpen) {
    test::EngineCatalogue server(test::Engine::Server);
    if (!server.unavailable().empty())
        GTEST_SKIP() << server.unavailable();
    const std::string indexes = "SELECT COUNT(*) FROM pg_indexes WHERE schemaname=current_schema() "
                                "AND indexname='idxdirectorynetwork'";
    EXPECT_EQ(server.scalar(indexes), "1"); // made with the catalogue
    server.connection.Execute("DROP INDEX idxDirectoryNetwork");
    ASSERT_EQ(server.scalar(indexes), "0");
    ASSERT_TRUE(document.OpenCatalogue(server.name()).ok());
    EXPECT_EQ(server.scalar(indexes), "1");
}

TEST_F(Document, VersionMustBeginWithOneCommaZero) {
    EXPECT_TRUE(
        document
            .OpenCatalogue(
                catalogueWithVersion("a.tbf", "UPDATE tblDBInfo SET sValue='1,0,7'").string())
            .ok());
    for (const char* version : {"1,1", "1.0", " 1,0"}) {
        const auto path =
            catalogueWithVersion(std::string("v") + version + ".tbf",
                                 std::string("UPDATE tblDBInfo SET sValue='") + version + "'");
        const OpenResult result = document.OpenCatalogue(path.string());
        EXPECT_EQ(result.status, OpenStatus::IncompatibleVersion) << version;
        EXPECT_EQ(result.message, "Incompatible database version! Get the newest Tunebay!");
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_FALSE(document.IsOpen());
    }
    const auto noRow = catalogueWithVersion("none.tbf", "DELETE FROM tblDBInfo");
    EXPECT_EQ(document.OpenCatalogue(noRow.string()).status, OpenStatus::IncompatibleVersion);
}

TEST_F(Document, ForeignFilesAreRefusedAndLeftUnchanged) {
    const auto text = dir.write("notes.tbf", "just some text\n");
    const OpenResult result = document.OpenCatalogue(text.string());
    EXPECT_EQ(result.status, OpenStatus::OpenFailed);
    EXPECT_EQ(result.message, "Database file not available, faulty or read-only!");
    EXPECT_EQ(test::readFile(text), "just some text\n");

    const fs::path foreign = dir.file("foreign.tbf");
    {
        CCatalogueConnection other;
        fs::copy_file(test::templatePath(), foreign);
        other.Open(CatalogueConnectionString(foreign.string()));
        other.Execute("DROP TABLE tblDBInfo");
    }
    const std::string before = test::readFile(foreign);
    EXPECT_EQ(document.OpenCatalogue(foreign.string()).status, OpenStatus::IncompatibleVersion);
    EXPECT_EQ(test::readFile(foreign), before);
}

TEST_F(Document, MissingPathKeepsThePreviousCatalogueOpen) {
    const fs::path path = dir.file("kept.tbf");
    fs::copy_file(test::templatePath(), path);
    ASSERT_TRUE(document.OpenCatalogue(path.string()).ok());
    const OpenResult result = document.OpenCatalogue(dir.file("gone.tbf").string());
    EXPECT_EQ(result.status, OpenStatus::NotAccessible);
    EXPECT_EQ(result.message, "TBF file does not exist or is not accessible!");
    EXPECT_EQ(document.Path(), path.string());
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(document.OpenCatalogue("").status, OpenStatus::NothingToOpen);
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(document.OpenCatalogue(dir.path().string()).status, OpenStatus::NotAccessible);
}

TEST_F(Document, AnEmptyFileBecomesANewCatalogue) {
    const auto empty = dir.write("empty.tbf", "");
    EXPECT_TRUE(document.OpenCatalogue(empty.string()).ok());
    EXPECT_EQ(connection.Execute("SELECT COUNT(*) FROM tblGenre").GetInt(0), 127);
}

TEST_F(Document, WithoutATemplateNothingIsCreated) {
    CatalogueDocument orphan(connection, dir.path().string() + "/no-template-here/");
    const auto empty = dir.write("empty.tbf", "");
    EXPECT_EQ(orphan.OpenCatalogue(empty.string()).status, OpenStatus::OpenFailed);
    const auto existing = dir.write("existing.tbf", "keep me");
    const OpenResult result = orphan.NewCatalogue(existing.string());
    EXPECT_EQ(result.status, OpenStatus::CreateFailed);
    EXPECT_EQ(result.message, "Couldn't create new database file!");
    EXPECT_EQ(test::readFile(existing), "keep me");
}

TEST_F(Document, NewCatalogueReplacesTheFileWithTheTemplate) {
    const auto existing = dir.write("old.tbf", "old contents");
    ASSERT_TRUE(document.NewCatalogue(existing.string()).ok());
    EXPECT_EQ(connection.Execute("SELECT sValue FROM tblDBInfo").GetText(0), "1,0");
    // Replacing the open catalogue itself gives an empty one.
    connection.Execute("INSERT INTO tblGroup (sName) VALUES ('x')");
    ASSERT_TRUE(document.NewCatalogue(existing.string()).ok());
    EXPECT_EQ(connection.Execute("SELECT COUNT(*) FROM tblGroup").GetInt(0), 0);
}

class FixedClock : public IClock {
public:
    explicit FixedClock(std::time_t now) : now(now) {}
    std::time_t Now() const override { return now; }
    std::time_t now;
};

std::time_t utc(int year, int month, int day, int hour = 0) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    return timegm(&fields);
}

TEST_F(Document, NeverReplacesACatalogueInUseElsewhere) {
    const fs::path path = dir.file("shared.tbf");
    ASSERT_TRUE(document.NewCatalogue(path.string()).ok());
    document.Close();
    CCatalogueConnection other; // another program's hold on the file
    ASSERT_EQ(other.Open(CatalogueConnectionString(path.string())), 0);
    other.EnableConcurrentAccess();
    other.Execute("INSERT INTO tblGroup (sName) VALUES ('theirs')");
    const OpenResult refused = document.NewCatalogue(path.string());
    EXPECT_EQ(refused.status, OpenStatus::CreateFailed);
    EXPECT_NE(refused.detail.find("another program"), std::string::npos);
    EXPECT_EQ(other.Execute("SELECT sName FROM tblGroup").GetText(0), "theirs");
}

TEST_F(Document, ReplacedCatalogueLeavesNoLogToBeReadIntoTheNewOne) {
    const fs::path path = dir.file("old.tbf");
    ASSERT_TRUE(document.NewCatalogue(path.string()).ok());
    connection.Execute("PRAGMA wal_autocheckpoint=0");
    connection.Execute("INSERT INTO tblGroup (sName) VALUES ('stale')");
    // The log of a writer that ended without closing.
    const std::string log = test::readFile(dir.file("old.tbf-wal"));
    ASSERT_FALSE(log.empty());
    document.Close();
    dir.write("old.tbf-wal", log);
    ASSERT_TRUE(document.NewCatalogue(path.string()).ok());
    EXPECT_EQ(connection.Execute("SELECT COUNT(*) FROM tblGroup").GetText(0), "0");
}

TEST_F(Document, CataloguesReachedThroughLinksAreChangedWhereTheLinkPoints) {
    fs::create_directory(dir.file("real"));
    dir.write("real/empty.tbf", "");
    fs::create_symlink("real/empty.tbf", dir.file("empty-link.tbf"));
    ASSERT_TRUE(document.OpenCatalogue(dir.file("empty-link.tbf").string()).ok());
    document.Close();
    EXPECT_TRUE(fs::is_symlink(dir.file("empty-link.tbf")));
    EXPECT_GT(fs::file_size(dir.file("real/empty.tbf")), 0u);

    fs::create_symlink("real/forced.tbf", dir.file("forced-link.tbf"));
    ASSERT_TRUE(document.NewCatalogue(dir.file("forced-link.tbf").string()).ok());
    document.Close();
    EXPECT_TRUE(fs::is_symlink(dir.file("forced-link.tbf")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.file("real/forced.tbf"))));
}

TEST_F(Document, FailuresNameTheFileAndTheReason) {
    const OpenResult missing = document.OpenCatalogue(dir.file("nope.tbf").string());
    EXPECT_EQ(missing.message, kMessageNotAccessible);
    EXPECT_EQ(missing.detail, dir.file("nope.tbf").string() + ": No such file or directory");
    const OpenResult notDatabase =
        document.OpenCatalogue(dir.write("text.tbf", std::string(600, 't')).string());
    EXPECT_EQ(notDatabase.message, kMessageOpenFailed);
    EXPECT_NE(notDatabase.detail.find("text.tbf: "), std::string::npos);
}

TEST(TimeStamps, OneMonthLaterRollsOverDaysTheMonthLacks) {
    EXPECT_EQ(FormatTimeStamp(utc(2026, 12, 8, 14)), "20261208140000");
    EXPECT_EQ(TimeStampOneMonthLater(utc(2026, 12, 8)), "20270108000000");
    EXPECT_EQ(TimeStampOneMonthLater(utc(2027, 1, 31)), "20270303000000");
    EXPECT_EQ(TimeStampOneMonthLater(utc(2028, 1, 31)), "20280302000000");
    EXPECT_EQ(TimeStampOneMonthLater(utc(2027, 3, 31)), "20270501000000");
}

TEST(UpdateReminder, AsksOnceWhenDueAndMovesOnAMonth) {
    std::string next;
    FixedClock clock(utc(2026, 12, 8));
    EXPECT_FALSE(CheckUpdateReminder(next, clock));
    EXPECT_EQ(next, "20270108000000");
    clock.now = utc(2027, 1, 7);
    EXPECT_FALSE(CheckUpdateReminder(next, clock));
    EXPECT_EQ(next, "20270108000000");
    clock.now = utc(2027, 1, 8);
    EXPECT_TRUE(CheckUpdateReminder(next, clock));
    EXPECT_EQ(next, "20270208000000");
    EXPECT_FALSE(CheckUpdateReminder(next, clock));
    EXPECT_EQ(UpdateReminderQuestion().find(
                  "Do you want to visit the Tunebay website for the latest update?\r\n"),
              0u);
}

// Whether anything of the catalogue lies beside it: a log, its shared memory or a journal.
bool companionsExist(const fs::path& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (fs::exists(path.string() + suffix))
            return true;
    return false;
}

// What the engine itself, not this program, reads in the file alone: its integrity check, then
// the names of the groups.
std::string readByTheEngine(const fs::path& path) {
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2(("file:" + path.string() + "?immutable=1").c_str(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        for (const char* sql :
             {"PRAGMA integrity_check", "SELECT sName FROM tblGroup ORDER BY sName"}) {
            sqlite3_stmt* statement = nullptr;
            sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
            while (sqlite3_step(statement) == SQLITE_ROW)
                text += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)) +
                        std::string(";");
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close_v2(db);
    return text;
}

// Backups and synchronising tools compare the bytes: an open that writes nothing must not touch
// the file, whatever is read and by how many threads or holders.
TEST_F(Document, AnOpenThatWritesNothingLeavesTheFileByteForByte) {
    const fs::path path = dir.file("kept.tbf");
    ASSERT_TRUE(document.NewCatalogue(path.string()).ok());
    connection.Execute("INSERT INTO tblGroup (sName) VALUES ('Abba')");
    document.Close();
    const std::string before = test::readFile(path);
    ASSERT_EQ(before[18], 1);

    const auto read = [&] { return connection.Execute("SELECT sName FROM tblGroup").GetText(0); };
    const std::pair<const char*, std::function<void()>> opens[] = {
        {"nothing done", [] {}},
        {"reads", [&] { EXPECT_EQ(read(), "Abba"); }},
        {"reads on a worker",
         [&] {
             std::thread worker([&] { EXPECT_EQ(read(), "Abba"); });
             worker.join();
         }},
        {"another holder that reads",
         [&] {
             CCatalogueConnection other;
             ASSERT_EQ(other.Open(CatalogueConnectionString(path.string())), 0);
             other.EnableConcurrentAccess();
             EXPECT_EQ(other.Execute("SELECT COUNT(*) FROM tblItem").GetInt(0), 0);
         }},
    };
    for (const auto& [what, work] : opens) {
        ASSERT_TRUE(document.OpenCatalogue(path.string()).ok()) << what;
        work();
        document.Close();
        EXPECT_TRUE(test::readFile(path) == before) << what;
        EXPECT_FALSE(companionsExist(path)) << what;
    }
}

// After a write the change is in the catalogue file itself, which is left whole and alone in
// the rollback-journal mode, whichever holder closes last.
TEST_F(Document, AnOpenThatWritesLeavesOneWholeFile) {
    const std::pair<const char*, bool> orders[] = {{"the writer closes last", false},
                                                   {"a reader closes last", true}};
    for (const auto& [what, readerLast] : orders) {
        const fs::path path = dir.file(std::string(readerLast ? "r" : "w") + ".tbf");
        ASSERT_TRUE(document.NewCatalogue(path.string()).ok());
        document.Close();
        CCatalogueConnection reader;
        ASSERT_EQ(reader.Open(CatalogueConnectionString(path.string())), 0);
        reader.EnableConcurrentAccess();
        EXPECT_EQ(reader.Execute("SELECT COUNT(*) FROM tblGroup").GetInt(0), 0);

        ASSERT_TRUE(document.OpenCatalogue(path.string()).ok()) << what;
        connection.Execute("INSERT INTO tblGroup (sName) VALUES ('Abba')");
        EXPECT_TRUE(fs::exists(path.string() + "-wal")) << what; // readers work beside it
        if (readerLast) {
            document.Close();
            reader.Open("");
        } else {
            reader.Open("");
            document.Close();
        }
        EXPECT_FALSE(companionsExist(path)) << what;
        const std::string bytes = test::readFile(path);
        EXPECT_EQ(bytes[18], 1) << what;
        EXPECT_EQ(bytes[19], 1) << what;
        EXPECT_EQ(readByTheEngine(path), "ok;Abba;") << what;
    }
}

} // namespace
} // namespace tunebay
