#pragma once

#include "app/clock.h"
#include "import/genre_names.h"
#include "import/import_options.h"
#include "import/media_file_info.h"
#include "store/catalogue_connection.h"
#include "store/catalogued_file_locator.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

namespace tunebay {

class VolumeLabels;

// What the fingerprint step found for one MPEG audio file.
struct FileFingerprint {
    std::string trackId; // "" when none was found
    std::string raw;     // the compressed acoustic fingerprint; "" when none was computed
    // Set on the file whose lookup made the step give up looking up for the rest of the run
    // (the service cannot be reached, or refuses the key): why.
    std::string lookupsEnded;
};

// Computes the acoustic fingerprint of an MPEG audio file and looks it up; the work in flight is
// given up as soon as `stopRequested` says so.
using FingerprintGenerator = std::function<FileFingerprint(
    const std::string& path, const std::function<bool()>& stopRequested)>;

// Why a file was not catalogued.
enum class ImportFailure {
    None,
    Vanished,          // no longer there
    Unreadable,        // no regular file, or one this user may not read
    NotAudio,          // no MPEG audio (and other files are not allowed)
    AlreadyCatalogued, // a media row of its name lies in its directory
    DatabaseError,     // the catalogue refused the statements
};
// "vanished", "unreadable", "not audio", "already catalogued", "database error".
const char* ImportFailureText(ImportFailure failure);

// Brings single files into the catalogue: gathers a file's facts into a MediaFileInfo and writes
// them as one media row, one item row, its group, package and directory rows and its optional
// properties, all in one transaction (a file is catalogued wholly or not at all).
class MediaImporter {
public:
    MediaImporter(CCatalogueConnection& connection, ImportOptions options, VolumeLabels* volumes,
                  const IClock& clock, FingerprintGenerator fingerprints = {});

    // Returns the new item id, or 0 when no new item was made: the file cannot be read, is not
    // MPEG audio (without allowAllFiles), or is already catalogued. In update mode a catalogued
    // file has its fields overwritten and 0 is returned.
    int ImportMediaFile(const std::string& path, bool update);

    // The reading half of ImportMediaFile: gathers a file's facts into `info` without writing
    // the catalogue, so that a read that blocks (a dead mount) never holds a catalogue
    // transaction open. ImportFailure::None when the file is to be catalogued.
    ImportFailure ReadMediaFile(const std::string& path, bool update, MediaFileInfo& info);

    // Writes the facts of one file; returns the new item id or 0 (see ImportMediaFile).
    int CatalogueMediaFile(const MediaFileInfo& info, bool update);

    // Asked by the fingerprint step while it works on a file.
    void SetStopCheck(std::function<bool()> stopRequested) {
        m_stopRequested = std::move(stopRequested);
    }
    // Why the fingerprint lookups were given up, "" when they were not; read after the run.
    const std::string& LookupsEnded() const { return m_lookupsEnded; }

    const ImportOptions& Options() const { return m_options; }
    CCatalogueConnection& Connection() const { return m_connection; }
    // This machine's mount table, read once per importer: it gives a folder on a network share
    // the share's form, by which another machine knows the folder too.
    const std::vector<MountEntry>& Mounts() const { return m_locator.Mounts(); }

private:
    bool isCatalogued(const std::string& path);
    // The network form of a folder on a share, "" elsewhere.
    std::string networkFormOf(const std::string& directory) const;
    // The media and item ids of the file when it is catalogued in the folder, on a share under
    // whichever machine's mount point.
    std::optional<std::pair<int, int>> findCatalogued(const std::string& directory,
                                                      const std::string& network,
                                                      const std::string& fileName);
    void writeOptionalValues(int mediaId, const MediaFileInfo& info, bool newMedia);
    void resolveGenreName(MediaFileInfo& info);

    CCatalogueConnection& m_connection;
    ImportOptions m_options;
    VolumeLabels* m_volumes;
    const IClock& m_clock;
    FingerprintGenerator m_fingerprints;
    std::function<bool()> m_stopRequested;
    std::string m_lookupsEnded;
    std::optional<GenreNames> m_genreNames; // read when a tag first names its genre
    // The names catalogued in one folder when it was last looked at: a folder import asks about
    // each of its files in turn, and one query per folder answers most of them.
    std::string m_namesFolder;
    std::string m_namesNetwork;
    std::unordered_set<std::string> m_namesInFolder;
    // This machine's mounts, read once per importer: they give a folder its network form.
    CataloguedFileLocator m_locator;
};

// Splits a path, made absolute and lexically normal, into its directory (ending in "/") and its
// file name. An address with a scheme is split as it stands.
void SplitMediaPath(const std::string& path, std::string& directory, std::string& fileName);

} // namespace tunebay
