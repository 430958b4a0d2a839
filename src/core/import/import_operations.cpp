#include "import/import_operations.h"

#include "app/time_stamp.h"
#include "store/catalogue_error.h"
#include "store/item_query.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace tunebay {

std::string ImportFailureSummary(int failures) {
    return std::to_string(failures) + " file/s couldn't be imported!";
}

bool MatchesImportPattern(const std::string& fileName, bool allowAllFiles) {
    if (allowAllFiles)
        return true;
    if (fileName.size() < 4)
        return false;
    std::string extension = fileName.substr(fileName.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mp3";
}

// ---- ImportRun ----

ImportRun::ImportRun(int finishCode, IProgressSink& sink, CCatalogueConnection& connection,
                     ImportOptions options, const IClock& clock, FingerprintGenerator fingerprints)
    : CBackgroundOperation(finishCode, sink), m_clock(clock),
      m_importer(connection, std::move(options), &m_volumes, clock, std::move(fingerprints)) {}

std::string ImportRun::ErrorMessage() const {
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

void ImportRun::runInBatches(const std::function<void()>& work, const char* errorMessage) {
    try {
        CatalogueBatch batch(m_importer.Connection());
        m_batch = &batch;
        try {
            work();
        } catch (...) {
            m_batch = nullptr;
            throw;
        }
        m_batch = nullptr;
    } catch (const std::exception&) {
        std::lock_guard lock(m_errorMutex);
        m_error = errorMessage;
    }
    m_committed = m_added.load();
}

void ImportRun::unitDone() {
    if (!m_batch || !m_batch->UnitDone())
        return;
    m_committed = m_added.load();
    if (!m_progressText.empty())
        SetProgress(m_progressText);
}

void ImportRun::progress(const std::string& text) {
    m_progressText = text;
    SetProgress(text);
}

bool ImportRun::importFile(const std::string& path, bool update) {
    SetCurrentFile(path);
    const int item = m_importer.ImportMediaFile(path, update);
    if (item != 0)
        ++m_added;
    unitDone();
    return item != 0;
}

// ---- FolderImportOperation ----

FolderImportOperation::FolderImportOperation(IProgressSink& sink, CCatalogueConnection& connection,
                                             std::string folder, ImportOptions options,
                                             const IClock& clock, FingerprintGenerator fingerprints)
    : ImportRun(kFinishImport, sink, connection, std::move(options), clock,
                std::move(fingerprints)),
      m_folder(std::move(folder)) {
    if (m_folder.empty() || m_folder.back() != '/')
        m_folder.push_back('/');
}

void FolderImportOperation::Run() {
    m_visited.clear();
    runInBatches([this] { scanFolder(m_folder); }, kMessageImportError);
}

void FolderImportOperation::scanFolder(const std::string& folder) {
    progress(kProgressSearching);
    struct stat self {};
    if (stat(folder.c_str(), &self) != 0 || !m_visited.insert({self.st_dev, self.st_ino}).second)
        return; // gone, or already scanned through a link

    // One pass over the folder, in the order the file system gives: files to import and the
    // subfolders to descend into afterwards.
    std::vector<std::string> files;
    std::vector<std::string> folders;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat status {};
            const bool known = stat((folder + name).c_str(), &status) == 0;
            if (known && S_ISDIR(status.st_mode))
                folders.push_back(name);
            else if (MatchesImportPattern(name, m_importer.Options().allowAllFiles))
                files.push_back(name); // a file that cannot be read counts as a failure
        }
        closedir(dir);
    }

    if (!files.empty())
        progress(ProgressText(kProgressImporting, m_processed + 1));
    for (const auto& name : files) {
        if (StopRequested())
            return;
        if (!importFile(folder + name, false))
            ++m_failures;
        if (++m_processed % 5 == 0)
            progress(ProgressText(kProgressImporting, m_processed));
    }
    if (!m_importer.Options().recurse)
        return;
    for (const auto& name : folders) {
        if (StopRequested())
            return;
        scanFolder(folder + name + "/");
    }
}

// ---- FileListImportOperation ----

FileListImportOperation::FileListImportOperation(IProgressSink& sink,
                                                 CCatalogueConnection& connection,
                                                 std::vector<std::string> files,
                                                 ImportOptions options, const IClock& clock,
                                                 FingerprintGenerator fingerprints)
    : ImportRun(kFinishImport, sink, connection, std::move(options), clock,
                std::move(fingerprints)),
      m_files(std::move(files)) {}

void FileListImportOperation::Run() {
    runInBatches(
        [this] {
            for (const auto& path : m_files) {
                if (StopRequested())
                    return;
                if (!importFile(path, false))
                    ++m_failures;
                ++m_processed;
            }
        },
        kMessageImportError);
}

// ---- PlsImportOperation ----

PlsImportOperation::PlsImportOperation(IProgressSink& sink, CCatalogueConnection& connection,
                                       std::unique_ptr<PlsPlaylist> playlist, const IClock& clock)
    : ImportRun(kFinishPlsImport, sink, connection, ImportOptions(), clock, {}),
      m_playlist(std::move(playlist)) {}

void PlsImportOperation::Run() {
    // Every entry of one playlist shares one import time.
    const std::string importTime = FormatTimeStamp(m_clock.Now());
    runInBatches(
        [&] {
            while (m_added < m_playlist->AnnouncedEntries() && !StopRequested()) {
                if (m_added % 5 == 0)
                    progress(ProgressText(kProgressPlsImport, m_added));
                PlsEntry entry;
                if (!m_playlist->NextEntry(entry))
                    break;
                MediaFileInfo info;
                info.path = entry.path;
                info.group = entry.group;
                info.title = entry.title;
                info.length = entry.length;
                info.importTime = importTime;
                SetCurrentFile(entry.path);
                ++m_processed;
                // An entry already catalogued (or one that cannot be) ends the import.
                if (m_importer.CatalogueMediaFile(info, false) == 0)
                    break;
                ++m_added;
                unitDone();
            }
        },
        kMessageImportError);
    m_playlist.reset();
}

// ---- UpdateOperation ----

UpdateOperation::UpdateOperation(IProgressSink& sink, CCatalogueConnection& connection,
                                 std::string condition, int sortCode, ImportOptions options,
                                 const IClock& clock, FingerprintGenerator fingerprints)
    : ImportRun(kFinishUpdate, sink, connection, std::move(options), clock,
                std::move(fingerprints)),
      m_condition(std::move(condition)), m_sortCode(sortCode) {}

void UpdateOperation::Run() {
    runInBatches(
        [this] {
            // The paths are read first: updating moves items between groups and packages, which
            // would disturb a listing still being read.
            std::vector<std::string> paths;
            for (ResultSet rows = QueryItems(m_importer.Connection(),
                                             "SELECT tblDirectory.sLocal, tblMedia.sFileName",
                                             m_condition, m_sortCode);
                 !rows.IsEof(); rows.MoveNext())
                paths.push_back(rows.GetText(0) + rows.GetText(1));
            for (const auto& path : paths) {
                if (StopRequested())
                    return;
                progress(ProgressText(kProgressUpdating, ++m_processed));
                importFile(path, true);
            }
        },
        kMessageUpdateError);
}

} // namespace tunebay
