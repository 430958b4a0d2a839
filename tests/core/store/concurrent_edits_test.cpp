// Processes that delete items and processes that import into the same groups, albums and folders
// at once, on one catalogue of each engine: a row one writer links is never removed under it by
// another that found it unused.
#include "browse/item_deletion.h"
#include "import/import_operations.h"
#include "support/child_processes.h"
#include "support/mp3_fixture.h"
#include "support/private_postgres.h"
#include "support/quiet_run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace tunebay {
namespace {

using test::Engine;
using test::EngineCatalogue;
using test::FixedClock;
using test::QuietSink;

bool importFiles(CCatalogueConnection& connection, const std::vector<std::string>& files) {
    QuietSink sink;
    FixedClock clock;
    FileListImportOperation run(sink, connection, files, ImportOptions{}, clock);
    run.RunHere();
    return run.ErrorMessage().empty() && run.FailedFiles().empty();
}

bool deleteEach(const std::string& name, const std::vector<int>& items) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(name)) != 0)
        return false;
    for (const int item : items) {
        const int one[] = {item};
        if (DeleteItems(connection, one).deleted != 1)
            return false;
    }
    return true;
}

class ConcurrentWriters : public testing::TestWithParam<Engine> {};

TEST_P(ConcurrentWriters, ProcessesDeletingAndImportingKeepEveryLinkedRow) {
    EngineCatalogue catalogue(GetParam());
    if (!catalogue.unavailable().empty())
        GTEST_SKIP() << catalogue.unavailable();
    // In each folder a file already catalogued, alone in its group, album and folder, and a new
    // file of the same group and album: deleting the first removes the rows the second needs.
    constexpr int kFolders = 48;
    test::TempDir music;
    std::vector<std::string> seeds, fresh[2];
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::string k = std::to_string(folder);
        const auto put = [&](const std::string& file, const std::string& title) {
            test::Mp3Recipe recipe;
            recipe.frameCount = 10;
            recipe.id3v2 = test::id3v2TagFromFields(
                3, {title, "Group " + k, "Album " + k, "1999", "", "(17)", "1"});
            return music.write("f" + k + "/" + file, test::makeMp3(recipe)).string();
        };
        seeds.push_back(put("seed.mp3", "Seed " + k));
        fresh[folder % 2].push_back(put("new.mp3", "New " + k));
    }
    ASSERT_TRUE(importFiles(catalogue.connection, seeds));
    std::vector<int> seedItems[2];
    for (ResultSet rows = catalogue.connection.Execute("SELECT lID FROM tblItem ORDER BY lID");
         !rows.IsEof(); rows.MoveNext())
        seedItems[seedItems[0].size() < kFolders / 2 ? 0 : 1].push_back(rows.GetInt(0));

    std::vector<pid_t> children;
    for (int writer = 0; writer < 4; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = false;
            if (writer < 2) {
                CCatalogueConnection connection;
                ok = connection.Open(CatalogueConnectionString(catalogue.name())) == 0 &&
                     importFiles(connection, fresh[writer]);
            } else {
                ok = deleteEach(catalogue.name(), seedItems[writer - 2]);
            }
            ::_exit(ok ? 0 : 1); // never the parent's exit handlers: they stop the server
        }
        children.push_back(child);
    }
    test::ExpectChildrenSucceeded(children);

    // Every new file is there, in its own group, album and folder, whose rows are there.
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), std::to_string(kFolders));
    EXPECT_EQ(
        catalogue.scalar("SELECT COUNT(*) FROM tblItem, tblMedia, tblGroup, tblPackage, "
                         "tblDirectory WHERE tblItem.lMediaID=tblMedia.lID AND "
                         "tblItem.lGroupID=tblGroup.lID AND tblItem.lPackageID=tblPackage.lID "
                         "AND tblMedia.lDirectoryID=tblDirectory.lID AND "
                         "tblGroup.sName=REPLACE(tblMedia.sName, 'New', 'Group') AND "
                         "tblPackage.sName=REPLACE(tblMedia.sName, 'New', 'Album')"),
        std::to_string(kFolders));
}

INSTANTIATE_TEST_SUITE_P(Store, ConcurrentWriters, testing::Values(Engine::File, Engine::Server),
                         [](const testing::TestParamInfo<Engine>& info) {
                             return test::EngineLabel(info.param);
                         });

} // namespace
} // namespace tunebay
