// Import batches on both engines: the new files a run has read are written with a few statements
// for the whole batch, and a file the catalogue refuses costs no other file of its batch.
#include "import/import_operations.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"
#include "support/refused_change.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::Engine;
using test::EngineCatalogue;

class FixedClock : public IClock {
public:
    std::time_t Now() const override { return 1765202400; }
};

class NullSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

class ImportBatches : public testing::TestWithParam<Engine> {};

// The refused value is written after the file's media and item rows, in the batch's last
// statement: the batch is undone whole and written again file by file, which keeps the files
// before the refused one, with all their rows, and leaves no row of the refused file behind.
TEST_P(ImportBatches, AFileTheCatalogueRefusesKeepsTheFilesBeforeItInItsBatch) {
    EngineCatalogue catalogue(GetParam());
    if (!catalogue.unavailable().empty())
        GTEST_SKIP() << catalogue.unavailable();
    // The one optional value refused: the fingerprint "refused".
    test::RefuseChange(catalogue.connection,
                       {"tblOptional", "INSERT", "NEW.sValue='refused'", "the value is refused"});
    test::TempDir music;
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i)
        files.push_back(
            music.write("disc/" + std::to_string(10 + i) + ".mp3", test::makeMp3({})).string());

    ImportOptions options;
    options.generateFingerprint = true;
    NullSink sink;
    FixedClock clock;
    FileListImportOperation run(
        sink, catalogue.connection, files, options, clock,
        [](const std::string& path, const std::function<bool()>&) {
            const std::string name = std::filesystem::path(path).stem().string();
            return FileFingerprint{name == "15" ? "refused" : "track-" + name, "", ""};
        });
    run.RunHere();

    EXPECT_EQ(run.ErrorMessage(), kMessageImportError);
    EXPECT_FALSE(run.ErrorDetail().empty());
    EXPECT_EQ(run.ItemsAdded(), 5);
    ASSERT_EQ(run.FailedFiles().size(), 1u);
    EXPECT_EQ(run.FailedFiles()[0].path, files[5]);
    EXPECT_EQ(run.FailedFiles()[0].reason, ImportFailure::DatabaseError);
    EXPECT_EQ(catalogue.rows("SELECT tblMedia.sFileName, tblOptional.sValue FROM tblMedia, "
                             "tblItem, tblOptional WHERE tblItem.lMediaID=tblMedia.lID AND "
                             "tblOptional.lTableID=tblMedia.lID AND "
                             "tblOptional.lOptionalTypeID=4095 ORDER BY tblMedia.lID"),
              "10.mp3|track-10\n11.mp3|track-11\n12.mp3|track-12\n13.mp3|track-13\n"
              "14.mp3|track-14");
    // Nothing else of the batch stayed: every row belongs to one of the five files.
    EXPECT_EQ(catalogue.rows("SELECT (SELECT COUNT(*) FROM tblMedia), (SELECT COUNT(*) FROM "
                             "tblItem), (SELECT COUNT(*) FROM tblOptional), (SELECT COUNT(*) FROM "
                             "tblDirectory), (SELECT COUNT(*) FROM tblGroup), (SELECT COUNT(*) "
                             "FROM tblPackage)"),
              "5|5|30|1|1|1");
    EXPECT_FALSE(catalogue.connection.InTransaction());
}

INSTANTIATE_TEST_SUITE_P(Import, ImportBatches, testing::Values(Engine::File, Engine::Server),
                         [](const testing::TestParamInfo<Engine>& info) {
                             return test::EngineLabel(info.param);
                         });

} // namespace
} // namespace tunebay
