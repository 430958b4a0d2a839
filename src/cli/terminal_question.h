#pragma once

#include "app/worker_question.h"

#include <iosfwd>
#include <mutex>
#include <optional>

namespace tunebay::cli {

// Answers a background run's questions on the command line: from --yes or --no when given,
// otherwise on the terminal (the question on stderr, the answer from stdin).
class TerminalQuestion : public IWorkerQuestion {
public:
    // `fixedAnswer` is Yes for --yes, No for --no, empty to ask.
    TerminalQuestion(std::istream& in, std::ostream& err,
                     std::optional<QuestionAnswer> fixedAnswer);

    QuestionAnswer Ask(const std::string& text, const std::string& title, QuestionButtons buttons,
                       QuestionIcon icon) override;

private:
    std::istream& m_in;
    std::ostream& m_err;
    std::optional<QuestionAnswer> m_fixed;
    std::mutex m_mutex;
};

// The answer that --yes / --no stand for; empty when neither was given. Without either, a run
// that may ask needs a terminal on standard input.
std::optional<QuestionAnswer> FixedAnswer(bool yes, bool no);
bool StandardInputIsTerminal();

// The message for a run that would have to ask but has no terminal and no --yes/--no.
inline constexpr const char* kNeedsAnswerMessage =
    "This command may ask questions: run it on a terminal or answer them with --yes or --no.";

} // namespace tunebay::cli
