// Import batches on both engines: the new files a run has read are written with a few statements
// for the whole batch, and a file the catalogue refuses costs no other file of its batch.
#include "import/import_operations.h"
#include "import/media_batch_writer.h"
#include "import/media_importer.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"
#include "support/quiet_run.h"
#include "support/refused_change.h"
#include "support/temp_dir.h"
#include "support/two_machines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::Engine;
using test::EngineCatalogue;
using test::FixedClock;
using test::QuietSink;

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
    QuietSink sink;
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

// Machine B writes a batch of two files of a share that machine A catalogued through its own
// mount point: the file A catalogued is found held, and the new one joins A's folder row.
TEST_P(ImportBatches, AShareFolderCataloguedThroughAnotherMountPointStaysOneFolder) {
    EngineCatalogue catalogue(GetParam());
    if (!catalogue.unavailable().empty())
        GTEST_SKIP() << catalogue.unavailable();
    test::TwoMachines machines;
    std::filesystem::create_directories(machines.Share() / "disc");
    const auto put = [&](const std::string& name) {
        std::ofstream(machines.Share() / "disc" / name, std::ios::binary) << test::makeMp3({});
    };
    put("old.mp3");
    QuietSink sink;
    FixedClock clock;
    machines.Use('A');
    FileListImportOperation first(sink, catalogue.connection,
                                  {machines.MountPoint('A') + "/disc/old.mp3"}, ImportOptions(),
                                  clock);
    first.RunHere();
    ASSERT_EQ(first.ItemsAdded(), 1);

    machines.Use('B');
    put("new.mp3");
    MediaImporter importer(catalogue.connection, ImportOptions(), nullptr, clock);
    MediaFileInfo old, fresh;
    ASSERT_EQ(importer.ReadMediaFile(machines.MountPoint('B') + "/disc/old.mp3", true, old),
              ImportFailure::None);
    ASSERT_EQ(importer.ReadMediaFile(machines.MountPoint('B') + "/disc/new.mp3", true, fresh),
              ImportFailure::None);
    const MediaFileInfo* batch[] = {&old, &fresh};
    const std::vector<int> items =
        CatalogueNewMediaFiles(catalogue.connection, batch, importer.Mounts());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], 0);
    EXPECT_GT(items[1], 0);
    EXPECT_EQ(catalogue.rows("SELECT tblDirectory.sUNC, tblMedia.sFileName FROM tblMedia, "
                             "tblDirectory WHERE tblMedia.lDirectoryID=tblDirectory.lID ORDER BY "
                             "tblMedia.lID"),
              "//NAS/Music/disc/|old.mp3\n//NAS/Music/disc/|new.mp3");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory"), "1");
}

INSTANTIATE_TEST_SUITE_P(Import, ImportBatches, testing::Values(Engine::File, Engine::Server),
                         [](const testing::TestParamInfo<Engine>& info) {
                             return test::EngineLabel(info.param);
                         });

} // namespace
} // namespace tunebay
