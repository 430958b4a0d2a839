#include "window_worker_question.h"
#include "shown_text.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace tunebay {

namespace {

PromptIcon promptIcon(QuestionIcon icon) {
    switch (icon) {
    case QuestionIcon::Error:
        return PromptIcon::Error;
    case QuestionIcon::Warning:
        return PromptIcon::Warning;
    case QuestionIcon::Information:
        return PromptIcon::Information;
    case QuestionIcon::Question:
        break;
    }
    return PromptIcon::Question;
}

} // namespace

WindowWorkerQuestion::WindowWorkerQuestion(QObject* context, IPrompter& prompter)
    : m_context(context), m_prompter(prompter) {}

QuestionAnswer WindowWorkerQuestion::Ask(const std::string& text, const std::string& title,
                                         QuestionButtons buttons, QuestionIcon icon) {
    const QuestionAnswer refused =
        buttons == QuestionButtons::YesNoCancel ? QuestionAnswer::Cancel : QuestionAnswer::No;
    QObject* context = m_context.data();
    if (!context)
        return refused;
    QuestionAnswer answer = refused;
    const auto ask = [&] {
        answer = m_prompter.Ask(QString::fromStdString(text), QString::fromStdString(title),
                                buttons, promptIcon(icon));
    };
    if (QThread::currentThread() == context->thread())
        ask();
    else if (!QMetaObject::invokeMethod(context, ask, Qt::BlockingQueuedConnection))
        return refused;
    return answer;
}

TextLookup WindowWorkerQuestion::Wording() const {
    return ShownTextLookup();
}

} // namespace tunebay
