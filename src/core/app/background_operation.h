#pragma once

#include "text/translatable.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tunebay {

// Which slot of the main window a background operation occupies; also its finish code.
enum FinishCode : int {
    kFinishCopyMove = 1,
    kFinishTools = 2,
    kFinishUpdate = 3,
    kFinishListing = 4,
    kFinishImport = 5,
    kFinishPlsImport = 6,
};

// The worker progress texts (two spaces before the count).
inline constexpr const char* kProgressImporting =
    TB_TRANSLATE_NOOP("Tunebay", "Importing files...  %d");
inline constexpr const char* kProgressSearching =
    TB_TRANSLATE_NOOP("Tunebay", "Searching files...");
inline constexpr const char* kProgressUpdating =
    TB_TRANSLATE_NOOP("Tunebay", "Updating items...  %d");
inline constexpr const char* kProgressCopying =
    TB_TRANSLATE_NOOP("Tunebay", "Copying files...  %d");
inline constexpr const char* kProgressMoving = TB_TRANSLATE_NOOP("Tunebay", "Moving files...  %d");
inline constexpr const char* kProgressTools =
    TB_TRANSLATE_NOOP("Tunebay", "Applying selected tools...  %d");
inline constexpr const char* kProgressPlsImport =
    TB_TRANSLATE_NOOP("Tunebay", "Importing PLS file...  %d");

// A progress text with its count filled in.
std::string ProgressText(const char* format, int count);

// Where a background operation reports. Each front end implements it (the window shows the
// status text and the summary on its own thread; the command line prints). Called on the
// worker's thread.
class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void OnProgress(int finishCode, const std::string& statusText) = 0;
    // The operation's `Run` has returned; `stopCode` is 1 when it ended on a stop request.
    virtual void OnFinished(int finishCode, int stopCode) = 0;
};

// Long work on a worker thread: `Run` tests `StopRequested` between units of work (files,
// items), reports with `SetProgress`, and the sink hears when it has finished.
//
// Operations are held by shared pointers: the worker keeps its own operation alive, so an
// operation abandoned by `Kill` can finish its current unit safely and go away on its own.
class CBackgroundOperation : public std::enable_shared_from_this<CBackgroundOperation> {
public:
    CBackgroundOperation(int finishCode, IProgressSink& sink);
    virtual ~CBackgroundOperation();
    CBackgroundOperation(const CBackgroundOperation&) = delete;
    CBackgroundOperation& operator=(const CBackgroundOperation&) = delete;

    // Starts the worker (waiting up to 5000 ms for an earlier run of this operation to end).
    // Returns 1 on success, 0 if no thread could be made.
    int Start();
    void RequestStop();
    bool StopRequested() const { return m_stopRequested.load(); }
    int StopCode() const { return m_stopCode.load(); }
    int FinishCode() const { return m_finishCode; }
    // 1 when no worker runs or it ended within `milliseconds`, 0 on time-out.
    int WaitFinished(int milliseconds);
    // Gives up on a worker that does not end: it is asked to stop and left to finish on its own;
    // nothing it reports afterwards reaches the sink.
    void Kill();
    bool IsRunning() const;

    // The file being worked on, for the "not responding" question.
    std::string CurrentFile() const;

protected:
    virtual void Run() = 0;
    void SetProgress(const std::string& text);
    void SetCurrentFile(const std::string& path);
    // Whether `Kill` gave up on this worker: it must not touch the catalogue again.
    bool Abandoned() const { return m_abandoned.load(); }

private:
    void threadBody();
    void join();

    const int m_finishCode;
    IProgressSink& m_sink;
    std::atomic<int> m_stopRequested{0};
    std::atomic<int> m_stopCode{0};
    std::atomic<bool> m_abandoned{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_running = false;
    std::string m_currentFile;
};

} // namespace tunebay
