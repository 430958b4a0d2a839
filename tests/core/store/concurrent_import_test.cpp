// Several processes importing into one server catalogue at once: each file is catalogued once,
// and the groups, packages and directories they share are made once, as one import makes them.
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

// Imports `folder` (or, when given, its `files` in their order) into the catalogue named `name`:
// true when every file was catalogued by this run or found catalogued already.
bool importFolder(const std::string& name, const std::string& folder,
                  const std::vector<std::string>& files = {}) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(name)) != 0)
        return false;
    QuietSink sink;
    FixedClock clock;
    std::shared_ptr<ImportRun> run;
    if (files.empty())
        run = std::make_shared<FolderImportOperation>(sink, connection, folder, ImportOptions{},
                                                      clock);
    else
        run = std::make_shared<FileListImportOperation>(sink, connection, files, ImportOptions{},
                                                        clock);
    if (run->Start() != 1 || run->WaitFinished(120000) != 1 || !run->ErrorMessage().empty())
        return false;
    for (const FailedImport& failed : run->FailedFiles())
        if (failed.reason != ImportFailure::AlreadyCatalogued)
            return false;
    return true;
}

// What the catalogue holds, in counts that do not depend on which process made a row.
std::string shape(EngineCatalogue& catalogue) {
    return catalogue.rows("SELECT (SELECT COUNT(*) FROM tblMedia), (SELECT COUNT(*) FROM tblItem), "
                          "(SELECT COUNT(*) FROM tblGroup), (SELECT COUNT(*) FROM tblPackage), "
                          "(SELECT COUNT(*) FROM tblDirectory), "
                          "(SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4103)");
}

TEST(ServerCatalogue, ProcessesImportingOneFolderCatalogueEachFileOnce) {
    EngineCatalogue server(Engine::Server);
    if (!server.unavailable().empty())
        GTEST_SKIP() << server.unavailable();
    // Groups and packages whose names differ in ASCII case only, shared by many files, in
    // several folders: every find-or-create of the import is met by every process at once. The
    // last process takes the files in the opposite order, so that the batches of the processes
    // meet the same files and albums in different orders.
    test::TempDir music;
    std::vector<std::string> backwards;
    const char* groups[] = {"Abba", "ABBA", "Queen", "queen"};
    const char* packages[] = {"Gold", "GOLD", "Live", "Unknown"};
    for (int file = 0; file < 48; ++file) {
        test::Mp3Recipe recipe;
        recipe.frameCount = 10;
        recipe.id3v2 =
            test::id3v2TagFromFields(3, {"Title " + std::to_string(file), groups[file % 4],
                                         packages[(file / 4) % 4], "1999", "", "(17)", "1"});
        backwards.insert(backwards.begin(), music
                                                .write("disc" + std::to_string(file % 3) + "/" +
                                                           std::to_string(file) + ".mp3",
                                                       test::makeMp3(recipe))
                                                .string());
    }

    constexpr int kImporters = 4;
    std::vector<pid_t> children;
    for (int importer = 0; importer < kImporters; ++importer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool ok =
                importFolder(server.name(), music.path().string(),
                             importer == kImporters - 1 ? backwards : std::vector<std::string>{});
            ::_exit(ok ? 0 : 1); // never the parent's exit handlers: they stop the server
        }
        children.push_back(child);
    }
    test::ExpectChildrenSucceeded(children);

    EngineCatalogue file(Engine::File);
    ASSERT_TRUE(importFolder(file.name(), music.path().string()));
    EXPECT_EQ(shape(server), shape(file));
    EXPECT_EQ(shape(file), "48|48|2|6|3|48");
    // Each item links rows that are there.
    EXPECT_EQ(server.scalar("SELECT COUNT(*) FROM tblItem WHERE lMediaID NOT IN (SELECT lID FROM "
                            "tblMedia) OR lGroupID NOT IN (SELECT lID FROM tblGroup) OR "
                            "lPackageID NOT IN (SELECT lID FROM tblPackage)"),
              "0");
}

} // namespace
} // namespace tunebay
