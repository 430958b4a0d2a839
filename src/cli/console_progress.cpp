#include "console_progress.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ostream>

namespace tunebay::cli {

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
    g_interrupted = true;
    std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
}

} // namespace

ConsoleProgress::ConsoleProgress(std::ostream& err) : m_err(err), m_terminal(isatty(2) != 0) {}

ConsoleProgress::~ConsoleProgress() {
    ClearLine();
}

void ConsoleProgress::OnProgress(int, const std::string& statusText) {
    if (!m_terminal)
        return;
    m_err << "\r" << statusText << "\033[K" << std::flush;
    m_lineShown = true;
}

void ConsoleProgress::OnFinished(int, int) {}

void ConsoleProgress::ClearLine() {
    if (m_lineShown)
        m_err << "\r\033[K" << std::flush;
    m_lineShown = false;
}

bool ConsoleProgress::RunToEnd(const std::shared_ptr<CBackgroundOperation>& operation) {
    g_interrupted = false;
    auto previous = std::signal(SIGINT, onInterrupt);
    const bool started = operation->Start() != 0;
    while (started && !operation->WaitFinished(100))
        if (g_interrupted) {
            operation->RequestStop();
            m_interrupted = true;
        }
    m_interrupted = m_interrupted || g_interrupted;
    std::signal(SIGINT, previous);
    ClearLine();
    return started;
}

} // namespace tunebay::cli
