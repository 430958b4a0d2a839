#include "app/background_operation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace tunebay {
namespace {

class CountingSink : public IProgressSink {
public:
    void OnProgress(int, const std::string& text) override {
        std::lock_guard lock(mutex);
        last = text;
        ++progress;
    }
    void OnFinished(int code, int stop) override {
        finishCode = code;
        stopCode = stop;
        ++finished;
    }
    std::mutex mutex;
    std::string last;
    std::atomic<int> progress{0};
    std::atomic<int> finished{0};
    std::atomic<int> finishCode{0};
    std::atomic<int> stopCode{-1};
};

// Works in units until asked to stop; `stubborn` ignores stop requests until released.
class Worker : public CBackgroundOperation {
public:
    Worker(IProgressSink& sink, bool stubborn)
        : CBackgroundOperation(kFinishTools, sink), m_stubborn(stubborn) {}
    std::atomic<bool> release{false};
    std::atomic<int> units{0};

protected:
    void Run() override {
        while (m_stubborn ? !release.load() : !StopRequested()) {
            SetProgress(ProgressText(kProgressTools, ++units));
            SetCurrentFile("/music/file" + std::to_string(units.load()) + ".mp3");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    bool m_stubborn;
};

TEST(BackgroundOperation, RunsUntilAskedToStopAndReportsHowItEnded) {
    CountingSink sink;
    auto worker = std::make_shared<Worker>(sink, false);
    ASSERT_EQ(worker->Start(), 1);
    while (worker->units < 3)
        std::this_thread::yield();
    EXPECT_TRUE(worker->IsRunning());
    EXPECT_EQ(worker->WaitFinished(10), 0);
    worker->RequestStop();
    ASSERT_EQ(worker->WaitFinished(5000), 1);
    EXPECT_FALSE(worker->IsRunning());
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(sink.finishCode, kFinishTools);
    EXPECT_EQ(sink.stopCode, 1);
    EXPECT_EQ(worker->StopCode(), 1);
    EXPECT_EQ(sink.last.rfind("Applying selected tools...  ", 0), 0u);
    EXPECT_NE(worker->CurrentFile().find("/music/file"), std::string::npos);
    // It can run again; the stop flag is cleared by the start.
    ASSERT_EQ(worker->Start(), 1);
    worker->RequestStop();
    EXPECT_EQ(worker->WaitFinished(5000), 1);
    EXPECT_EQ(sink.finished, 2);
}

TEST(BackgroundOperation, AKilledWorkerIsAbandonedAndReportsNothingMore) {
    CountingSink sink;
    auto worker = std::make_shared<Worker>(sink, true);
    ASSERT_EQ(worker->Start(), 1);
    worker->RequestStop();
    EXPECT_EQ(worker->WaitFinished(50), 0); // it does not listen
    worker->Kill();
    EXPECT_FALSE(worker->IsRunning());
    EXPECT_EQ(worker->WaitFinished(0), 1);
    EXPECT_EQ(worker->Start(), 0);
    const int progressAtKill = sink.progress;
    std::weak_ptr<Worker> alive = worker;
    auto* raw = worker.get();
    worker.reset(); // the worker keeps its own operation alive
    ASSERT_FALSE(alive.expired());
    raw->release = true;
    while (!alive.expired())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(sink.finished, 0);
    EXPECT_LE(sink.progress, progressAtKill + 1);
}

TEST(BackgroundOperation, ProgressTextsCarryTheirCount) {
    EXPECT_EQ(ProgressText(kProgressImporting, 5), "Importing files...  5");
    EXPECT_EQ(ProgressText(kProgressPlsImport, 0), "Importing PLS file...  0");
    EXPECT_EQ(ProgressText(kProgressUpdating, 12), "Updating items...  12");
}

} // namespace
} // namespace tunebay
