#include "store/catalogue_connection.h"
#include "store/catalogue_error.h"
#include "store/item_query.h"
#include "store/sql_quote.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tunebay {
namespace {

using test::TempCatalogue;

TEST(Connection, EmptyStringClosesAndSucceeds) {
    CCatalogueConnection connection;
    EXPECT_EQ(connection.Open(""), 0);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(connection.CountItems(), 0);
    EXPECT_THROW(connection.Execute("SELECT 1"), CatalogueError);
}

TEST(Connection, ConnectionStringCarriesAnyPath) {
    EXPECT_EQ(ConnectionStringPath("DRIVER=SQLite3;DBQ=/tmp/a.tbf;PWD="), "/tmp/a.tbf");
    EXPECT_EQ(ConnectionStringPath("DRIVER=Microsoft Access Driver (*.mdb);DBQ=/x/y.tbf;PWD=z"),
              "/x/y.tbf");
    for (const std::string path : {"/tmp/semi;colon.tbf", "/tmp/{brace}}.tbf", " leading"})
        EXPECT_EQ(ConnectionStringPath(CatalogueConnectionString(path)), path);
    EXPECT_EQ(ConnectionStringPath("DRIVER=x;PWD="), "");
}

TEST(Connection, TemplateHoldsTheFixedRows) {
    TempCatalogue catalogue;
    EXPECT_EQ(catalogue.connection.CountItems(), 0);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGenre"), "127");
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGenre WHERE lID=17"), "Rock");
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGenre WHERE lID=125"), "Dance Hall");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGenre WHERE lID=255"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT sValue FROM tblDBInfo WHERE sID='DBVERSION'"), "1,0");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptionalType WHERE lTableType=9"), "8");
    EXPECT_EQ(catalogue.scalar("SELECT lValueType FROM tblOptionalType WHERE lID=4118"), "3");
}

TEST(Connection, JetStatementsRunAsWritten) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    db.Execute("INSERT INTO tblGroup (sName) VALUES ('ABBA')");
    db.Execute("INSERT INTO tblGroup (sName) VALUES ('Queen')");
    EXPECT_EQ(catalogue.scalar("SELECT FIRST(lID) FROM tblGroup WHERE sName='abba'"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT First(sName) FROM tblGroup"), "ABBA");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM (SELECT sName FROM tblGroup GROUP BY sName)"),
              "2");
    EXPECT_EQ(catalogue.scalar("SELECT DISTINCT(tblGroup.sName) FROM tblGroup ORDER BY sName DESC"),
              "Queen");
    db.Execute("INSERT INTO tblOptional (lTableID, lOptionalTypeID, lValue) VALUES (1, 4112, 1)");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lValue=TRUE"), "1");
    db.Execute("DELETE * FROM tblGroup WHERE lID=1");
    db.Execute("DELETE * FROM tblGroup");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), "0");
}

TEST(Connection, ReadsColumnsByPositionWithNullAsEmpty) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    db.Execute(
        "INSERT INTO tblMedia (sName, sComment, fSize, lLength) VALUES ('a', NULL, 4096, 61)");
    ResultSet row = db.Execute("SELECT sName, sComment, fSize, lLength, lID FROM tblMedia");
    ASSERT_FALSE(row.IsEof());
    EXPECT_EQ(row.GetText(1), "");
    EXPECT_TRUE(row.IsNull(1));
    EXPECT_EQ(row.GetText(2), "4096");
    EXPECT_DOUBLE_EQ(row.GetDouble(2), 4096.0);
    EXPECT_EQ(row.GetInt(3), 61);
    EXPECT_EQ(row.GetText(3), "61");
    row.MoveNext();
    EXPECT_TRUE(row.IsEof());
    ResultSet none = db.Execute("SELECT MAX(lID) FROM tblGroup");
    ASSERT_FALSE(none.IsEof());
    EXPECT_TRUE(none.IsNull(0));
}

TEST(Connection, TextNamesCompareWithoutAsciiCaseButPathsExactly) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    db.Execute("INSERT INTO tblGroup (sName) VALUES ('Beatles')");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='BEATLES'"), "1");
    db.Execute("INSERT INTO tblGroup (sName) VALUES ('Élan')");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='élan'"),
              "0"); // only A-Z fold
    db.Execute("INSERT INTO tblDirectory (sLocal) VALUES ('/music/A/')");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sLocal='/music/a/'"), "0");
}

TEST(Connection, OnlyTheFirstStatementIsEverRun) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    EXPECT_THROW(db.Execute("DELETE FROM tblGenre WHERE lID=1; DELETE FROM tblGenre"),
                 CatalogueError);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGenre"), "127");
    EXPECT_THROW(db.Execute(std::string("DELETE FROM tblGenre WHERE lID=1\0 OR 1=1", 40)),
                 CatalogueError);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGenre"), "127");
    EXPECT_NO_THROW(db.Execute("SELECT 1;  "));
    EXPECT_THROW(db.Execute(""), CatalogueError);
}

TEST(Connection, ErrorsCarryTheStatementAndTheEngineMessage) {
    TempCatalogue catalogue;
    try {
        catalogue.connection.Execute("SELECT sNope FROM tblMedia");
        FAIL() << "no error raised";
    } catch (const CatalogueError& error) {
        EXPECT_EQ(error.statement(), "SELECT sNope FROM tblMedia");
        EXPECT_NE(error.engineMessage().find("sNope"), std::string::npos);
    }
}

TEST(Connection, HostileTextSurvivesQuotingIntoTheCatalogue) {
    TempCatalogue catalogue;
    const std::string hostile =
        std::string("it's \"x\"; DROP TABLE tblItem; --\xff\xfe\x80 ") + '\x01';
    catalogue.connection.Execute("INSERT INTO tblGroup (sName) VALUES (" + SqlQuote(hostile) + ")");
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGroup"), hostile);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), "0");
}

TEST(Connection, TransactionsRollBackUnlessCommitted) {
    TempCatalogue catalogue;
    {
        CatalogueTransaction transaction(catalogue.connection);
        catalogue.connection.Execute("INSERT INTO tblGroup (sName) VALUES ('lost')");
    }
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), "0");
    {
        CatalogueTransaction transaction(catalogue.connection);
        catalogue.connection.Execute("INSERT INTO tblGroup (sName) VALUES ('kept')");
        transaction.Commit();
    }
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), "1");
}

TEST(Connection, SeveralThreadsShareOneConnection) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    constexpr int kThreads = 4;
    constexpr int kRows = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            try {
                for (int i = 0; i < kRows; ++i) {
                    CatalogueTransaction transaction(db);
                    db.Execute("INSERT INTO tblPackage (sName) VALUES ('t" + std::to_string(t) +
                               "')");
                    transaction.Commit();
                    ResultSet rows = db.Execute("SELECT COUNT(*) FROM tblPackage");
                    if (rows.IsEof())
                        ++failures;
                }
            } catch (const CatalogueError&) {
                ++failures;
            }
        });
    // A reader on this thread keeps a listing open while the others write.
    ResultSet listing = db.Execute("SELECT lID FROM tblGenre");
    while (!listing.IsEof())
        listing.MoveNext();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblPackage"),
              std::to_string(kThreads * kRows));
}

TEST(Connection, AnotherThreadsTransactionIsNotSeenUntilCommitted) {
    TempCatalogue catalogue;
    auto& db = catalogue.connection;
    CatalogueTransaction transaction(db);
    db.Execute("INSERT INTO tblGroup (sName) VALUES ('pending')");
    std::string seen;
    std::thread([&] { seen = catalogue.scalar("SELECT COUNT(*) FROM tblGroup"); }).join();
    EXPECT_EQ(seen, "0");
    transaction.Commit();
    std::thread([&] { seen = catalogue.scalar("SELECT COUNT(*) FROM tblGroup"); }).join();
    EXPECT_EQ(seen, "1");
}

// Opens the catalogue read-only and returns a description of the first thing that is wrong.
std::string readOnlyProblems(const std::filesystem::path& path) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path.string())) != 0)
        return "does not open";
    if (!connection.IsReadOnly())
        return "not seen as read-only";
    try {
        if (connection.Execute("SELECT sName FROM tblGroup").GetText(0) != "x")
            return "reads wrong";
    } catch (const CatalogueError& error) {
        return std::string("read failed: ") + error.what();
    }
    try {
        connection.Execute("INSERT INTO tblGroup (sName) VALUES ('y')");
        return "write succeeded";
    } catch (const CatalogueError&) {
    }
    return "";
}

TEST(Connection, ReadOnlyCatalogueReadsButRefusesWrites) {
    if (test::ServerRun())
        GTEST_SKIP() << "the permissions of a catalogue file";
    TempCatalogue source;
    source.connection.Execute("INSERT INTO tblGroup (sName) VALUES ('x')");
    source.connection.Open("");
    namespace fs = std::filesystem;
    fs::permissions(source.path(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    fs::permissions(source.dir().path(),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::replace);
    if (geteuid() != 0) {
        EXPECT_EQ(readOnlyProblems(source.path()), "");
        return;
    }
    // File permissions do not bind the superuser: check as an ordinary user in a child process.
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(readOnlyProblems(source.path()).empty() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: read-only catalogue misbehaves, 2: cannot drop rights";
}

TEST(Connection, FilesThatAreNotDatabasesDoNotOpen) {
    test::TempDir dir;
    CCatalogueConnection connection;
    EXPECT_NE(connection.Open(CatalogueConnectionString(
                  dir.write("text.tbf", "hello, not a database\n").string())),
              0);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_NE(connection.Open(CatalogueConnectionString(dir.file("missing.tbf").string())), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.tbf")));
    const std::string header = test::readFile(test::templatePath()).substr(0, 2000);
    EXPECT_NE(connection.Open(CatalogueConnectionString(dir.write("cut.tbf", header).string())), 0);
}

TEST(Connection, CatalogueLockedByAnotherProcessFailsClearly) {
    // A server locks only what two writers both change; only a file is locked whole.
    if (test::ServerRun())
        GTEST_SKIP() << "the lock of a catalogue file";
    TempCatalogue catalogue;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        CCatalogueConnection other;
        other.Open(CatalogueConnectionString(catalogue.path().string()));
        other.Begin();
        other.Execute("INSERT INTO tblGroup (sName) VALUES ('held')");
        (void)!write(ready[1], "x", 1);
        sleep(10);
        _exit(0);
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    // The wait goes by the clock, not by the number of tries: a clock that moves only when the
    // connection sleeps shows how often it looks and how long it waits in all.
    long long now = 0;
    int sleeps = 0;
    BusyWait wait;
    wait.now = [&now] { return now; };
    wait.sleep = [&now, &sleeps](long long milliseconds) {
        now += milliseconds;
        ++sleeps;
    };
    CCatalogueConnection connection;
    connection.SetBusyWait(wait);
    ASSERT_EQ(connection.Open(CatalogueConnectionString(catalogue.path().string())), 0);
    try {
        connection.Execute("INSERT INTO tblGroup (sName) VALUES ('mine')");
        ADD_FAILURE() << "the insert went through";
    } catch (const CatalogueError& error) {
        EXPECT_NE(error.engineMessage().find("busy in another program"), std::string::npos)
            << error.engineMessage();
    }
    EXPECT_GE(now, 3000);
    EXPECT_LT(now, 3000 + 8);
    EXPECT_LT(sleeps, 400);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
}

} // namespace
} // namespace tunebay
