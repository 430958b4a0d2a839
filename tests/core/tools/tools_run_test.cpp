#include "text/text_rules.h"
#include "tools/tools_run.h"

#include "app/catalogue_document.h"

#include "support/catalogue_builder.h"
#include "support/mp3_fixture.h"
#include "support/refused_change.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>

namespace tunebay {
namespace {

using test::CatalogueBuilder;
using test::TempCatalogue;
using test::TempDir;

struct Asked {
    std::string text;
    std::string title;
};

// Answers from a script (Yes once it runs out) and remembers what was asked.
class ScriptedQuestion : public IWorkerQuestion {
public:
    QuestionAnswer Ask(const std::string& text, const std::string& title, QuestionButtons,
                       QuestionIcon) override {
        asked.push_back({text, title});
        if (answers.empty())
            return QuestionAnswer::Yes;
        const QuestionAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<QuestionAnswer> answers;
    std::vector<Asked> asked;
};

class FixedIdentifier : public IItemIdentifier {
public:
    bool Prepare(std::string& reason) override {
        reason = prepareFailure;
        return prepareFailure.empty();
    }
    IdentificationOutcome Identify(IdentifiedItem& item) override {
        item.group = group;
        return {.failed = fail, .groupFromCandidate = true};
    }
    std::string prepareFailure;
    std::string group = "Candidate";
    bool fail = false;
};

std::string mp3WithBothTags() {
    test::Mp3Recipe recipe;
    test::Id3v2Fields version2;
    version2.title = "Old title";
    version2.artist = "Old artist";
    recipe.id3v2 = test::id3v2TagFromFields(3, version2);
    test::Id3v1Fields version1;
    version1.title = "Old title";
    // A Lyrics3 (version 2) block between the audio and the ID3v1 tag.
    const std::string lyrics = "LYRICSBEGININD0000210LYR00005hello";
    char size[7];
    std::snprintf(size, sizeof size, "%06zu", lyrics.size());
    return test::makeMp3(recipe) + lyrics + size + "LYRICS200" + test::id3v1Tag(version1);
}

class ToolsRunTest : public ::testing::Test {
protected:
    std::string folder() const { return files.path().string() + "/"; }

    test::AddedItem add(test::ItemFacts facts) {
        if (facts.directory == "/music/")
            facts.directory = folder();
        return builder.add(facts);
    }

    std::unique_ptr<ToolsRun> run(ToolsJob job, IItemIdentifier* identifier = nullptr,
                                  const ToolsRunHooks& hooks = {}) {
        auto tools =
            std::make_unique<ToolsRun>(catalogue.connection, std::move(job), question, identifier);
        tools->Execute(hooks);
        return tools;
    }

    std::string media(const test::AddedItem& item, const std::string& column) {
        return catalogue.scalar("SELECT " + column +
                                " FROM tblMedia WHERE lID=" + std::to_string(item.mediaId));
    }
    std::string groupOf(const test::AddedItem& item) {
        return catalogue.scalar("SELECT tblGroup.sName FROM tblGroup, tblItem WHERE "
                                "tblGroup.lID=tblItem.lGroupID AND tblItem.lID=" +
                                std::to_string(item.itemId));
    }

    TempCatalogue catalogue;
    CatalogueBuilder builder{catalogue.connection};
    TempDir files;
    ScriptedQuestion question;
};

TEST_F(ToolsRunTest, NamesAreCorrectedCapitalisedThenSetByAFunction) {
    const auto item = add({.title = "hello_world", .group = "the  band"});
    ToolsJob job;
    job.correct = true;
    job.capitalize = true;
    job.capitalizeMode = kCapitalizeAllUppercase;
    job.setProperty = true;
    job.title = {"Insert(0, \"01 \");", true, false};
    const auto tools = run(job);
    EXPECT_EQ(tools->ErrorMessage(), "");
    EXPECT_EQ(media(item, "sName"), "01 HELLO WORLD");
    // An edited group name renames the group's row.
    EXPECT_EQ(
        catalogue.scalar("SELECT sName FROM tblGroup WHERE lID=" + std::to_string(item.groupId)),
        "THE BAND");
    EXPECT_EQ(tools->Failures().Summary(), "");
}

TEST_F(ToolsRunTest, NoKeepsTheValueAndCancelEndsTheRunAfterTheItem) {
    const auto first = add({.title = "a", .fileName = "1.mp3"});
    const auto second = add({.title = "b", .fileName = "2.mp3"});
    const auto third = add({.title = "c", .fileName = "3.mp3"});
    ToolsJob job;
    job.setProperty = true;
    job.title = {"New", true, true};
    job.comment = {"note", true, false};
    question.answers = {QuestionAnswer::No, QuestionAnswer::Cancel};
    const auto tools = run(job);
    ASSERT_EQ(question.asked.size(), 2u);
    EXPECT_EQ(question.asked[0].text, "Replace 'a' in '1.mp3'?");
    EXPECT_EQ(question.asked[0].title, "Tunebay - Title");
    EXPECT_EQ(media(first, "sName"), "a");
    EXPECT_EQ(media(second, "sName"), "b");
    // The cancelled item's other steps still ran; the next item was not touched.
    EXPECT_EQ(media(second, "sComment"), "note");
    EXPECT_EQ(media(third, "sComment"), "");
    EXPECT_EQ(tools->ItemsDone(), 2);
    EXPECT_TRUE(tools->EndedEarly());
}

TEST_F(ToolsRunTest, PublishedGenreAndCommentAreWritten) {
    const auto plain = add({.genreId = 255, .fileName = "1.mp3", .comment = "xx"});
    const auto rock = add({.genreId = 17, .fileName = "2.mp3", .publishTime = "1980"});
    ToolsJob job;
    job.setProperty = true;
    job.published = {"19999", true, false};
    job.genreSet = true;
    job.genreAsk = true;
    job.genreId = 8;
    job.comment = {"Replace(\"x\", \"y\");", true, false};
    run(job);
    EXPECT_EQ(media(plain, "sPublishTime"), "1999");
    EXPECT_EQ(media(plain, "lGenreID"), "8");
    EXPECT_EQ(media(plain, "sComment"), "yy");
    EXPECT_EQ(media(rock, "lGenreID"), "8");
    // Only the item that had a genre was asked about it, by the genre's name.
    ASSERT_EQ(question.asked.size(), 1u);
    EXPECT_EQ(question.asked[0].text,
              "Replace '" + catalogue.scalar("SELECT sName FROM tblGenre WHERE lID=17") +
                  "' in '2.mp3'?");
    EXPECT_EQ(question.asked[0].title, "Tunebay - Genre");
}

TEST_F(ToolsRunTest, AGroupRenamedToAnExistingNameIsMergedIntoIt) {
    const auto first = add({.group = "abba"});
    const auto second = add({.group = "abba"});
    const auto third = add({.group = "Abba"});
    ToolsJob job;
    job.capitalize = true;
    job.capitalizeMode = kCapitalizeFirstLetters;
    const auto tools = run(job);
    EXPECT_EQ(tools->ErrorMessage(), "");
    EXPECT_EQ(tools->ItemsDone(), 3);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Abba' OR sName='abba'"),
              "1");
    for (const auto& item : {first, second, third})
        EXPECT_EQ(groupOf(item), "Abba");
}

TEST_F(ToolsRunTest, AGroupFromAFunctionMovesOnlyTheItem) {
    const auto first = add({.group = "Abba"});
    const auto second = add({.group = "Abba"});
    ToolsJob job;
    const int ids[] = {first.itemId};
    ASSERT_EQ(ItemIdSelection(ids, 0, job.selection), SelectionStatus::Ok);
    job.setProperty = true;
    job.group = {"Replace(\"Abba\", \"Queen\");", true, false};
    run(job);
    EXPECT_EQ(groupOf(first), "Queen");
    EXPECT_EQ(groupOf(second), "Abba");
}

TEST_F(ToolsRunTest, TheSelectionIsReadBeforeAnythingChanges) {
    const auto first = add({.title = "one", .group = "abba"});
    const auto second = add({.title = "two", .group = "abba"});
    ToolsJob job;
    job.selection.condition = "tblGroup.sName='abba'";
    job.setProperty = true;
    job.group = {"Beatles", true, false};
    job.title = {"Insert(END, \"!\");", true, false};
    const auto tools = run(job);
    EXPECT_EQ(tools->ItemsDone(), 2);
    EXPECT_EQ(media(first, "sName"), "one!");
    EXPECT_EQ(media(second, "sName"), "two!");
    EXPECT_EQ(groupOf(second), "Beatles");
}

TEST_F(ToolsRunTest, TagActionsAreCheckedByReadingTheFileAgain) {
    struct Case {
        int action;
        bool id3v1;
        bool id3v2;
    };
    for (const Case c :
         {Case{kTagDeleteAll, false, false}, Case{kTagDeleteAllButVersion1, true, false},
          Case{kTagWrite, false, true}}) {
        TempCatalogue fresh;
        CatalogueBuilder freshBuilder(fresh.connection);
        const auto path =
            files.write("song" + std::to_string(c.action) + ".mp3", mp3WithBothTags());
        freshBuilder.add(
            {.title = "New title", .directory = folder(), .fileName = path.filename().string()});
        ToolsJob job;
        job.tag = true;
        job.tagAction = c.action;
        ToolsRun tools(fresh.connection, job, question, nullptr);
        tools.Execute({});
        EXPECT_EQ(tools.Failures().Summary(), "") << c.action;
        EXPECT_EQ(test::readFile(path).find("LYRICS") == std::string::npos, c.action != kTagWrite)
            << c.action;
        TagLib::MPEG::File file(path.c_str(), false);
        EXPECT_EQ(file.hasID3v1Tag(), c.id3v1) << c.action;
        if (c.id3v1) {
            EXPECT_EQ(file.ID3v1Tag()->title().to8Bit(true), "Old title");
        }
        EXPECT_EQ(file.hasID3v2Tag(), c.id3v2) << c.action;
        if (c.action == kTagWrite) {
            EXPECT_EQ(file.ID3v2Tag()->title().to8Bit(true), "New title");
        }
    }
}

TEST_F(ToolsRunTest, TagFailuresAreCountedAndOtherMediaAreLeftAlone) {
    // A file that has gone since it was catalogued.
    add({.fileName = "gone.mp3"});
    const auto other = add({.fileName = "video.avi"});
    catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=0 WHERE lID=" +
                                 std::to_string(other.mediaId));
    ToolsJob job;
    job.tag = true;
    job.tagAction = kTagDeleteAll;
    const auto tools = run(job);
    EXPECT_EQ(tools->Failures().Count(ToolsFailureKind::Tag), 1);
    EXPECT_NE(tools->Failures().Summary().find("\r\n" + folder() + "gone.mp3 (MP3 Tag)"),
              std::string::npos);
}

TEST_F(ToolsRunTest, FilesAreRenamedAndTheCatalogueFollows) {
    files.write("01.MP3", "a");
    files.write("x.mp3", "b");
    files.write("y.mp3", "c");
    files.write("Abba - Waterloo.mp3", "not catalogued");
    const auto grouped = add({.title = "Waterloo", .group = "Abba", .fileName = "01.MP3"});
    const auto alone = add({.title = "Solo", .group = "Unknown", .fileName = "x.mp3"});
    const auto refused = add({.title = "..", .group = "Unknown", .fileName = "y.mp3"});
    ToolsJob job;
    job.rename = true;
    const auto tools = run(job);
    EXPECT_EQ(media(grouped, "sFileName"), "Abba - Waterloo (1).mp3");
    EXPECT_EQ(test::readFile(files.file("Abba - Waterloo (1).mp3")), "a");
    EXPECT_EQ(test::readFile(files.file("Abba - Waterloo.mp3")), "not catalogued");
    EXPECT_EQ(media(alone, "sFileName"), "Solo.mp3");
    EXPECT_EQ(media(refused, "sFileName"), "y.mp3");
    EXPECT_TRUE(std::filesystem::exists(files.file("y.mp3")));
    EXPECT_EQ(tools->Failures().Count(ToolsFailureKind::Rename), 1);
}

TEST_F(ToolsRunTest, AFailedCatalogueUpdateRenamesTheFileBack) {
    files.write("x.mp3", "a");
    const auto item = add({.title = "Solo", .fileName = "x.mp3"});
    test::RefuseChange(catalogue.connection, {"tblMedia", "UPDATE OF sFileName", "", "refused"});
    ToolsJob job;
    job.rename = true;
    const auto tools = run(job);
    EXPECT_TRUE(std::filesystem::exists(files.file("x.mp3")));
    EXPECT_FALSE(std::filesystem::exists(files.file("Solo.mp3")));
    EXPECT_EQ(media(item, "sFileName"), "x.mp3");
    EXPECT_EQ(tools->Failures().Count(ToolsFailureKind::Rename), 1);
    EXPECT_EQ(tools->ErrorMessage(), "");
}

// A run killed at a known item (a real kill -9 of the process doing it): every row still names a
// file on the disk, and the journal holds nothing the next open cannot settle.
TEST_F(ToolsRunTest, ARunKilledMidWayLeavesEveryRowNamingAFile) {
    constexpr int kItems = 300;
    for (int i = 0; i < kItems; ++i) {
        files.write(std::to_string(i) + ".mp3", "x");
        add({.title = "Song " + std::to_string(i), .fileName = std::to_string(i) + ".mp3"});
    }
    const std::string path = catalogue.name();
    catalogue.connection.Open("");
    const pid_t child = fork();
    if (child == 0) {
        CCatalogueConnection connection;
        CatalogueDocument document(connection, test::dataDirectory());
        if (!document.OpenCatalogue(path).ok())
            _exit(2);
        ToolsJob job;
        job.rename = true;
        ScriptedQuestion none;
        ToolsRun tools(connection, job, none, nullptr);
        ToolsRunHooks hooks;
        int seen = 0;
        hooks.currentFile = [&seen](const std::string&) {
            if (++seen == 280)
                ::raise(SIGKILL);
        };
        tools.Execute(hooks);
        _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    CatalogueDocument document(catalogue.connection, test::dataDirectory());
    ASSERT_TRUE(document.OpenCatalogue(path).ok());
    int renamed = 0;
    for (ResultSet rows = catalogue.connection.Execute(
             "SELECT tblDirectory.sLocal, tblMedia.sFileName FROM tblMedia, tblDirectory WHERE "
             "tblDirectory.lID=tblMedia.lDirectoryID");
         !rows.IsEof(); rows.MoveNext()) {
        EXPECT_TRUE(std::filesystem::exists(rows.GetText(0) + rows.GetText(1))) << rows.GetText(1);
        renamed += rows.GetText(1).starts_with("Song ");
    }
    EXPECT_GT(renamed, 0);
    EXPECT_LT(renamed, kItems);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.path()),
                            std::filesystem::directory_iterator()),
              kItems);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblJournal"), "0");
}

TEST_F(ToolsRunTest, TheContinueQuestionComesOnceAndNoEndsTheRun) {
    for (const QuestionAnswer answer : {QuestionAnswer::No, QuestionAnswer::Yes}) {
        TempCatalogue fresh;
        CatalogueBuilder freshBuilder(fresh.connection);
        for (int i = 0; i < 12; ++i)
            freshBuilder.add({.directory = folder(), .fileName = "missing" + std::to_string(i)});
        ToolsJob job;
        job.tag = true;
        ScriptedQuestion asked;
        asked.answers = {answer};
        ToolsRun tools(fresh.connection, job, asked, nullptr);
        tools.Execute({});
        ASSERT_EQ(asked.asked.size(), 1u);
        EXPECT_EQ(asked.asked[0].text.rfind("> 0 file/s couldn't be auto-identified!\r\n> On 10 "
                                            "file/s the tag couldn't be written/deleted!",
                                            0),
                  0u);
        EXPECT_EQ(tools.ItemsDone(), answer == QuestionAnswer::No ? 10 : 12);
    }
}

TEST_F(ToolsRunTest, ProgressEveryFifthItemAndTheStopFlag) {
    for (int i = 0; i < 12; ++i)
        add({});
    std::vector<int> reported;
    ToolsJob job;
    job.correct = true;
    ToolsRunHooks hooks;
    hooks.progress = [&](int count) { reported.push_back(count); };
    EXPECT_EQ(run(job, nullptr, hooks)->ItemsDone(), 12);
    EXPECT_EQ(reported, (std::vector<int>{5, 10}));
    int polled = 0;
    hooks.stopRequested = [&] { return ++polled > 3; };
    EXPECT_EQ(run(job, nullptr, hooks)->ItemsDone(), 3);
}

TEST_F(ToolsRunTest, IdentificationIsTheFirstStep) {
    const auto item = add({.group = "Abba"});
    const auto other = add({.group = "Abba"});
    ToolsJob job;
    job.identify = true;
    auto tools = run(job);
    EXPECT_EQ(tools->ErrorMessage(),
              std::string(kMessageNoIdentification) + "\r\nidentification is not available");
    EXPECT_EQ(tools->ItemsDone(), 0);

    FixedIdentifier identifier;
    identifier.prepareFailure = "no network";
    EXPECT_EQ(run(job, &identifier)->ErrorMessage(),
              std::string(kMessageNoIdentification) + "\r\nno network");

    identifier.prepareFailure.clear();
    identifier.fail = true;
    job.capitalize = true;
    job.capitalizeMode = kCapitalizeAllUppercase;
    const int ids[] = {item.itemId};
    ASSERT_EQ(ItemIdSelection(ids, 0, job.selection), SelectionStatus::Ok);
    tools = run(job, &identifier);
    EXPECT_EQ(tools->Failures().Count(ToolsFailureKind::Identification), 1);
    EXPECT_NE(tools->Failures().Summary().find("(Identification)"), std::string::npos);
    // A candidate's group moves the item (after the later steps) and renames no row.
    EXPECT_EQ(groupOf(item), "CANDIDATE");
    EXPECT_EQ(groupOf(other), "Abba");
}

TEST(ToolsJob, ProblemsAndNormalisation) {
    ToolsJob job;
    EXPECT_STREQ(ToolsJobProblem(job), kMessageNothingChecked);
    job.setProperty = true;
    job.title.set = true;
    EXPECT_STREQ(ToolsJobProblem(job), kMessageEmptyTitle);
    job.title.text = "x";
    EXPECT_EQ(ToolsJobProblem(job), nullptr);
    job.published.text = "2001 A";
    NormaliseToolsJob(job);
    EXPECT_EQ(job.group.text, "Unknown");
    EXPECT_EQ(job.package.text, "Unknown");
    EXPECT_EQ(job.published.text, "2001");
}

} // namespace
} // namespace tunebay
