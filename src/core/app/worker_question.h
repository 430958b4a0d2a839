#pragma once

#include "text/translatable.h"

#include <string>

namespace tunebay {

enum class QuestionIcon { Question, Error, Warning, Information };
enum class QuestionButtons { YesNo, YesNoCancel };
enum class QuestionAnswer { Yes, No, Cancel };

// A question a background run asks the user from its worker thread (the tools run, the
// identification step, copy/move after ten failures). Each front end answers it: the window on
// its own thread while the worker waits, the command line on the terminal or from --yes/--no.
// `title` is the box's caption ("Tunebay" when empty). The asker puts text and title together
// from marked patterns worded by Wording(), so they arrive as the user reads them.
class IWorkerQuestion {
public:
    virtual ~IWorkerQuestion() = default;
    virtual QuestionAnswer Ask(const std::string& text, const std::string& title,
                               QuestionButtons buttons, QuestionIcon icon) = 0;
    // How the marked parts of a question are worded: the window's translation; every other
    // front end keeps them as marked.
    virtual TextLookup Wording() const { return {}; }
};

} // namespace tunebay
