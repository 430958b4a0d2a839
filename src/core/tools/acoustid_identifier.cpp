#include "tools/acoustid_identifier.h"

#include "import/audio_format.h"
#include "store/optional_values.h"
#include "tools/audio_fingerprint.h"
#include "tools/identification_scoring.h"
#include "tools/stored_fingerprints.h"
#include "tools/tools_failures.h"

#include <cctype>
#include <cstdio>

namespace tunebay {

namespace {

std::string minutesAndSeconds(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

// The names of the item or of a candidate, a line each, for the identification question.
std::string namesText(const TextLookup& wording, const std::string& title, const std::string& group,
                      const std::string& package, int seconds) {
    return FillTexts(Worded(wording, kMessageIdentifiedNames),
                     {title, group, package, minutesAndSeconds(seconds)});
}

std::string orUnknown(const TextLookup& wording, const std::string& text) {
    return text.empty() ? Worded(wording, kMessageUnknownName) : text;
}

} // namespace

bool IsTrackId(const std::string& text) {
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

AcoustIdIdentifier::AcoustIdIdentifier(CCatalogueConnection& connection, AcoustIdSettings settings,
                                       IdentificationOptions options, IWorkerQuestion& question)
    : m_connection(connection), m_settings(std::move(settings)), m_options(options),
      m_question(question) {}

void AcoustIdIdentifier::SetStopCheck(std::function<bool()> stopRequested) {
    m_stopRequested = std::move(stopRequested);
}

bool AcoustIdIdentifier::Prepare(std::string& reason) {
    if (m_settings.apiKey.empty()) {
        reason = Worded(m_question.Wording(), kMessageNoClientKey);
        return false;
    }
    m_client = std::make_unique<AcoustIdClient>(m_settings, m_stopRequested);
    return true;
}

void AcoustIdIdentifier::reportFailure(const IdentifiedItem& item, const std::string& reason,
                                       IdentificationOutcome& outcome) {
    if (!m_options.ask)
        return;
    const TextLookup wording = m_question.Wording();
    const std::string text =
        FillTexts(Worded(wording, kMessageNotIdentified), {item.fileName, reason}) + "\r\n\r\n" +
        Worded(wording, kQuestionContinueTools);
    if (m_question.Ask(text, "", QuestionButtons::YesNo, QuestionIcon::Question) !=
        QuestionAnswer::Yes)
        outcome.stopRun = true;
}

bool AcoustIdIdentifier::candidatesOf(const IdentifiedItem& item,
                                      std::vector<AcoustIdCandidate>& candidates,
                                      std::string& storedTrackId, IdentificationOutcome& outcome) {
    std::string error;
    {
        ResultSet stored = m_connection.ExecuteWith(
            "SELECT sValue FROM tblOptional WHERE lTableID=? AND lOptionalTypeID=4095",
            {static_cast<long long>(item.mediaId)});
        if (!stored.IsEof() && IsTrackId(stored.GetText(0)))
            storedTrackId = stored.GetText(0);
    }
    if (!storedTrackId.empty()) {
        if (!m_client->LookupTrack(storedTrackId, candidates, error)) {
            reportFailure(item, error, outcome);
            outcome.failed = true;
            return false;
        }
        // A track without recordings (stored before they were checked) says nothing: look
        // again by the fingerprint.
        if (!candidates.empty())
            return true;
    }

    const AudioFingerprint fingerprint = FingerprintFile(item.fullPath, m_stopRequested);
    if (fingerprint.stopped)
        return false; // the run ends with the item as it was
    if (!fingerprint.ok) {
        reportFailure(item, Worded(m_question.Wording(), kMessageFingerprintFailed), outcome);
        outcome.failed = true;
        return false;
    }
    // Kept for finding the same recording offline later.
    StoreRawFingerprint(m_connection, static_cast<int>(item.mediaId), fingerprint.fingerprint);
    std::vector<AcoustIdTrack> tracks;
    if (!m_client->LookupFingerprint(fingerprint.duration, fingerprint.fingerprint, tracks,
                                     error)) {
        reportFailure(item, error, outcome);
        outcome.failed = true;
        return false;
    }
    candidates = CandidatesOf(tracks);
    return true;
}

void AcoustIdIdentifier::storeTrackId(const IdentifiedItem& item, const std::string& trackId) {
    OptionalValue value;
    value.ownerId = static_cast<int>(item.mediaId);
    value.typeId = kOptionalFingerprint;
    value.kind = kValueText;
    value.text = trackId;
    SetOptionalValue(m_connection, value);
}

IdentificationOutcome AcoustIdIdentifier::Identify(IdentifiedItem& item) {
    IdentificationOutcome outcome;
    if (!IsAudioMediaType(item.mediaType) || !m_client)
        return outcome;
    std::vector<AcoustIdCandidate> candidates;
    std::string storedTrackId;
    if (!candidatesOf(item, candidates, storedTrackId, outcome))
        return outcome;
    if (candidates.empty()) {
        reportFailure(item, Worded(m_question.Wording(), kMessageNoResults), outcome);
        outcome.failed = true;
        return outcome;
    }

    const IdentificationNames names{item.title, item.group, item.package, item.lengthSeconds};
    std::vector<int> scores;
    for (const auto& candidate : candidates)
        scores.push_back(ScoreCandidate(names, candidate));
    const auto order = OrderCandidates(scores);
    const int count = static_cast<int>(candidates.size());
    for (int position = 0; position < count; ++position) {
        const auto [score, index] = order[static_cast<size_t>(position)];
        const AcoustIdCandidate& candidate = candidates[static_cast<size_t>(index)];
        if (!m_options.ask && score >= kAcceptScore) {
            accept(item, candidate, storedTrackId, outcome);
            return outcome;
        }
        const TextLookup wording = m_question.Wording();
        const std::string title = FillTexts(Worded(wording, kQuestionIdentifiedTitle),
                                            {std::to_string(position + 1), std::to_string(count)});
        const std::string text =
            FillTexts(Worded(wording, kQuestionIdentified),
                      {item.fileName,
                       namesText(wording, item.title, item.group, item.package, item.lengthSeconds),
                       std::to_string(score),
                       namesText(wording, orUnknown(wording, candidate.title),
                                 orUnknown(wording, candidate.artist),
                                 orUnknown(wording, candidate.album), candidate.duration)});
        const QuestionAnswer answer =
            m_question.Ask(text, title, QuestionButtons::YesNoCancel, QuestionIcon::Question);
        if (answer == QuestionAnswer::Yes) {
            accept(item, candidate, storedTrackId, outcome);
            return outcome;
        }
        if (answer == QuestionAnswer::Cancel) {
            outcome.stopRun = true;
            outcome.failed = true;
            return outcome;
        }
    }
    return outcome; // every candidate declined: left as it was, not a failure
}

void AcoustIdIdentifier::accept(IdentifiedItem& item, const AcoustIdCandidate& candidate,
                                const std::string& storedTrackId, IdentificationOutcome& outcome) {
    // An empty candidate field says nothing about the item: it never replaces a name.
    auto take = [this](std::string& name, const std::string& value) {
        if (value.empty() || (m_options.missingOnly && IsUsableName(name)))
            return false;
        name = value;
        return true;
    };
    take(item.title, candidate.title);
    outcome.groupFromCandidate = take(item.group, candidate.artist);
    outcome.packageFromCandidate = take(item.package, candidate.album);
    if (!candidate.trackId.empty() && candidate.trackId != storedTrackId)
        storeTrackId(item, candidate.trackId);
}

} // namespace tunebay
