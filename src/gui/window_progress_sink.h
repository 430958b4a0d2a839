#pragma once

#include "app/background_operation.h"

#include <QObject>
#include <QString>

namespace tunebay {

// Hands the reports of background workers to the window's thread: each report arrives there as
// a signal, in the order the worker sent it.
class WindowProgressSink : public QObject, public IProgressSink {
    Q_OBJECT
public:
    explicit WindowProgressSink(QObject* parent = nullptr) : QObject(parent) {}

    void OnProgress(int finishCode, const std::string& statusText) override;
    void OnFinished(int finishCode, int stopCode) override;

signals:
    void progress(int finishCode, const QString& statusText);
    void finished(int finishCode, int stopCode);
};

} // namespace tunebay
