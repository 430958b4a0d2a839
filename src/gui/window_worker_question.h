#pragma once

#include "app/worker_question.h"
#include "prompter.h"

#include <QPointer>

class QObject;

namespace tunebay {

// Answers a worker's questions with the window's boxes: the question is shown on the interface
// thread while the worker waits for the answer. Once the window is gone a question is answered
// with Cancel (or No), so an abandoned worker ends instead of waiting forever.
class WindowWorkerQuestion : public IWorkerQuestion {
public:
    // `context` is an object living on the interface thread (the main window).
    WindowWorkerQuestion(QObject* context, IPrompter& prompter);

    QuestionAnswer Ask(const std::string& text, const std::string& title, QuestionButtons buttons,
                       QuestionIcon icon) override;
    TextLookup Wording() const override;

private:
    QPointer<QObject> m_context;
    IPrompter& m_prompter;
};

} // namespace tunebay
