#include "terminal_question.h"

#include <unistd.h>

#include <iostream>
#include <string>

namespace tunebay::cli {

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The program's texts end lines with "\r\n"; a terminal wants "\n".
std::string terminalText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text)
        if (c != '\r')
            shown += c;
    return shown;
}

} // namespace

TerminalQuestion::TerminalQuestion(std::istream& in, std::ostream& err,
                                   std::optional<QuestionAnswer> fixedAnswer)
    : m_in(in), m_err(err), m_fixed(fixedAnswer) {}

QuestionAnswer TerminalQuestion::Ask(const std::string& text, const std::string& title,
                                     QuestionButtons buttons, QuestionIcon) {
    const bool withCancel = buttons == QuestionButtons::YesNoCancel;
    const QuestionAnswer refused = withCancel ? QuestionAnswer::Cancel : QuestionAnswer::No;
    std::lock_guard lock(m_mutex);
    if (m_fixed)
        return *m_fixed;
    if (!title.empty())
        m_err << title << ":\n";
    m_err << terminalText(text) << (withCancel ? " [y/n/c] " : " [y/N] ") << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer))
        return refused;
    answer = lowerAscii(answer);
    if (answer == "y" || answer == "yes")
        return QuestionAnswer::Yes;
    if (withCancel && (answer == "c" || answer == "cancel"))
        return QuestionAnswer::Cancel;
    if (withCancel && answer != "n" && answer != "no")
        return QuestionAnswer::Cancel;
    return QuestionAnswer::No;
}

std::optional<QuestionAnswer> FixedAnswer(bool yes, bool no) {
    if (yes)
        return QuestionAnswer::Yes;
    if (no)
        return QuestionAnswer::No;
    return std::nullopt;
}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

} // namespace tunebay::cli
