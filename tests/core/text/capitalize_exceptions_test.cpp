#include "text/capitalize_exceptions.h"
#include "text/text_rules.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace tunebay {
namespace {

std::string DirectoryOf(const test::TempDir& dir) {
    return dir.path().string() + "/";
}

TEST(CapitalizeExceptions, MissingFileLeavesTheListAbsent) {
    const test::TempDir dir;
    const CapitalizeExceptionsLoad load = LoadCapitalizeExceptions(DirectoryOf(dir));
    EXPECT_FALSE(load.list.has_value());
    EXPECT_TRUE(load.errorMessage.empty());
}

TEST(CapitalizeExceptions, ReadsEntriesAndSkipsCommentsHeadingsAndOddLengths) {
    const test::TempDir dir;
    dir.write("capitalize.txt", "\xEF\xBB\xBF; comment line\n"
                                "[Prefixes]\n"
                                "  Mc?   ; Scottish and Irish names\r\n"
                                "\n"
                                "   ; indented comment\n"
                                "X\n"
                                "[unclosed\n"
                                "DJ;\n"
                                "\xC3\x89T\xC3\x89\n" +
                                    std::string(63, 'a') + "\n" + std::string(64, 'b') + "\n" +
                                    "\t\t\n"
                                    "USA");
    const CapitalizeExceptionsLoad load = LoadCapitalizeExceptions(DirectoryOf(dir));
    ASSERT_TRUE(load.list.has_value());
    EXPECT_TRUE(load.errorMessage.empty());
    const CapitalizeExceptionList expected = {
        "Mc?", "[unclosed", "DJ", "\xC3\x89T\xC3\x89", std::string(63, 'a'), "USA"};
    EXPECT_EQ(*load.list, expected);
}

TEST(CapitalizeExceptions, EmptyFileGivesAnEmptyList) {
    const test::TempDir dir;
    dir.write("capitalize.txt", "; nothing but comments\n");
    const CapitalizeExceptionsLoad load = LoadCapitalizeExceptions(DirectoryOf(dir));
    ASSERT_TRUE(load.list.has_value());
    EXPECT_TRUE(load.list->empty());
}

TEST(CapitalizeExceptions, ReadFailureIsReported) {
    // A folder opens like a file here but cannot be read.
    const test::TempDir dir;
    std::filesystem::create_directory(dir.file("capitalize.txt"));
    const CapitalizeExceptionsLoad load = LoadCapitalizeExceptions(DirectoryOf(dir));
    if (!load.list)
        GTEST_SKIP() << "this system refuses to open a folder as a file";
    EXPECT_EQ(load.errorMessage,
              "Unknown error while reading '" + DirectoryOf(dir) + "capitalize.txt'!");
}

TEST(CapitalizeExceptions, ShippedListLoadsAndBehaves) {
    const CapitalizeExceptionsLoad load = LoadCapitalizeExceptions(TUNEBAY_DATA_DIR);
    ASSERT_TRUE(load.list.has_value());
    EXPECT_TRUE(load.errorMessage.empty());
    const CapitalizeExceptionList& list = *load.list;
    EXPECT_GE(list.size(), 20u);
    for (const std::string& entry : list)
        EXPECT_EQ(entry.find_first_of(" \t;"), std::string::npos) << entry;
    // A Mac? entry would make "Machine" read "MacHine".
    EXPECT_EQ(std::count(list.begin(), list.end(), "Mac?"), 0);

    std::string text = "mcdonald's machine feat. dj shadow vs. the ufo of the usa part iv";
    CapitalizeName(text, kCapitalizeFirstLetters, &list);
    EXPECT_EQ(text, "McDonald's Machine feat. DJ Shadow vs. The UFO Of The USA Part IV");
}

TEST(CapitalizeExceptions, EditWorksOnAUserCopyThatIsThenReadFirst) {
    const test::TempDir installed;
    const test::TempDir home;
    const std::string user = DirectoryOf(home) + "Tunebay/";
    std::string error;
    EXPECT_EQ(PrepareUserCapitalizeExceptions(DirectoryOf(installed), user, error), "");
    EXPECT_EQ(error, "'" + DirectoryOf(installed) + "capitalize.txt' not found!");

    const auto original = installed.write("capitalize.txt", "McDonald\n");
    std::filesystem::permissions(original, std::filesystem::perms::owner_read);
    error.clear();
    const std::string copy = PrepareUserCapitalizeExceptions(DirectoryOf(installed), user, error);
    EXPECT_EQ(copy, user + "capitalize.txt");
    EXPECT_EQ(error, "");
    // The copy can be edited, and it is what is read from now on.
    {
        std::ofstream edited(copy, std::ios::app);
        ASSERT_TRUE(edited.is_open());
        edited << "O'Neil\n";
    }
    const auto load = LoadPreferredCapitalizeExceptions(DirectoryOf(installed), user);
    ASSERT_TRUE(load.list);
    EXPECT_EQ(*load.list, (CapitalizeExceptionList{"McDonald", "O'Neil"}));
    // A second Edit keeps the user's changes.
    EXPECT_EQ(PrepareUserCapitalizeExceptions(DirectoryOf(installed), user, error), copy);
    EXPECT_EQ(test::readFile(copy), "McDonald\nO'Neil\n");
    // Without a copy the installed file is read.
    EXPECT_EQ(*LoadPreferredCapitalizeExceptions(DirectoryOf(installed), DirectoryOf(home)).list,
              CapitalizeExceptionList{"McDonald"});
}

} // namespace
} // namespace tunebay
