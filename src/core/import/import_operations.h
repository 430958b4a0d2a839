#pragma once

#include "app/background_operation.h"
#include "import/media_importer.h"
#include "import/pls_playlist.h"
#include "import/volume_labels.h"
#include "text/translatable.h"

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tunebay {

inline constexpr const char* kMessageImportError =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown error occurred while importing files!");
inline constexpr const char* kMessageUpdateError =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown error occurred while updating selected items!");

// The end-of-run summary of the file and folder imports: "N file/s couldn't be imported!".
inline constexpr const char* kMessageImportFailures =
    TB_TRANSLATE_NOOP("Tunebay", "%d file/s couldn't be imported!");
std::string ImportFailureSummary(int failures, const TextLookup& lookup = {});

// A file that a run did not catalogue, and why.
struct FailedImport {
    std::string path;
    ImportFailure reason = ImportFailure::None;
    std::string detail; // the engine's message for a database error
};

// What every import run shares: the importer with its options and the counters the summary and
// the status bar read.
//
// Files are read with no catalogue transaction open (a read that blocks on a dead mount must
// not keep the catalogue locked), and what was read is written in one transaction every half
// second, each file whole or not at all. The batches are written in order on a thread of their
// own while the run reads on; every write to the catalogue happens there. A run that is asked to
// stop writes what it has read before it ends; a run that was abandoned writes nothing more.
class ImportRun : public CBackgroundOperation {
public:
    ImportRun(int finishCode, IProgressSink& sink, CCatalogueConnection& connection,
              ImportOptions options, const IClock& clock, FingerprintGenerator fingerprints);
    ~ImportRun() override;

    // Files not catalogued (already catalogued ones included, as the window counts them).
    int Failures() const { return m_failures.load(); }
    int Processed() const { return m_processed.load(); }
    int ItemsAdded() const { return m_added.load(); }
    // The items added so far that the catalogue holds for good (their batch has been
    // committed); each commit is followed by a progress report.
    int ItemsCommitted() const { return m_committed.load(); }
    // The error that ended the run early, or "".
    std::string ErrorMessage() const;
    // The engine's own words for that error, or "".
    std::string ErrorDetail() const;
    // Every file not catalogued, in the order met.
    std::vector<FailedImport> FailedFiles() const;
    // Why the run gave up looking fingerprints up, or ""; read after the run.
    std::string LookupsEnded() const { return m_importer.LookupsEnded(); }

protected:
    // Reads one file and queues its facts for the next write; the failure is counted here or
    // when the queue is written.
    void importFile(const std::string& path, bool update);
    // Queues facts that need no file to be read (a playlist's entries).
    void queueFacts(MediaFileInfo info, bool update);
    // Runs `work`, then writes what is still queued; an exception ends it with `errorMessage`
    // (what was catalogued before stays).
    void runInBatches(const std::function<void()>& work, const char* errorMessage);
    // Reports progress; the text is told again after each commit.
    void progress(const std::string& text);
    // Set when an entry could not be catalogued and the run stops at the first such entry.
    bool Ended() const { return m_ended; }

    const IClock& m_clock;
    VolumeLabels m_volumes;
    MediaImporter m_importer;
    std::atomic<int> m_failures{0};
    std::atomic<int> m_processed{0};
    std::atomic<int> m_added{0};
    // Set by a run that stops at its first failure: its batches are written where they are
    // read, so that nothing is read past that failure.
    bool m_stopAtFirstFailure = false;

private:
    struct Queued {
        MediaFileInfo info;
        bool update;
    };
    void writeQueueWhenDue();
    // Hands the queue to the writing thread (waiting while an earlier batch still waits there).
    void handOver();
    // Hands over what is left, waits until every batch is written and rethrows a write error.
    void finishWrites();
    void writerBody();
    void writeBatch(std::vector<Queued> batch);
    // Writes a batch of new files with a few statements for all of them; false when it is to be
    // written file by file instead (re-read files, a run that ends at its first failure, or a
    // statement of the batch that failed).
    bool writeNewFiles(const std::vector<Queued>& batch);
    // Writes the batch one file after the other, each whole or not at all; a file the catalogue
    // refuses ends the run, the files before it catalogued.
    void writeEachFile(const std::vector<Queued>& batch, CatalogueTransaction& transaction);
    void reportCommits();
    void recordFailure(const std::string& path, ImportFailure reason, std::string detail = {});

    std::vector<Queued> m_queue; // read, not yet handed over
    std::atomic<int> m_committed{0};
    std::atomic<bool> m_commitUnreported{false};
    std::string m_progressText;  // the worker's own
    long long m_queuedSince = 0; // steady-clock milliseconds of the oldest queued file
    std::atomic<bool> m_ended{false};

    // The writing thread and the one batch that may wait for it.
    std::thread m_writer;
    std::mutex m_writeMutex;
    std::condition_variable m_writeChanged;
    std::vector<Queued> m_waiting;
    bool m_batchWaiting = false;
    bool m_closing = false;
    std::exception_ptr m_writeError;

    mutable std::mutex m_mutex;
    std::string m_error;
    std::string m_errorDetail;
    std::vector<FailedImport> m_failed;
};

// Imports the audio files of a folder (by the extensions of the options, every file with
// allowAllFiles), the files of a folder
// before those of its subfolders.
class FolderImportOperation : public ImportRun {
public:
    FolderImportOperation(IProgressSink& sink, CCatalogueConnection& connection, std::string folder,
                          ImportOptions options, const IClock& clock,
                          FingerprintGenerator fingerprints = {});

protected:
    void Run() override;

private:
    void scanFolder(const std::string& folder);

    std::string m_folder;
    std::set<std::pair<dev_t, ino_t>> m_visited; // folders already scanned (link loops)
};

// Imports a list of files one after the other (File > Import > File). Runs on the caller's
// thread through Run, or as a worker.
class FileListImportOperation : public ImportRun {
public:
    FileListImportOperation(IProgressSink& sink, CCatalogueConnection& connection,
                            std::vector<std::string> files, ImportOptions options,
                            const IClock& clock, FingerprintGenerator fingerprints = {});
    void RunHere() { Run(); }

protected:
    void Run() override;

private:
    std::vector<std::string> m_files;
};

// Catalogues the entries of an opened PLS playlist from the playlist text alone; stops at the
// first entry that cannot be catalogued (an entry already in the catalogue, say).
class PlsImportOperation : public ImportRun {
public:
    PlsImportOperation(IProgressSink& sink, CCatalogueConnection& connection,
                       std::unique_ptr<PlsPlaylist> playlist, const IClock& clock);

protected:
    void Run() override;

private:
    std::unique_ptr<PlsPlaylist> m_playlist;
};

// Re-reads the files of the items a condition selects and overwrites their catalogue fields
// (Edit > Update); a file no longer found under its name is imported as a new item.
class UpdateOperation : public ImportRun {
public:
    UpdateOperation(IProgressSink& sink, CCatalogueConnection& connection, std::string condition,
                    int sortCode, ImportOptions options, const IClock& clock,
                    FingerprintGenerator fingerprints = {});

protected:
    void Run() override;

private:
    std::string m_condition;
    int m_sortCode;
};

// Whether a folder import takes a file of this name: one with an extension of the options' list
// in any letter case, or every name when all files are allowed.
bool MatchesImportPattern(const std::string& fileName, const ImportOptions& options);

} // namespace tunebay
