#include "tools/tools_failures.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(ToolsFailures, SummaryNamesTheCountsAndTheFiles) {
    ToolsFailures failures;
    EXPECT_EQ(failures.Summary(), "");
    failures.Add(ToolsFailureKind::Tag, "/m/a.mp3");
    failures.Add(ToolsFailureKind::Rename, "/m/b.mp3");
    EXPECT_EQ(failures.Summary(), "> 0 file/s couldn't be auto-identified!\r\n"
                                  "> On 1 file/s the tag couldn't be written/deleted!\r\n"
                                  "> 1 filename/s couldn't be renamed!\r\n"
                                  "\r\n/m/a.mp3 (MP3 Tag)\r\n/m/b.mp3 (Rename)");
}

TEST(ToolsFailures, TenLinesAreListedThenOneEllipsis) {
    ToolsFailures failures;
    for (int i = 0; i < 14; ++i)
        failures.Add(ToolsFailureKind::Rename, "/f" + std::to_string(i));
    const std::string summary = failures.Summary();
    EXPECT_NE(summary.find("/f9 (Rename)\r\n..."), std::string::npos);
    EXPECT_EQ(summary.find("/f10"), std::string::npos);
    EXPECT_EQ(summary.find("..."), summary.rfind("..."));
}

TEST(ToolsFailures, TheContinueQuestionComesOnceAlsoWhenTenIsPassedOver) {
    ToolsFailures failures;
    for (int i = 0; i < 9; ++i)
        failures.Add(ToolsFailureKind::Tag, "/f");
    EXPECT_FALSE(failures.TakeContinueQuestion());
    // One item failing twice takes the total from 9 to 11.
    failures.Add(ToolsFailureKind::Tag, "/g");
    failures.Add(ToolsFailureKind::Rename, "/g");
    EXPECT_TRUE(failures.TakeContinueQuestion());
    failures.Add(ToolsFailureKind::Rename, "/h");
    EXPECT_FALSE(failures.TakeContinueQuestion());
    EXPECT_NE(failures.ContinueQuestion().find("Do you want to continue applying the tools?\r\n"
                                               "\r\n/f (MP3 Tag)"),
              std::string::npos);
}

TEST(ToolsFailures, LimitsEndTheRunAndMarkTheSummary) {
    struct Case {
        ToolsFailureKind kind;
        int atLimit;
    };
    for (const Case c : {Case{ToolsFailureKind::Tag, 99}, Case{ToolsFailureKind::Rename, 99},
                         Case{ToolsFailureKind::Identification, 999}}) {
        ToolsFailures failures;
        for (int i = 0; i < c.atLimit; ++i)
            failures.Add(c.kind, "/f");
        EXPECT_FALSE(failures.LimitExceeded());
        failures.Add(c.kind, "/f");
        EXPECT_TRUE(failures.LimitExceeded());
        EXPECT_EQ(failures.Summary().rfind("Aborted by Tunebay!\r\n\r\n> ", 0), 0u);
    }
}

} // namespace
} // namespace tunebay
