#include "tools/tools_failures.h"

namespace tunebay {

namespace {

constexpr int kListedFailures = 10;
constexpr int kAskAfterFailures = 10;
constexpr int kTagLimit = 99;
constexpr int kRenameLimit = 99;
constexpr int kIdentificationLimit = 999;

const char* lineSuffix(ToolsFailureKind kind) {
    switch (kind) {
    case ToolsFailureKind::Identification:
        return " (Identification)";
    case ToolsFailureKind::Tag:
        return " (MP3 Tag)";
    case ToolsFailureKind::Rename:
        return " (Rename)";
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
    if (Total() <= kListedFailures)
        m_lines += "\r\n" + fullPath + lineSuffix(kind) + (reason.empty() ? "" : ": " + reason);
    else if (Total() == kListedFailures + 1)
        m_lines += "\r\n...";
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

std::string ToolsFailures::ContinueQuestion() const {
    return counts() + "\r\n\r\nDo you want to continue applying the tools?\r\n" + m_lines;
}

bool ToolsFailures::LimitExceeded() const {
    return m_tag > kTagLimit || m_rename > kRenameLimit || m_identification > kIdentificationLimit;
}

std::string ToolsFailures::Summary(const TextLookup& lookup) const {
    if (Total() == 0)
        return {};
    return (LimitExceeded() ? Worded(lookup, kMessageToolsAborted) : std::string()) +
           counts(lookup) + "\r\n" + m_lines;
}

} // namespace tunebay
