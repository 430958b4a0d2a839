// A file with several names is written in place after a backup in the catalogue's journal: a
// process killed at any step of that leaves a file that the next open of the catalogue makes
// whole again (the old contents for every name).
#include "files/catalogue_backups.h"

#include "app/catalogue_document.h"
#include "files/file_rewrite.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace tunebay {
namespace {

namespace fs = std::filesystem;

const std::string kOld(300000, 'o');
const std::string kNew(320000, 'n');

TEST(CatalogueBackups, AKillAtAnyStepInPlaceIsUndoneByTheNextOpen) {
    for (const char* stop : {"backed up", "recorded", "overwritten"}) {
        SCOPED_TRACE(stop);
        test::TempCatalogue catalogue;
        test::TempDir state;
        ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
        const std::string path = catalogue.dir().write("song.mp3", kOld).string();
        const fs::path second = catalogue.dir().file("second.mp3");
        fs::create_hard_link(path, second);

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A connection of the child's own: the parent's handles are not used across fork.
            CCatalogueConnection own;
            if (own.Open(CatalogueConnectionString(catalogue.path().string())) != 0)
                ::_exit(2);
            CatalogueBackups backups(own);
            const auto produce = [](int, int fd, std::string&) {
                return ::write(fd, kNew.data(), kNew.size()) == static_cast<ssize_t>(kNew.size());
            };
            const auto accept = [](int, int, std::string&) { return true; };
            RewriteFile(path, produce, accept, &backups, [stop](const char* step) {
                if (std::string(step) == stop)
                    ::raise(SIGKILL);
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        catalogue.connection.Open("");
        CatalogueDocument document(catalogue.connection, test::dataDirectory());
        ASSERT_TRUE(document.OpenCatalogue(catalogue.path().string()).ok());
        EXPECT_EQ(test::readFile(path), kOld);
        EXPECT_EQ(test::readFile(second), kOld);
        EXPECT_EQ(fs::hard_link_count(path), 2u);
        EXPECT_TRUE(fs::is_empty(state.path() / "tunebay/backups"));
        ::unsetenv("XDG_STATE_HOME");
    }
}

} // namespace
} // namespace tunebay
