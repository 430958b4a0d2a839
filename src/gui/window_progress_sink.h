#pragma once

#include "app/background_operation.h"

#include <QObject>
#include <QString>

#include <map>
#include <mutex>
#include <string>

namespace tunebay {

// Hands the reports of background workers to the window's thread as signals. Progress reports
// come thousands of times a second during an import; the window hears the latest text of each
// operation at most every few hundredths of a second, so that drawing the status bar never slows
// the work it reports. The end of an operation is told at once, and drops a text still waiting.
class WindowProgressSink : public QObject, public IProgressSink {
    Q_OBJECT
public:
    explicit WindowProgressSink(QObject* parent = nullptr) : QObject(parent) {}

    void OnProgress(int finishCode, const std::string& statusText) override;
    void OnFinished(int finishCode, int stopCode) override;

signals:
    void progress(int finishCode, const QString& statusText);
    void finished(int finishCode, int stopCode);

private:
    void deliver();

    std::mutex m_mutex;
    std::map<int, std::string> m_latest; // texts not yet told, by operation
    bool m_deliveryDue = false;
};

} // namespace tunebay
