#include "import/media_importer.h"

#include "app/time_stamp.h"
#include "import/container_audio_reader.h"
#include "import/file_names.h"
#include "import/held_files.h"
#include "import/media_file_bytes.h"
#include "import/media_rows.h"
#include "import/mpeg_header_reader.h"
#include "import/tag_fields.h"
#include "import/volume_labels.h"
#include "store/classification.h"
#include "store/directories.h"
#include "store/local_paths.h"
#include "store/network_mounts.h"
#include "store/optional_values.h"
#include "store/writer_locks.h"

#include <sys/stat.h>

#include <cerrno>

namespace tunebay {

namespace {

// The names a folder may hold catalogued: those of media rows with an item in a directory row of
// the folder and, on a network share, in rows of its network form in any case (another machine
// may have catalogued the share folder through its own mount point). A name found is checked
// (FindHeldFiles).
constexpr std::string_view kFolderNamesQuery =
    "SELECT tblMedia.sFileName FROM tblMedia, tblItem, tblDirectory WHERE "
    "tblMedia.lID=tblItem.lMediaID AND tblMedia.lDirectoryID=tblDirectory.lID AND "
    "(tblDirectory.sLocal=?";
constexpr std::string_view kOrNetworkForm = " OR LOWER(tblDirectory.sUNC)=LOWER(?))";

std::string withFolder(std::string_view query, bool onShare) {
    return std::string(query) + (onShare ? std::string(kOrNetworkForm) : std::string(")"));
}

} // namespace

const char* ImportFailureText(ImportFailure failure) {
    switch (failure) {
    case ImportFailure::None:
        return "imported";
    case ImportFailure::Vanished:
        return "vanished";
    case ImportFailure::Unreadable:
        return "unreadable";
    case ImportFailure::NotAudio:
        return "not audio";
    case ImportFailure::AlreadyCatalogued:
        return "already catalogued";
    case ImportFailure::DatabaseError:
        return "database error";
    }
    return "";
}

void SplitMediaPath(const std::string& given, std::string& directory, std::string& fileName) {
    // One file has one row, however its path was written.
    const std::string path = NormalLocalPath(given);
    const size_t slash = path.find_last_of('/');
    directory = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    fileName = slash == std::string::npos ? path : path.substr(slash + 1);
}

MediaImporter::MediaImporter(CCatalogueConnection& connection, ImportOptions options,
                             VolumeLabels* volumes, const IClock& clock,
                             FingerprintGenerator fingerprints)
    : m_connection(connection), m_options(std::move(options)), m_volumes(volumes), m_clock(clock),
      m_fingerprints(std::move(fingerprints)) {}

int MediaImporter::ImportMediaFile(const std::string& path, bool update) {
    MediaFileInfo info;
    if (ReadMediaFile(path, update, info) != ImportFailure::None)
        return 0;
    return CatalogueMediaFile(info, update);
}

ImportFailure MediaImporter::ReadMediaFile(const std::string& given, bool update,
                                           MediaFileInfo& info) {
    const std::string path = NormalLocalPath(given);
    // A file that has gone or cannot be read is never catalogued, whatever the options.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ImportFailure::Vanished
                                                   : ImportFailure::Unreadable;
    if (!S_ISREG(status.st_mode))
        return ImportFailure::Unreadable;

    // A catalogued file is refused whatever it holds: find that out before reading it.
    if (!update && isCatalogued(path))
        return ImportFailure::AlreadyCatalogued;

    // One open and one read of the head and the tail serve the format's readers.
    const MediaFileBytes file(path);
    if (!file.IsOpen())
        return ImportFailure::Unreadable;
    info = MediaFileInfo();
    info.path = path;
    info.correctNames = m_options.correctNames;
    // The content decides the format, whatever the file's name says; MPEG audio has no container
    // of its own and is the frame header reader's to find.
    TagFieldReader readTag;
    const AudioFormat container = DetectContainerFormat(file);
    std::optional<ContainerAudio> audio;
    if (container != AudioFormat::None) {
        audio = ReadContainerAudio(container, file, path);
        if (audio) {
            TakeContainerFacts(container, *audio, file, info);
            readTag = [&audio](MediaFileInfo& record) {
                ApplyTagTexts(audio->tags, record);
                return 0;
            };
        }
    } else if (ReadAudioFacts(file, path, info) != 0) {
        if (info.sampleRate != 0 && info.bitrate != 0)
            info.format = AudioFormat::Mpeg;
        readTag = [&](MediaFileInfo& record) {
            return ReadTagFields(file, record, m_options.useV2);
        };
    }
    const bool isAudio = static_cast<bool>(readTag);
    if (!isAudio && !m_options.allowAllFiles)
        return ImportFailure::NotAudio;
    // Other files keep their real size too (statistics and copying to size-limited folders
    // count it).
    info.fileSize = static_cast<int64_t>(status.st_size);
    info.importTime = FormatTimeStamp(m_clock.Now());
    if (m_volumes)
        info.volumeName = m_volumes->LabelFor(path);
    ApplyNaming(info, m_options.source, readTag);
    resolveGenreName(info);
    if (m_options.generateFingerprint && info.format != AudioFormat::None && m_fingerprints) {
        FileFingerprint found = m_fingerprints(path, m_stopRequested);
        info.fingerprint = std::move(found.trackId);
        info.rawFingerprint = std::move(found.raw);
        if (m_lookupsEnded.empty())
            m_lookupsEnded = std::move(found.lookupsEnded);
    }
    return ImportFailure::None;
}

std::string MediaImporter::networkFormOf(const std::string& directory) const {
    return NetworkFormOf(directory, m_locator.Mounts());
}

std::optional<std::pair<int, int>> MediaImporter::findCatalogued(const std::string& directory,
                                                                 const std::string& network,
                                                                 const std::string& fileName) {
    const ImportFolder folder{directory, network};
    const std::string_view name = fileName;
    const auto held = FindHeldFiles(m_connection, {&folder, 1}, {&name, 1});
    if (held.empty())
        return std::nullopt;
    return std::make_pair(held.begin()->second.mediaId, held.begin()->second.itemId);
}

bool MediaImporter::isCatalogued(const std::string& path) {
    std::string directory;
    std::string fileName;
    SplitMediaPath(path, directory, fileName);
    if (directory != m_namesFolder) {
        m_namesFolder = directory;
        m_namesNetwork = networkFormOf(directory);
        m_namesInFolder.clear();
        const bool onShare = !m_namesNetwork.empty();
        ResultSet names =
            onShare ? m_connection.ExecuteWith(withFolder(kFolderNamesQuery, true),
                                               {directory, m_namesNetwork})
                    : m_connection.ExecuteWith(withFolder(kFolderNamesQuery, false), {directory});
        for (; !names.IsEof(); names.MoveNext())
            m_namesInFolder.insert(names.GetText(0));
    }
    // A name missing from the folder's list was not catalogued when the list was read; a file
    // this import adds since is refused when it is written. A name in the list may have been
    // removed since, so that answer is checked afresh.
    if (!m_namesInFolder.contains(fileName))
        return false;
    return findCatalogued(directory, m_namesNetwork, fileName).has_value();
}

int MediaImporter::CatalogueMediaFile(const MediaFileInfo& info, bool update) {
    const CataloguedNames names = CataloguedNamesOf(info);
    const auto mediaType = static_cast<long long>(info.format);

    const std::string& directory = names.directory;
    const std::string& fileName = names.fileName;
    const std::string network = networkFormOf(directory);

    CatalogueTransaction transaction(m_connection);
    // Another process importing the same file waits here until this one is catalogued, and
    // then finds it; on a share the lock is the share's, so another machine's importer of the
    // file waits too.
    LockMediaFile(m_connection, network.empty() ? directory : ComparableNetworkForm(network),
                  fileName);
    int mediaId = -1;
    int itemId = -1;
    if (const auto duplicate = findCatalogued(directory, network, fileName)) {
        mediaId = duplicate->first;
        itemId = duplicate->second;
    }

    int result = 0;
    if (mediaId != -1) {
        if (!update)
            return 0; // already catalogued
        const long long media = mediaId;
        m_connection.ExecuteWith(
            "UPDATE tblMedia SET sName=?, sComment=?, sPublishTime=?, lGenreID=?, lLength=?, "
            "fSize=?, lMediaType=? WHERE lID=?",
            {names.title, info.comment, info.publishTime, static_cast<long long>(info.genre),
             static_cast<long long>(info.length), static_cast<double>(info.fileSize), mediaType,
             media});
        ReassignItem(m_connection, itemId, mediaId, names.group, names.package);
    } else {
        const std::string_view group[] = {names.group};
        const std::pair<std::string_view, std::string_view> album[] = {
            {names.package, names.group}};
        const ClassificationIds classification =
            FindOrCreateGroupsAndPackages(m_connection, group, album);
        const int groupId = classification.groups[0];
        const int packageId = classification.packages[0];
        const std::string folder[] = {directory};
        const int directoryId =
            FindOrCreateDirectories(m_connection, folder, &m_locator.Mounts())[0];
        m_connection.ExecuteWith(
            "INSERT INTO tblMedia (sName, sComment, lGenreID, sPublishTime, sFileName, "
            "lDirectoryID, lLength, sImportTime, lMediaType, fSize) VALUES (?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?)",
            {names.title, info.comment, static_cast<long long>(info.genre), info.publishTime,
             names.fileName, static_cast<long long>(directoryId),
             static_cast<long long>(info.length), info.importTime, mediaType,
             static_cast<long long>(info.fileSize)});
        mediaId = static_cast<int>(m_connection.LastInsertedId());
        m_connection.ExecuteWith(
            "INSERT INTO tblItem (lGroupID, lPackageID, lMediaID) VALUES (?, ?, ?)",
            {static_cast<long long>(groupId), static_cast<long long>(packageId),
             static_cast<long long>(mediaId)});
        result = static_cast<int>(m_connection.LastInsertedId());
    }
    writeOptionalValues(mediaId, info, result != 0);
    transaction.Commit();
    return result;
}

void MediaImporter::resolveGenreName(MediaFileInfo& info) {
    if (info.genreName.empty())
        return;
    if (!m_genreNames)
        m_genreNames.emplace(m_connection);
    if (const int32_t genre = m_genreNames->Find(info.genreName); genre != kNoGenre)
        info.genre = genre;
}

void MediaImporter::writeOptionalValues(int mediaId, const MediaFileInfo& info, bool newMedia) {
    for (const MediaOptionalFact& fact : MediaOptionalFacts(mediaId, info)) {
        // A media row just made has no values to replace; a re-read file whose content is no
        // longer what it was (an old catalogue took a FLAC file for MPEG audio) loses the facts
        // of the stream it no longer has.
        if (fact.known && newMedia)
            AddOptionalValue(m_connection, fact.value);
        else if (fact.known)
            SetOptionalValue(m_connection, fact.value);
        else if (fact.dropWhenUnknown && !newMedia)
            m_connection.ExecuteWith(
                "DELETE FROM tblOptional WHERE lOptionalTypeID=? AND lTableID=?",
                {static_cast<long long>(fact.value.typeId), static_cast<long long>(mediaId)});
    }
}

} // namespace tunebay
