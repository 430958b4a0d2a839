#pragma once

#include "app/worker_question.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"
#include "tools/acoustid_client.h"
#include "tools/item_identifier.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tunebay {

// The question of each candidate: the file, the item's names, the similarity, the candidate's
// names; the names are kMessageIdentifiedNames filled with title, group, package and length.
inline constexpr const char* kQuestionIdentified = TB_TRANSLATE_NOOP(
    "Tunebay", "Identifed media file '%1'\r\n\r\n%2\r\n\r\nwith a similarity of %3% "
               "as\r\n\r\n%4\r\n\r\n\r\nIs this correct?");
inline constexpr const char* kQuestionIdentifiedTitle =
    TB_TRANSLATE_NOOP("Tunebay", "Tunebay: Result %1 of %2");
inline constexpr const char* kMessageIdentifiedNames =
    TB_TRANSLATE_NOOP("Tunebay", "Title:\t %1\r\nGroup:\t %2\r\nPackage:\t %3\r\nLength:\t %4");
// A name the candidate does not give.
inline constexpr const char* kMessageUnknownName = TB_TRANSLATE_NOOP("Tunebay", "Unknown");
// A failure of one file, with the reason; the continue question follows.
inline constexpr const char* kMessageNotIdentified =
    TB_TRANSLATE_NOOP("Tunebay", "File '%1' couldn't be auto-identified! (%2)");
inline constexpr const char* kMessageFingerprintFailed =
    TB_TRANSLATE_NOOP("Tunebay", "TRM generation failed");
inline constexpr const char* kMessageNoResults =
    TB_TRANSLATE_NOOP("Tunebay", "No results returned");
inline constexpr const char* kMessageNoClientKey =
    TB_TRANSLATE_NOOP("Tunebay", "No AcoustID client key is set (MusicBrainzApiKey).");

struct IdentificationOptions {
    bool missingOnly = false; // replace only names that are empty or "Unknown"
    bool ask = false;         // confirm every candidate and report every failure
};

// A track id as the service writes it: 36 characters, hexadecimal digits and four hyphens.
bool IsTrackId(const std::string& text);

// Identification by acoustic fingerprint: the recordings of the item's stored track id (or of
// every track the file's fingerprint matches), scored against the item's names and confirmed by
// the user when asked to or when the best is not good enough. The track id of an accepted
// candidate is stored.
class AcoustIdIdentifier : public IItemIdentifier {
public:
    AcoustIdIdentifier(CCatalogueConnection& connection, AcoustIdSettings settings,
                       IdentificationOptions options, IWorkerQuestion& question);

    // Lets a stop request abort the request in flight; set before the run starts.
    void SetStopCheck(std::function<bool()> stopRequested);

    bool Prepare(std::string& reason) override;
    IdentificationOutcome Identify(IdentifiedItem& item) override;

private:
    // The candidates of the item's stored track id or else of its fingerprint; false after a
    // failure (already told).
    bool candidatesOf(const IdentifiedItem& item, std::vector<AcoustIdCandidate>& candidates,
                      std::string& storedTrackId, IdentificationOutcome& outcome);
    void storeTrackId(const IdentifiedItem& item, const std::string& trackId);
    // Asks whether to go on after a failure (only when asking); No stops the run.
    void reportFailure(const IdentifiedItem& item, const std::string& reason,
                       IdentificationOutcome& outcome);
    void accept(IdentifiedItem& item, const AcoustIdCandidate& candidate,
                const std::string& storedTrackId, IdentificationOutcome& outcome);

    CCatalogueConnection& m_connection;
    AcoustIdSettings m_settings;
    IdentificationOptions m_options;
    IWorkerQuestion& m_question;
    std::function<bool()> m_stopRequested;
    std::unique_ptr<AcoustIdClient> m_client;
};

} // namespace tunebay
