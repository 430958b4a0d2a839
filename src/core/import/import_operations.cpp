#include "import/import_operations.h"

#include "app/time_stamp.h"
#include "import/media_batch_writer.h"
#include "store/catalogue_error.h"
#include "store/catalogued_file_locator.h"
#include "store/item_query.h"
#include "store/local_paths.h"
#include "store/server_catalogue.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <vector>

namespace tunebay {

std::string ImportFailureSummary(int failures, const TextLookup& lookup) {
    return FillNumbers(Worded(lookup, kMessageImportFailures), {failures});
}

bool MatchesImportPattern(const std::string& fileName, const ImportOptions& options) {
    if (options.allowAllFiles)
        return true;
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    });
    return std::find(options.extensions.begin(), options.extensions.end(), extension) !=
           options.extensions.end();
}

// ---- ImportRun ----

namespace {

// A batch is handed to the writing thread after this many files at the latest, so that writing
// overlaps reading from the start of a fast import.
constexpr std::size_t kFilesPerBatch = 250;

} // namespace

ImportRun::ImportRun(int finishCode, IProgressSink& sink, CCatalogueConnection& connection,
                     ImportOptions options, const IClock& clock, FingerprintGenerator fingerprints)
    : CBackgroundOperation(finishCode, sink), m_clock(clock),
      m_importer(connection, std::move(options), &m_volumes, clock, std::move(fingerprints)) {
    // Ctrl-C must not wait for a lookup in flight.
    m_importer.SetStopCheck([this] { return StopRequested(); });
}

std::string ImportRun::ErrorMessage() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

std::string ImportRun::ErrorDetail() const {
    std::lock_guard lock(m_mutex);
    return m_errorDetail;
}

std::vector<FailedImport> ImportRun::FailedFiles() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

void ImportRun::recordFailure(const std::string& path, ImportFailure reason, std::string detail) {
    ++m_failures;
    std::lock_guard lock(m_mutex);
    m_failed.push_back({path, reason, std::move(detail)});
}

ImportRun::~ImportRun() {
    // Runs end by finishing their writes; this only guards against a thread left behind.
    {
        std::lock_guard lock(m_writeMutex);
        m_closing = true;
        m_writeChanged.notify_all();
    }
    if (m_writer.joinable())
        m_writer.join();
}

void ImportRun::runInBatches(const std::function<void()>& work, const char* errorMessage) {
    try {
        try {
            work();
        } catch (...) {
            // What was read before the failure is still catalogued, unless writing failed.
            try {
                finishWrites();
            } catch (...) {
            }
            throw;
        }
        finishWrites();
        try {
            RefreshServerStatistics(m_importer.Connection(), m_added.load());
        } catch (const CatalogueError&) {
            // The server gathers them by itself before long; the import is done all the same.
        }
    } catch (const CatalogueError& error) {
        std::lock_guard lock(m_mutex);
        m_error = errorMessage;
        m_errorDetail = error.engineMessage();
    } catch (const std::exception& error) {
        std::lock_guard lock(m_mutex);
        m_error = errorMessage;
        m_errorDetail = error.what();
    }
}

void ImportRun::importFile(const std::string& path, bool update) {
    const std::string normal = NormalLocalPath(path);
    SetCurrentFile(normal);
    MediaFileInfo info;
    const ImportFailure failure = m_importer.ReadMediaFile(normal, update, info);
    if (failure != ImportFailure::None) {
        recordFailure(normal, failure);
        writeQueueWhenDue();
        return;
    }
    queueFacts(std::move(info), update);
}

void ImportRun::queueFacts(MediaFileInfo info, bool update) {
    if (m_queue.empty())
        m_queuedSince = SteadyMilliseconds();
    m_queue.push_back({std::move(info), update});
    writeQueueWhenDue();
}

void ImportRun::writeQueueWhenDue() {
    reportCommits();
    if (!m_queue.empty() && (m_queue.size() >= kFilesPerBatch ||
                             SteadyMilliseconds() - m_queuedSince >= kBatchMilliseconds))
        handOver();
}

void ImportRun::handOver() {
    std::vector<Queued> batch = std::move(m_queue);
    m_queue.clear();
    if (batch.empty())
        return;
    if (m_stopAtFirstFailure) {
        writeBatch(std::move(batch));
        reportCommits();
        return;
    }
    std::unique_lock lock(m_writeMutex);
    if (m_writeError)
        std::rethrow_exception(m_writeError);
    if (!m_writer.joinable())
        m_writer = std::thread([this] { writerBody(); });
    m_writeChanged.wait(lock, [this] { return !m_batchWaiting || m_writeError; });
    if (m_writeError)
        std::rethrow_exception(m_writeError);
    m_waiting = std::move(batch);
    m_batchWaiting = true;
    m_writeChanged.notify_all();
}

void ImportRun::finishWrites() {
    handOver();
    std::exception_ptr error;
    {
        std::lock_guard lock(m_writeMutex);
        m_closing = true;
        m_writeChanged.notify_all();
    }
    if (m_writer.joinable())
        m_writer.join();
    {
        std::lock_guard lock(m_writeMutex);
        m_closing = false;
        error = m_writeError;
    }
    reportCommits();
    if (error)
        std::rethrow_exception(error);
}

void ImportRun::writerBody() {
    std::unique_lock lock(m_writeMutex);
    for (;;) {
        m_writeChanged.wait(lock, [this] { return m_batchWaiting || m_closing; });
        if (!m_batchWaiting)
            return; // closing, and nothing left
        std::vector<Queued> batch = std::move(m_waiting);
        m_waiting.clear();
        m_batchWaiting = false;
        const bool failedBefore = static_cast<bool>(m_writeError);
        m_writeChanged.notify_all();
        lock.unlock();
        std::exception_ptr error;
        if (!failedBefore) {
            try {
                writeBatch(std::move(batch));
            } catch (...) {
                error = std::current_exception();
            }
        }
        lock.lock();
        if (error && !m_writeError) {
            m_writeError = error;
            m_writeChanged.notify_all();
        }
    }
}

void ImportRun::writeBatch(std::vector<Queued> batch) {
    // An abandoned run's user has given up on it, and the window may have another catalogue
    // open by now: nothing more is written.
    if (batch.empty() || Abandoned())
        return;
    CCatalogueConnection& connection = m_importer.Connection();
    CatalogueTransaction transaction(connection);
    if (!writeNewFiles(batch))
        writeEachFile(batch, transaction);
    transaction.Commit();
    m_committed = m_added.load();
    m_commitUnreported = true;
}

bool ImportRun::writeNewFiles(const std::vector<Queued>& batch) {
    // Re-read files, and runs that end at their first failure, are written file by file.
    if (m_stopAtFirstFailure ||
        std::any_of(batch.begin(), batch.end(), [](const Queued& queued) { return queued.update; }))
        return false;
    std::vector<const MediaFileInfo*> files;
    files.reserve(batch.size());
    for (const Queued& queued : batch)
        files.push_back(&queued.info);
    std::vector<int> items;
    try {
        items = CatalogueNewMediaFiles(m_importer.Connection(), files, m_importer.Mounts());
    } catch (const CatalogueError&) {
        // Nothing of the batch stayed; written file by file, the files before the one that
        // fails are catalogued. A transaction the engine gave up whole is not there to write
        // them in.
        if (!m_importer.Connection().InTransaction())
            throw;
        return false;
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (items[i] != 0)
            ++m_added;
        else
            recordFailure(batch[i].info.path, ImportFailure::AlreadyCatalogued);
    }
    return true;
}

void ImportRun::writeEachFile(const std::vector<Queued>& batch, CatalogueTransaction& transaction) {
    for (const Queued& queued : batch) {
        if (m_ended)
            break;
        int item = 0;
        try {
            item = m_importer.CatalogueMediaFile(queued.info, queued.update);
        } catch (const CatalogueError& error) {
            recordFailure(queued.info.path, ImportFailure::DatabaseError, error.engineMessage());
            try {
                transaction.Commit(); // the files before this one stay catalogued
            } catch (const CatalogueError&) {
            }
            throw;
        }
        if (item != 0) {
            ++m_added;
        } else if (!queued.update) {
            recordFailure(queued.info.path, ImportFailure::AlreadyCatalogued);
            m_ended = m_stopAtFirstFailure;
        }
    }
}

// The window's counters follow the commits: the progress text is told again after each.
void ImportRun::reportCommits() {
    if (m_commitUnreported.exchange(false) && !m_progressText.empty())
        SetProgress(m_progressText);
}

void ImportRun::progress(const std::string& text) {
    m_progressText = text;
    m_commitUnreported = false;
    SetProgress(text);
}

// ---- FolderImportOperation ----

FolderImportOperation::FolderImportOperation(IProgressSink& sink, CCatalogueConnection& connection,
                                             std::string folder, ImportOptions options,
                                             const IClock& clock, FingerprintGenerator fingerprints)
    : ImportRun(kFinishImport, sink, connection, std::move(options), clock,
                std::move(fingerprints)),
      m_folder(NormalLocalPath(folder)) {
    if (m_folder.back() != '/')
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
            // The entry's type spares a stat of every file; links and file systems that do
            // not tell the type are asked.
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat status {};
                isFolder = stat((folder + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
            }
            if (isFolder)
                folders.push_back(name);
            else if (MatchesImportPattern(name, m_importer.Options()))
                files.push_back(name); // a file that cannot be read counts as a failure
        }
        closedir(dir);
    }

    if (!files.empty())
        progress(ProgressText(kProgressImporting, m_processed + 1));
    for (const auto& name : files) {
        if (StopRequested())
            return;
        importFile(folder + name, false);
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
                importFile(path, false);
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
    m_stopAtFirstFailure = true;
    runInBatches(
        [&] {
            while (m_processed < m_playlist->AnnouncedEntries() && !StopRequested() && !Ended()) {
                if (m_processed % 5 == 0)
                    progress(ProgressText(kProgressPlsImport, m_processed));
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
                queueFacts(std::move(info), false);
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
            // Each file is read where this machine has it; on a share the importer finds its
            // row by the share's name.
            std::vector<std::string> paths;
            const CataloguedFileLocator locator;
            for (ResultSet rows =
                     QueryItems(m_importer.Connection(),
                                "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblDirectory.sUNC",
                                m_condition, m_sortCode);
                 !rows.IsEof(); rows.MoveNext())
                paths.push_back(locator.Path(rows.GetText(0), rows.GetText(2), rows.GetText(1)));
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
