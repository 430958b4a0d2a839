#pragma once

#include <string>

namespace tunebay {

enum class QuestionIcon { Question, Error, Warning, Information };
enum class QuestionButtons { YesNo, YesNoCancel };
enum class QuestionAnswer { Yes, No, Cancel };

// A question a background run asks the user from its worker thread (the tools run, the
// identification step, copy/move after ten failures). Each front end answers it: the window on
// its own thread while the worker waits, the command line on the terminal or from --yes/--no.
// `title` is the box's caption ("Tunebay" when empty).
class IWorkerQuestion {
public:
    virtual ~IWorkerQuestion() = default;
    virtual QuestionAnswer Ask(const std::string& text, const std::string& title,
                               QuestionButtons buttons, QuestionIcon icon) = 0;
};

} // namespace tunebay
