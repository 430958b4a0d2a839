#pragma once

#include "text/translatable.h"

#include <string>
#include <vector>

namespace tunebay {

enum class ToolsFailureKind { Identification, Tag, Rename };

// The run's summary: "Aborted by Tunebay!" when a limit ended it, then the three counts.
inline constexpr const char* kMessageToolsAborted =
    TB_TRANSLATE_NOOP("Tunebay", "Aborted by Tunebay!\r\n\r\n");
inline constexpr const char* kMessageToolsFailureCounts = TB_TRANSLATE_NOOP(
    "Tunebay", "> %d file/s couldn't be auto-identified!\r\n> On %d file/s the tag couldn't be "
               "written/deleted!\r\n> %d filename/s couldn't be renamed!");

// Asked after a failure of the identification, and once ten steps have failed.
inline constexpr const char* kQuestionContinueTools =
    TB_TRANSLATE_NOOP("Tunebay", "Do you want to continue applying the tools?");

// One failed step of a tools run, with the system's reason when there is one.
struct ToolsFailure {
    ToolsFailureKind kind;
    std::string path;
    std::string reason;
};

// The failures of one tools run: three counters, every failure with its reason (the first ten
// are named in the question and the summary), and the limits that end a run.
class ToolsFailures {
public:
    // Counts a failure on the file at `fullPath`; `reason` says why ("" when nothing says).
    void Add(ToolsFailureKind kind, const std::string& fullPath, const std::string& reason = {});
    const std::vector<ToolsFailure>& All() const { return m_all; }

    int Count(ToolsFailureKind kind) const;
    int Total() const { return m_identification + m_tag + m_rename; }

    // True exactly once: after the item with which the total first reached ten or more.
    bool TakeContinueQuestion();
    // "> n file/s couldn't be auto-identified! ..." with the question and the failure lines.
    std::string ContinueQuestion(const TextLookup& lookup = {}) const;

    // More than 99 tag or rename failures, or more than 999 identification failures.
    bool LimitExceeded() const;

    // The summary of the run; empty when nothing failed.
    std::string Summary(const TextLookup& lookup = {}) const;

private:
    std::string counts(const TextLookup& lookup) const;
    // The first ten failures, a line each, and "..." when there are more.
    std::string lines(const TextLookup& lookup) const;

    int m_identification = 0;
    int m_tag = 0;
    int m_rename = 0;
    bool m_asked = false;
    std::vector<ToolsFailure> m_all;
};

} // namespace tunebay
