#include "app/catalogue_document.h"
#include "app/time_stamp.h"
#include "app/update_reminder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <unistd.h>

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

} // namespace
} // namespace tunebay
