#include "app/background_operation.h"

#include <chrono>
#include <cstdio>
#include <system_error>

namespace tunebay {

std::string ProgressText(const char* format, int count) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, count);
    return buffer;
}

CBackgroundOperation::CBackgroundOperation(int finishCode, IProgressSink& sink)
    : m_finishCode(finishCode), m_sink(sink) {}

CBackgroundOperation::~CBackgroundOperation() {
    // The last owner may be the worker itself (after Kill); it cannot wait for itself.
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            RequestStop();
            m_thread.join();
        }
    }
}

int CBackgroundOperation::Start() {
    if (m_abandoned)
        return 0; // a killed operation's worker may still be finishing its last unit
    if (IsRunning()) {
        RequestStop();
        if (!WaitFinished(5000))
            return 0;
    }
    join();
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_stopRequested = 0;
    m_stopCode = 0;
    try {
        m_thread = std::thread([self = shared_from_this()] { self->threadBody(); });
    } catch (const std::system_error&) {
        std::lock_guard lock(m_mutex);
        m_running = false;
        return 0;
    }
    return 1;
}

void CBackgroundOperation::threadBody() {
    Run();
    const int stopCode = m_stopCode.load();
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    m_finished.notify_all();
    if (!m_abandoned)
        m_sink.OnFinished(m_finishCode, stopCode);
}

void CBackgroundOperation::RequestStop() {
    m_stopRequested = 1;
    m_stopCode = 1;
}

int CBackgroundOperation::WaitFinished(int milliseconds) {
    std::unique_lock lock(m_mutex);
    if (!m_finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return !m_running || m_abandoned; }))
        return 0;
    lock.unlock();
    join();
    return 1;
}

void CBackgroundOperation::join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void CBackgroundOperation::Kill() {
    m_abandoned = true;
    RequestStop();
    if (m_thread.joinable())
        m_thread.detach();
    { std::lock_guard lock(m_mutex); } // a waiter is either asleep already or sees the flag
    m_finished.notify_all();
}

bool CBackgroundOperation::IsRunning() const {
    std::lock_guard lock(m_mutex);
    return m_running && !m_abandoned;
}

std::string CBackgroundOperation::CurrentFile() const {
    std::lock_guard lock(m_mutex);
    return m_currentFile;
}

void CBackgroundOperation::SetProgress(const std::string& text) {
    if (!m_abandoned)
        m_sink.OnProgress(m_finishCode, text);
}

void CBackgroundOperation::SetCurrentFile(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_currentFile = path;
}

} // namespace tunebay
