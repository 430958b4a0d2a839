#include "tools/acoustid_identifier.h"

#include "store/optional_values.h"
#include "support/catalogue_builder.h"
#include "support/fake_acoustid_server.h"
#include "support/temp_catalogue.h"
#include "support/tone_mp3.h"
#include "tools/audio_fingerprint.h"
#include "tools/tools_run.h"

#include <gtest/gtest.h>

#include <deque>

namespace tunebay {
namespace {

using test::FakeAcoustIdServer;
using test::FakeRecording;

constexpr const char* kTrack = "9ff43b6a-4f16-427c-93c2-92307ca505e0";

struct Asked {
    std::string text;
    std::string title;
    QuestionButtons buttons;
};

class ScriptedQuestion : public IWorkerQuestion {
public:
    QuestionAnswer Ask(const std::string& text, const std::string& title, QuestionButtons buttons,
                       QuestionIcon) override {
        asked.push_back({text, title, buttons});
        if (answers.empty())
            return QuestionAnswer::Yes;
        const QuestionAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<QuestionAnswer> answers;
    std::vector<Asked> asked;
};

class AcoustIdIdentifierTest : public ::testing::Test {
protected:
    // An item whose file is a 20-second tune.
    test::AddedItem addTune(test::ItemFacts facts) {
        facts.directory = files.path().string() + "/";
        if (facts.fileName.empty())
            facts.fileName = "1.mp3";
        facts.length = 20;
        files.write(facts.fileName, test::toneMp3({5, 20, 0}));
        return builder.add(facts);
    }

    std::unique_ptr<ToolsRun> run(IdentificationOptions options, std::string key = "secret") {
        AcoustIdSettings settings;
        settings.serverUrl = server.url();
        settings.apiKey = std::move(key);
        identifier =
            std::make_unique<AcoustIdIdentifier>(catalogue.connection, settings, options, question);
        ToolsJob job;
        job.identify = true;
        job.identifyMissingOnly = options.missingOnly;
        job.identifyAsk = options.ask;
        auto tools = std::make_unique<ToolsRun>(catalogue.connection, std::move(job), question,
                                                identifier.get());
        tools->Execute({});
        return tools;
    }

    // The same recordings by fingerprint and by track id.
    void answerTrack(const std::vector<FakeRecording>& recordings) {
        server.answerFingerprint({200, test::recordingsAnswer(kTrack, recordings)});
        server.answerTrack(kTrack, {200, test::recordingsAnswer(kTrack, recordings)});
    }

    std::string name(const char* table, const test::AddedItem& item) {
        const std::string column = std::string(table) == "tblGroup" ? "lGroupID" : "lPackageID";
        return catalogue.scalar(std::string("SELECT ") + table + ".sName FROM " + table +
                                ", tblItem WHERE " + table + ".lID=tblItem." + column +
                                " AND tblItem.lID=" + std::to_string(item.itemId));
    }
    std::string title(const test::AddedItem& item) {
        return catalogue.scalar("SELECT sName FROM tblMedia WHERE lID=" +
                                std::to_string(item.mediaId));
    }
    std::string storedIds(const test::AddedItem& item) {
        return catalogue.scalar(
            "SELECT COUNT(*) || ' ' || MAX(sValue) FROM tblOptional WHERE lOptionalTypeID=4095 "
            "AND lTableID=" +
            std::to_string(item.mediaId));
    }

    FakeAcoustIdServer server;
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder{catalogue.connection};
    test::TempDir files;
    ScriptedQuestion question;
    std::unique_ptr<AcoustIdIdentifier> identifier;
};

TEST_F(AcoustIdIdentifierTest, WithoutAClientKeyTheRunEndsWithTheReason) {
    addTune({.title = "Song"});
    const auto tools = run({}, "");
    EXPECT_EQ(tools->ErrorMessage(), std::string(kMessageNoIdentification) +
                                         "\r\nNo AcoustID client key is set (MusicBrainzApiKey).");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AcoustIdIdentifierTest, AGoodCandidateIsTakenSilentlyAndTheTrackIdStored) {
    const auto item = addTune({.title = "Song"});
    answerTrack({{"Song", {{"Band", ""}}, "Album", 20}});
    const auto tools = run({});
    EXPECT_EQ(tools->Failures().Summary(), "");
    EXPECT_TRUE(question.asked.empty());
    EXPECT_EQ(title(item), "Song");
    EXPECT_EQ(name("tblGroup", item), "Band");
    EXPECT_EQ(name("tblPackage", item), "Album");
    EXPECT_EQ(storedIds(item), std::string("1 ") + kTrack);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const AudioFingerprint expected = FingerprintFile(files.file("1.mp3").string());
    EXPECT_EQ(requests[0].form.at("fingerprint"), expected.fingerprint);
    EXPECT_EQ(requests[0].form.at("duration"), "20");
    EXPECT_EQ(requests[0].form.at("meta"), "recordings releasegroups");
}

// A recording known by its id alone says nothing about the item's names.
TEST_F(AcoustIdIdentifierTest, EmptyCandidateFieldsNeverReplaceNames) {
    struct Case {
        std::vector<FakeRecording> recordings;
        bool failed;
    };
    const Case cases[] = {
        {{{"", {}, "", 0}}, true},                // no candidate at all
        {{{"Morning Light", {}, "", 20}}, false}, // a title and nothing else
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failed);
        catalogue.connection.Execute("DELETE FROM tblItem");
        const auto item =
            addTune({.title = "Morning Light", .group = "Real Band", .package = "Real Album"});
        answerTrack(c.recordings);
        const auto tools = run({});
        EXPECT_EQ(tools->Failures().Summary().empty(), !c.failed);
        EXPECT_TRUE(question.asked.empty());
        EXPECT_EQ(title(item), "Morning Light");
        EXPECT_EQ(name("tblGroup", item), "Real Band");
        EXPECT_EQ(name("tblPackage", item), "Real Album");
        EXPECT_NE(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Real Band'"), "0");
        EXPECT_NE(catalogue.scalar("SELECT COUNT(*) FROM tblPackage WHERE sName='Real Album'"),
                  "0");
    }
}

// The best-scored track has no recordings; the next one has. Only an accepted candidate's track
// is stored, and a stored track without recordings is looked for again by the fingerprint.
TEST_F(AcoustIdIdentifierTest, CandidatesComeFromEveryTrackAndOnlyTheAcceptedOneIsStored) {
    const std::string bare = "11111111-1111-1111-1111-111111111111";
    server.answerFingerprint(
        {200, test::tracksAnswer(
                  {{bare, 0.99, {}}, {kTrack, 0.91, {{"Song", {{"Band", ""}}, "Album", 20}}}})});
    const auto item = addTune({.title = "Song", .fileName = "1.mp3"});
    const auto declined = addTune({.title = "Zzzz", .fileName = "2.mp3"});
    question.answers = {QuestionAnswer::No};
    const auto tools = run({});
    EXPECT_EQ(tools->Failures().Summary(), "");
    EXPECT_EQ(name("tblGroup", item), "Band");
    EXPECT_EQ(storedIds(item), std::string("1 ") + kTrack);
    EXPECT_EQ(title(declined), "Zzzz");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4095 AND "
                               "lTableID=" +
                               std::to_string(declined.mediaId)),
              "0");

    catalogue.connection.Execute("UPDATE tblOptional SET sValue='" + bare +
                                 "' WHERE lOptionalTypeID=4095");
    catalogue.connection.Execute("UPDATE tblMedia SET sName='Song'");
    const int before = server.fingerprintLookups();
    run({});
    EXPECT_EQ(server.fingerprintLookups(), before + 2);
    EXPECT_EQ(storedIds(item), std::string("1 ") + kTrack);
}

TEST_F(AcoustIdIdentifierTest, AStoredTrackIdIsReused) {
    const auto item = addTune({.title = "Song"});
    SetOptionalValue(catalogue.connection,
                     {item.mediaId, kOptionalFingerprint, kValueText, kTrack, 0, 0.0});
    answerTrack({{"Song", {}, "", 20}});
    run({});
    EXPECT_EQ(server.fingerprintLookups(), 0);
    EXPECT_EQ(storedIds(item), std::string("1 ") + kTrack);
}

TEST_F(AcoustIdIdentifierTest, AStoredValueThatIsNoTrackIdIsReplacedInItsRow) {
    for (const std::string& stored :
         std::vector<std::string>{"", "TRM", std::string(kTrack) + "-and-more"}) {
        SCOPED_TRACE(stored);
        const auto item = addTune({.title = "Song", .fileName = "x" + stored + ".mp3"});
        catalogue.connection.ExecuteWith(
            "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue) VALUES (?, 4095, ?)",
            {static_cast<long long>(item.mediaId), std::string_view(stored)});
        answerTrack({{"Song", {}, "", 20}});
        const int before = server.fingerprintLookups();
        run({});
        EXPECT_EQ(server.fingerprintLookups(), before + 1);
        EXPECT_EQ(storedIds(item), std::string("1 ") + kTrack);
    }
}

TEST_F(AcoustIdIdentifierTest, AudioOfEveryFormatIsIdentifiedAndOtherMediaAreLeftAlone) {
    const struct {
        int mediaType;
        bool identified;
    } cases[] = {{0, false}, {1, true}, {2, true}, {4, true}, {11, true}, {12, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mediaType);
        catalogue.connection.Execute("DELETE FROM tblItem");
        catalogue.connection.Execute("DELETE FROM tblMedia");
        const size_t requestsBefore = server.requests().size();
        const auto item = addTune({.title = "Song"});
        catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=" +
                                     std::to_string(c.mediaType));
        answerTrack({{"Other", {}, "", 20}});
        const auto tools = run({.ask = true});
        EXPECT_EQ(server.requests().size() > requestsBefore, c.identified);
        EXPECT_EQ(question.asked.empty(), !c.identified);
        EXPECT_EQ(tools->Failures().Summary(), "");
        EXPECT_EQ(title(item), c.identified ? "Other" : "Song");
        question.asked.clear();
    }
}

TEST_F(AcoustIdIdentifierTest, WeakCandidatesAreOfferedBestFirstAndMayAllBeDeclined) {
    const auto item = addTune({.title = "Song", .group = "Band"});
    answerTrack({{"Zzzz", {{"Qqq", ""}}, "", 300}, {"Sonk", {{"Bank", ""}}, "", 300}});
    question.answers = {QuestionAnswer::No, QuestionAnswer::No};
    const auto tools = run({});
    ASSERT_EQ(question.asked.size(), 2u);
    EXPECT_EQ(question.asked[0].title, "Tunebay: Result 1 of 2");
    EXPECT_EQ(question.asked[0].buttons, QuestionButtons::YesNoCancel);
    EXPECT_EQ(question.asked[0].text,
              "Identifed media file '1.mp3'\r\n\r\nTitle:\t Song\r\nGroup:\t Band\r\nPackage:\t "
              "Unknown\r\nLength:\t 00:20\r\n\r\nwith a similarity of 65% as\r\n\r\nTitle:\t "
              "Sonk\r\nGroup:\t Bank\r\nPackage:\t Unknown\r\nLength:\t 05:00\r\n\r\n\r\nIs this "
              "correct?");
    EXPECT_EQ(question.asked[1].title, "Tunebay: Result 2 of 2");
    EXPECT_EQ(tools->Failures().Summary(), "");
    EXPECT_EQ(title(item), "Song");
    EXPECT_EQ(name("tblGroup", item), "Band");
}

TEST_F(AcoustIdIdentifierTest, SixtySevenIsTakenSixtySixIsAsked) {
    // Title similarity 0.8 and lengths 207 or 210 seconds apart.
    for (const auto& [duration, asked] : {std::pair{227, false}, std::pair{230, true}}) {
        SCOPED_TRACE(duration);
        catalogue.connection.Execute("DELETE FROM tblItem");
        const auto item = addTune({.title = "abcde"});
        answerTrack({{"abcdx", {}, "", static_cast<double>(duration)}});
        question.asked.clear();
        question.answers = {QuestionAnswer::No};
        run({});
        EXPECT_EQ(question.asked.size(), asked ? 1u : 0u);
        EXPECT_EQ(title(item), asked ? "abcde" : "abcdx");
    }
}

TEST_F(AcoustIdIdentifierTest, AskingConfirmsEvenAPerfectMatchAndCancelStops) {
    addTune({.title = "Song", .group = "Band"});
    answerTrack({{"Song", {{"Band", ""}}, "", 20}});
    question.answers = {QuestionAnswer::Cancel};
    const auto tools = run({.ask = true});
    ASSERT_EQ(question.asked.size(), 1u);
    EXPECT_NE(question.asked[0].text.find("with a similarity of 95%"), std::string::npos);
    EXPECT_TRUE(tools->EndedEarly());
    EXPECT_NE(tools->Failures().Summary().find(" (Identification)"), std::string::npos);
}

TEST_F(AcoustIdIdentifierTest, FillingInOnlyMissingNamesKeepsTheOthers) {
    const auto item = addTune({.title = "Unknown", .group = "Band"});
    answerTrack({{"Found", {{"Other Band", ""}}, "Found Album", 20}});
    question.answers = {QuestionAnswer::Yes};
    run({.missingOnly = true});
    EXPECT_EQ(title(item), "Found");
    EXPECT_EQ(name("tblGroup", item), "Band");
    EXPECT_EQ(name("tblPackage", item), "Found Album");
}

TEST_F(AcoustIdIdentifierTest, FailuresAreReportedWhenAskingAndNoStopsTheRun) {
    struct Case {
        std::string file;
        test::FakeAnswer fingerprintAnswer;
        std::string reason;
    };
    const Case cases[] = {
        {"tune", {400, test::errorAnswer(4, "invalid API key")}, "invalid API key"},
        // The fingerprint matches no track, or the track has no recordings.
        {"tune", {200, test::trackIdAnswer({})}, "No results returned"},
        {"tune", {200, test::trackIdAnswer({{kTrack, 1.0}})}, "No results returned"},
        {"text", {200, test::trackIdAnswer({{kTrack, 1.0}})}, "TRM generation failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        catalogue.connection.Execute("DELETE FROM tblItem");
        addTune({.title = "Song"});
        if (c.file == "text")
            files.write("1.mp3", "no audio here");
        server.answerFingerprint(c.fingerprintAnswer);
        question.asked.clear();
        question.answers = {QuestionAnswer::No};
        const auto tools = run({.ask = true});
        ASSERT_EQ(question.asked.size(), 1u);
        EXPECT_EQ(question.asked[0].text, "File '1.mp3' couldn't be auto-identified! (" + c.reason +
                                              ")\r\n\r\nDo you want to continue applying the "
                                              "tools?");
        EXPECT_TRUE(tools->EndedEarly());
        EXPECT_NE(tools->Failures().Summary().find("1.mp3 (Identification)"), std::string::npos);
    }
}

} // namespace
} // namespace tunebay
