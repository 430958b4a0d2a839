#include "window_progress_sink.h"

namespace tunebay {

void WindowProgressSink::OnProgress(int finishCode, const std::string& statusText) {
    const QString text = QString::fromStdString(statusText);
    QMetaObject::invokeMethod(
        this, [this, finishCode, text] { emit progress(finishCode, text); }, Qt::QueuedConnection);
}

void WindowProgressSink::OnFinished(int finishCode, int stopCode) {
    QMetaObject::invokeMethod(
        this, [this, finishCode, stopCode] { emit finished(finishCode, stopCode); },
        Qt::QueuedConnection);
}

} // namespace tunebay
