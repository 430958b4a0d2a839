#include "window_progress_sink.h"
#include "shown_text.h"

#include <QTimer>

namespace tunebay {

namespace {

constexpr int kProgressIntervalMs = 40;

} // namespace

void WindowProgressSink::OnProgress(int finishCode, const std::string& statusText) {
    {
        std::lock_guard lock(m_mutex);
        m_latest[finishCode] = statusText;
        if (m_deliveryDue)
            return;
        m_deliveryDue = true;
    }
    QMetaObject::invokeMethod(
        this, [this] { QTimer::singleShot(kProgressIntervalMs, this, [this] { deliver(); }); },
        Qt::QueuedConnection);
}

void WindowProgressSink::OnFinished(int finishCode, int stopCode) {
    {
        std::lock_guard lock(m_mutex);
        m_latest.erase(finishCode);
    }
    QMetaObject::invokeMethod(
        this, [this, finishCode, stopCode] { emit finished(finishCode, stopCode); },
        Qt::QueuedConnection);
}

void WindowProgressSink::deliver() {
    std::map<int, std::string> latest;
    {
        std::lock_guard lock(m_mutex);
        latest.swap(m_latest);
        m_deliveryDue = false;
    }
    for (const auto& [finishCode, text] : latest)
        emit progress(finishCode, ShownText(text));
}

} // namespace tunebay
