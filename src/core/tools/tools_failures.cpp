#include "tools/tools_failures.h"

namespace tunebay {

namespace {

constexpr std::size_t kListedFailures = 10;
constexpr int kAskAfterFailures = 10;
constexpr int kTagLimit = 99;
constexpr int kRenameLimit = 99;
constexpr int kIdentificationLimit = 999;

// The step named after a failed file ("/music/a.mp3 (Rename)").
const char* stepName(ToolsFailureKind kind) {
    switch (kind) {
    case ToolsFailureKind::Identification:
        return TB_TRANSLATE_NOOP("Tunebay", "Identification");
    case ToolsFailureKind::Tag:
        return TB_TRANSLATE_NOOP("Tunebay", "MP3 Tag");
    case ToolsFailureKind::Rename:
        return TB_TRANSLATE_NOOP("Tunebay", "Rename");
    }
    return "";
}

} // namespace

void ToolsFailures::Add(ToolsFailureKind kind, const std::string& fullPath,
                        const std::string& reason) {
    switch (kind) {
    case ToolsFailureKind::Identification:
        ++m_identification;
        break;
    case ToolsFailureKind::Tag:
        ++m_tag;
        break;
    case ToolsFailureKind::Rename:
        ++m_rename;
        break;
    }
    m_all.push_back({kind, fullPath, reason});
}

std::string ToolsFailures::lines(const TextLookup& lookup) const {
    std::string text;
    for (std::size_t i = 0; i < m_all.size() && i < kListedFailures; ++i) {
        const ToolsFailure& failure = m_all[i];
        text += "\r\n" + failure.path + " (" + Worded(lookup, stepName(failure.kind)) + ")" +
                (failure.reason.empty() ? "" : ": " + failure.reason);
    }
    if (m_all.size() > kListedFailures)
        text += "\r\n...";
    return text;
}

int ToolsFailures::Count(ToolsFailureKind kind) const {
    switch (kind) {
    case ToolsFailureKind::Identification:
        return m_identification;
    case ToolsFailureKind::Tag:
        return m_tag;
    case ToolsFailureKind::Rename:
        return m_rename;
    }
    return 0;
}

bool ToolsFailures::TakeContinueQuestion() {
    // One item can bring two failures (tag and rename), so the total may pass ten without ever
    // standing at it; the question still comes, and only once.
    if (m_asked || Total() < kAskAfterFailures)
        return false;
    m_asked = true;
    return true;
}

std::string ToolsFailures::counts(const TextLookup& lookup) const {
    return FillNumbers(Worded(lookup, kMessageToolsFailureCounts),
                       {m_identification, m_tag, m_rename});
}

std::string ToolsFailures::ContinueQuestion(const TextLookup& lookup) const {
    return counts(lookup) + "\r\n\r\n" + Worded(lookup, kQuestionContinueTools) + "\r\n" +
           lines(lookup);
}

bool ToolsFailures::LimitExceeded() const {
    return m_tag > kTagLimit || m_rename > kRenameLimit || m_identification > kIdentificationLimit;
}

std::string ToolsFailures::Summary(const TextLookup& lookup) const {
    if (Total() == 0)
        return {};
    return (LimitExceeded() ? Worded(lookup, kMessageToolsAborted) : std::string()) +
           counts(lookup) + "\r\n" + lines(lookup);
}

} // namespace tunebay
