#include "import/file_names.h"

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

MediaFileInfo recordFor(const std::string& path, bool correctNames = false) {
    MediaFileInfo info;
    info.path = path;
    info.correctNames = correctNames;
    return info;
}

TEST(NamesFromFileName, GroupAndTitleAroundTheFirstSeparator) {
    MediaFileInfo info = recordFor("/music/Artist - Song.mp3");
    EXPECT_EQ(NamesFromFileName(info), 0);
    EXPECT_EQ(info.group, "Artist");
    EXPECT_EQ(info.title, "Song");

    info = recordFor("/music/Artist - Song - Live.mp3");
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "Artist");
    EXPECT_EQ(info.title, "Song - Live");
}

TEST(NamesFromFileName, WithoutSeparatorOnlyTheTitle) {
    MediaFileInfo info = recordFor("/music/Song.mp3");
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "Song");
    EXPECT_EQ(info.group, "");

    info = recordFor("/music/Artist-Song.mp3");
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "Artist-Song");
    EXPECT_EQ(info.group, "");
}

TEST(NamesFromFileName, SpacesAroundThePartsAreRemoved) {
    MediaFileInfo info = recordFor("/music/  Artist  -  Song  .mp3");
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "Artist");
    EXPECT_EQ(info.title, "Song");
}

TEST(NamesFromFileName, OnlyTheLastExtensionGoes) {
    MediaFileInfo info = recordFor("/music.d/Vol. 2 - a.b.mp3");
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "Vol. 2");
    EXPECT_EQ(info.title, "a.b");

    info = recordFor("/music.d/No extension");
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "No extension");
}

TEST(NamesFromFileName, CorrectNamesAppliesTheCorrectionRules) {
    MediaFileInfo info = recordFor("/m/The_Group - A_Title.mp3", true);
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "The Group");
    EXPECT_EQ(info.title, "A Title");

    info = recordFor("/m/The_Group - A_Title.mp3", false);
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "The_Group");
    EXPECT_EQ(info.title, "A_Title");
}

TEST(NamesFromFileName, FilledFieldsStay) {
    MediaFileInfo info = recordFor("/m/Other - Thing.mp3");
    info.title = "Tag Title";
    info.group = "Tag Group";
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "Tag Title");
    EXPECT_EQ(info.group, "Tag Group");
}

TEST(NamesFromFileName, ThirtyCharacterTitleIsExtendedByTheFileName) {
    const std::string longTitle = "A Very Long Title That Was Cut Short By The Tag";
    MediaFileInfo info = recordFor("/m/Group - " + longTitle + ".mp3");
    info.title = "a very long title that was cut"; // 30 characters, other case
    ASSERT_EQ(info.title.size(), 30u);
    NamesFromFileName(info);
    EXPECT_EQ(info.title, longTitle);
}

TEST(NamesFromFileName, TwentyNineCharactersToo) {
    MediaFileInfo info = recordFor("/m/Group - A Very Long Title That Was Cut Short.mp3");
    info.title = "A Very Long Title That Was Cu";
    ASSERT_EQ(info.title.size(), 29u);
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "A Very Long Title That Was Cut Short");
}

TEST(NamesFromFileName, ThirtyOneOrTwentyEightCharactersNever) {
    MediaFileInfo info = recordFor("/m/Group - A Very Long Title That Was Cut Short.mp3");
    info.title = "A Very Long Title That Was Cut ";
    ASSERT_EQ(info.title.size(), 31u);
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "A Very Long Title That Was Cut ");

    info.title = "A Very Long Title That Was C";
    ASSERT_EQ(info.title.size(), 28u);
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "A Very Long Title That Was C");
}

TEST(NamesFromFileName, ThirtyCharacterTitleThatDiffersStays) {
    MediaFileInfo info = recordFor("/m/Group - Something Else Entirely, And Longer.mp3");
    info.title = "A Very Long Title That Was Cut";
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "A Very Long Title That Was Cut");
}

TEST(NamesFromFileName, TagTitleIsMadeFileNameSafeBeforeComparing) {
    MediaFileInfo info = recordFor("/m/Group - What Is Love. (Extended Version Mix).mp3");
    info.title = "What Is Love? (Extended Versio";
    ASSERT_EQ(info.title.size(), 30u);
    NamesFromFileName(info);
    EXPECT_EQ(info.title, "What Is Love. (Extended Version Mix)");
}

TEST(NamesFromFileName, LengthsCountCharactersNotBytes) {
    // 30 characters, 36 bytes.
    const std::string cut = "\u00c9t\u00e9 \u00e0 la plage, \u00e9t\u00e9 \u00e0 la monta";
    ASSERT_EQ(cut.size(), 36u);
    const std::string full = "\u00c9t\u00e9 \u00e0 la plage, \u00e9t\u00e9 \u00e0 la montagne";
    MediaFileInfo info = recordFor("/m/Group - " + full + ".mp3");
    info.title = cut;
    NamesFromFileName(info);
    EXPECT_EQ(info.title, full);
}

TEST(NamesFromFileName, GroupFollowsTheSameRule) {
    MediaFileInfo info = recordFor("/m/The Extraordinarily Long Band Name Orchestra - Song.mp3");
    info.group = "The Extraordinarily Long Band ";
    ASSERT_EQ(info.group.size(), 30u);
    info.title = "Song";
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "The Extraordinarily Long Band Name Orchestra");

    info = recordFor("/m/Song.mp3");
    info.group = "The Extraordinarily Long Band ";
    NamesFromFileName(info);
    EXPECT_EQ(info.group, "The Extraordinarily Long Band ");
}

TEST(TitleFromFileName, WholeBaseName) {
    MediaFileInfo info = recordFor("/m/Group - Song.mp3");
    info.title = "Old";
    TitleFromFileName(info);
    EXPECT_EQ(info.title, "Group - Song");
    EXPECT_EQ(info.group, "");

    info = recordFor("/m/some_song.mp3", true);
    TitleFromFileName(info);
    EXPECT_EQ(info.title, "some song");
}

// A track number before " - " is dropped whole: no group of it, no dash left in the title.
TEST(NamesFromFileName, LeadingTrackNumberBeforeTheSeparatorIsDropped) {
    struct Case {
        const char* name;
        bool correct;
        const char* group;
        const char* title;
    } cases[] = {
        {"13 - Open Dream", true, "", "Open Dream"},
        {"13 - Open Dream", false, "", "Open Dream"},
        {"7 - Open Dream", true, "", "Open Dream"},
        {"013_-_Open_Dream", true, "", "Open Dream"},
        {"02 - Artist - Song", true, "Artist", "Song"},
        {"07 Intro", true, "", "Intro"},
        {"2001 - A Space Odyssey", true, "2001", "A Space Odyssey"},
        {"13-Open Dream", true, "", "13-Open Dream"},
    };
    for (const Case& c : cases) {
        MediaFileInfo info = recordFor(std::string("/m/") + c.name + ".mp3", c.correct);
        NamesFromFileName(info);
        EXPECT_EQ(info.group, c.group) << c.name;
        EXPECT_EQ(info.title, c.title) << c.name;

        info = recordFor(std::string("/m/") + c.name + ".mp3", c.correct);
        TitleFromFileName(info);
        if (c.group[0] == '\0') {
            EXPECT_EQ(info.title, c.title) << c.name;
        }
    }
}

class ApplyNamingTest : public ::testing::Test {
protected:
    std::string fileWithTitle(const std::string& name, const std::string& title) {
        test::Id3v2Fields fields;
        fields.title = title;
        fields.artist = "Tag Group";
        return m_dir.write(name, test::id3v2TagFromFields(3, fields) + test::audioFrames({}, 10))
            .string();
    }
    test::TempDir m_dir;
};

TEST_F(ApplyNamingTest, NeitherSourceGivesTheFileNameAsTitle) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - Song.mp3", "Tag Title"));
    EXPECT_NE(ApplyNaming(info, 0, true, true), 0);
    EXPECT_EQ(info.title, "Group - Song");
    EXPECT_EQ(info.group, "");
}

TEST_F(ApplyNamingTest, TagAlone) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - Song.mp3", "Tag Title"));
    EXPECT_EQ(ApplyNaming(info, kImportSourceTag, true, true), 0);
    EXPECT_EQ(info.title, "Tag Title");
    EXPECT_EQ(info.group, "Tag Group");
}

TEST_F(ApplyNamingTest, TagIsNotReadWhenTheAudioFactsWereNot) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - Song.mp3", "Tag Title"));
    EXPECT_NE(ApplyNaming(info, kImportSourceTag, false, true), 0);
    EXPECT_EQ(info.title, "Group - Song");
    EXPECT_EQ(info.group, "");
}

TEST_F(ApplyNamingTest, UnreadableTagGivesTheFileNameAsTitle) {
    MediaFileInfo info = recordFor((m_dir.path() / "Gone - Away.mp3").string());
    EXPECT_NE(ApplyNaming(info, kImportSourceTag, true, true), 0);
    EXPECT_EQ(info.title, "Gone - Away");
}

TEST_F(ApplyNamingTest, FileNameAlone) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - Song.mp3", "Tag Title"));
    EXPECT_EQ(ApplyNaming(info, kImportSourceFileName, true, true), 0);
    EXPECT_EQ(info.title, "Song");
    EXPECT_EQ(info.group, "Group");
}

TEST_F(ApplyNamingTest, TagThenFileName) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - A Very Long Title That Was Cut Short.mp3",
                                                 "A Very Long Title That Was Cut"));
    EXPECT_EQ(ApplyNaming(info, kImportSourceTag | kImportSourceFileName, true, true), 0);
    EXPECT_EQ(info.title, "A Very Long Title That Was Cut Short");
    EXPECT_EQ(info.group, "Tag Group");
}

TEST_F(ApplyNamingTest, TagWithoutTitleLeavesItEmpty) {
    MediaFileInfo info = recordFor(fileWithTitle("Group - Song.mp3", ""));
    EXPECT_EQ(ApplyNaming(info, kImportSourceTag, true, true), 0);
    EXPECT_EQ(info.title, "");
}

} // namespace
} // namespace tunebay
