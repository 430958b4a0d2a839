#include "tools/file_rename.h"
#include "tools/tools_job.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace tunebay {
namespace {

using test::readFile;
using test::TempDir;

TEST(ItemFileName, GroupTitleSafeTextAndLowerCaseExtension) {
    struct Case {
        const char* group;
        const char* title;
        const char* current;
        int style;
        const char* expected;
    };
    const Case cases[] = {
        {"Abba", "Waterloo", "track01.MP3", kRenameSafe, "Abba - Waterloo.mp3"},
        {"Unknown", "Waterloo", "a.Mp3", kRenameSafe, "Waterloo.mp3"},
        {"", "Waterloo", "a.mp3", kRenameSafe, "Waterloo.mp3"},
        {"AC/DC", "Who? Me: <1|2>", "a.mp3", kRenameSafe, "AC-DC - Who. Me! (1!2).mp3"},
        {"Café", "Olé", "a.OGG", kRenameUnixEncoded, "Caf%C3%A9_-_Ol%C3%A9.ogg"},
        {"Unknown", "Mr. Blue", "noextension", kRenameSafe, "Mr. Blue"},
        {"Unknown", "Song", "archive.tar.GZ", kRenameSafe, "Song.gz"},
        // Names that would leave the folder or name none are refused.
        {"Unknown", "..", "a.mp3", kRenameSafe, ""},
        {"Unknown", ".", "a.mp3", kRenameSafe, ""},
        {"", "", "a.mp3", kRenameSafe, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ItemFileName(c.group, c.title, c.current, c.style), c.expected) << c.title;
}

TEST(ItemFileName, TagTextThatNoFileNameShouldHoldIsLeftOut) {
    struct Case {
        std::string title;
        std::string expected;
    };
    const Case cases[] = {
        {"Line\nbreak\tand\x01"
         "control",
         "Linebreakandcontrol.mp3"},
        {"Bad \xff\xfe bytes \xc3", "Bad  bytes.mp3"},
        {"Caf\xc3\xa9 stays", "Caf\xc3\xa9 stays.mp3"},
        {".hidden", "hidden.mp3"},
        {"...And Justice", "And Justice.mp3"},
        {"?Why", "Why.mp3"}, // "?" becomes "." and would lead
        {"\n\t", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ItemFileName("Unknown", c.title, "a.MP3", kRenameSafe), c.expected) << c.title;
}

TEST(ItemFileName, ALongNameIsCutOnACharacterBeforeTheExtensionLeavingRoomForANumber) {
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "\xc3\xa9"; // 400 bytes
    const std::string name = ItemFileName("Unknown", title, "a.mp3", kRenameSafe, 255);
    ASSERT_TRUE(name.ends_with(".mp3"));
    const std::string base = name.substr(0, name.size() - 4);
    EXPECT_LE(name.size() + kRetrySuffixRoom, 255u);
    EXPECT_EQ(base.size(), 246u); // 255 - 4 - 5, down to a whole character
    EXPECT_EQ(base, title.substr(0, 246));
    EXPECT_EQ(CutAtCharacter("a\xc3\xa9", 2), "a");
}

class RenameItemFileTest : public ::testing::Test {
protected:
    std::string dir() const { return m_dir.path().string() + "/"; }
    bool exists(const std::string& name) const { return std::filesystem::exists(m_dir.file(name)); }
    TempDir m_dir;
};

TEST_F(RenameItemFileTest, AClashTakesTheNextNumberAndNeverReplaces) {
    m_dir.write("old.mp3", "mine");
    m_dir.write("Song.mp3", "first");
    m_dir.write("Song (1).mp3", "second");
    EXPECT_EQ(RenameItemFile(dir(), "old.mp3", "Song.mp3"), "Song (2).mp3");
    EXPECT_EQ(readFile(m_dir.file("Song.mp3")), "first");
    EXPECT_EQ(readFile(m_dir.file("Song (1).mp3")), "second");
    EXPECT_EQ(readFile(m_dir.file("Song (2).mp3")), "mine");
    EXPECT_FALSE(exists("old.mp3"));
}

TEST_F(RenameItemFileTest, AFullStopInTheTitleIsNotTheExtension) {
    m_dir.write("x.mp3", "mine");
    m_dir.write("Mr. Blue.mp3", "other");
    EXPECT_EQ(RenameItemFile(dir(), "x.mp3", "Mr. Blue.mp3"), "Mr. Blue (1).mp3");
}

TEST_F(RenameItemFileTest, TheCurrentNameIsNoRename) {
    m_dir.write("Song.mp3", "mine");
    EXPECT_EQ(RenameItemFile(dir(), "Song.mp3", "Song.mp3"), "Song.mp3");
    EXPECT_FALSE(exists("Song (1).mp3"));
    // A file that already carries the numbered name it would get keeps it.
    m_dir.write("Other (1).mp3", "numbered");
    m_dir.write("Other.mp3", "taken");
    EXPECT_EQ(RenameItemFile(dir(), "Other (1).mp3", "Other.mp3"), "Other (1).mp3");
    EXPECT_FALSE(exists("Other (2).mp3"));
}

TEST_F(RenameItemFileTest, NineteenNumbersAreTriedThenItFails) {
    m_dir.write("old.mp3", "mine");
    m_dir.write("Song.mp3", "taken");
    for (int number = 1; number <= 18; ++number)
        m_dir.write("Song (" + std::to_string(number) + ").mp3", "taken");
    EXPECT_EQ(RenameItemFile(dir(), "old.mp3", "Song.mp3"), "Song (19).mp3");
    m_dir.write("again.mp3", "mine");
    EXPECT_EQ(RenameItemFile(dir(), "again.mp3", "Song.mp3"), std::nullopt);
    EXPECT_EQ(readFile(m_dir.file("again.mp3")), "mine");
}

TEST_F(RenameItemFileTest, AMissingFileFailsWithoutTryingNumbers) {
    EXPECT_EQ(RenameItemFile(dir(), "gone.mp3", "Song.mp3"), std::nullopt);
    EXPECT_FALSE(exists("Song.mp3"));
}

TEST_F(RenameItemFileTest, MoveWithoutReplacingReportsAnExistingTarget) {
    m_dir.write("a", "a");
    m_dir.write("b", "b");
    EXPECT_EQ(MoveWithoutReplacing(dir() + "a", dir() + "b"), MoveResult::TargetExists);
    EXPECT_EQ(readFile(m_dir.file("b")), "b");
    EXPECT_EQ(MoveWithoutReplacing(dir() + "a", dir() + "c"), MoveResult::Moved);
    EXPECT_EQ(MoveWithoutReplacing(dir() + "a", dir() + "d"), MoveResult::Failed);
}

TEST_F(RenameItemFileTest, MovingByLinkingNeverReplacesEither) {
    m_dir.write("a", "a");
    m_dir.write("b", "b");
    EXPECT_EQ(MoveByLinking(dir() + "a", dir() + "b"), MoveResult::TargetExists);
    EXPECT_EQ(readFile(m_dir.file("b")), "b");
    EXPECT_EQ(MoveByLinking(dir() + "a", dir() + "c"), MoveResult::Moved);
    EXPECT_FALSE(exists("a"));
    EXPECT_EQ(readFile(m_dir.file("c")), "a");
}

TEST_F(RenameItemFileTest, AFailureCarriesTheSystemsReasonAndRetriesAreAnnounced) {
    std::string reason;
    EXPECT_EQ(RenameItemFile(dir(), "gone.mp3", "Song.mp3", {}, &reason), std::nullopt);
    EXPECT_EQ(reason, "No such file or directory");

    m_dir.write("old.mp3", "x");
    m_dir.write("Song.mp3", "taken");
    std::vector<std::string> announced;
    EXPECT_EQ(RenameItemFile(dir(), "old.mp3", "Song.mp3",
                             [&](const std::string& name) { announced.push_back(name); }),
              "Song (1).mp3");
    EXPECT_EQ(announced, std::vector<std::string>{"Song (1).mp3"});
}

} // namespace
} // namespace tunebay
