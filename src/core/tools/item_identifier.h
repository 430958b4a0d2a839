#pragma once

#include <string>

namespace tunebay {

// One item as the tools run hands it to identification, with the working names that an
// accepted candidate replaces.
struct IdentifiedItem {
    long mediaId = 0;
    int mediaType = 0; // only audio (1 to 11) is identified; other media are skipped
    std::string fullPath;
    std::string fileName;
    int lengthSeconds = 0;
    std::string title;
    std::string group;
    std::string package;
};

struct IdentificationOutcome {
    // Counts as an identification failure ("(Identification)" line).
    bool failed = false;
    // The user chose to stop the run in one of the questions.
    bool stopRun = false;
    // Group or package came from a candidate: the run re-assigns the item, never renames.
    bool groupFromCandidate = false;
    bool packageFromCandidate = false;
};

// The first step of a tools run. Prepared once before the first item; when `Prepare` fails the
// run ends with "Cannot create MusicBrainz object!" and the reason.
class IItemIdentifier {
public:
    virtual ~IItemIdentifier() = default;
    virtual bool Prepare(std::string& reason) = 0;
    virtual IdentificationOutcome Identify(IdentifiedItem& item) = 0;
};

} // namespace tunebay
