#include "console_progress.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>

namespace tunebay::cli {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_interrupted{false};
std::atomic<CBackgroundOperation*> g_operation{nullptr};
static_assert(std::atomic<CBackgroundOperation*>::is_always_lock_free);

void onStopSignal(int) {
    g_interrupted = true;
    if (CBackgroundOperation* operation = g_operation.load())
        operation->RequestStop(); // two lock-free stores: safe in a handler
    // A second signal of any of them ends the program at once.
    for (const int signal : kStopSignals)
        std::signal(signal, SIG_DFL);
}

} // namespace

StopSignals::StopSignals(CBackgroundOperation* operation) {
    g_interrupted = false;
    g_operation = operation;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        sigaction(kStopSignals[i], &action, &m_previous[i]);
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        sigaction(kStopSignals[i], &m_previous[i], nullptr);
    g_operation = nullptr;
}

bool StopSignals::Requested() {
    return g_interrupted.load();
}

ConsoleProgress::ConsoleProgress(std::ostream& err)
    : m_err(err), m_terminal(isatty(2) != 0), m_canErase([] {
          const char* term = std::getenv("TERM");
          return term && *term && std::string_view(term) != "dumb";
      }()) {}

ConsoleProgress::~ConsoleProgress() {
    ClearLine();
}

void ConsoleProgress::OnProgress(int, const std::string& statusText) {
    if (!m_terminal)
        return;
    m_err << "\r" << statusText;
    if (m_canErase)
        m_err << "\033[K";
    else if (statusText.size() < m_lineLength)
        m_err << std::string(m_lineLength - statusText.size(), ' ');
    m_err << std::flush;
    m_lineLength = std::max<std::size_t>(statusText.size(), 1);
}

void ConsoleProgress::OnFinished(int, int) {}

void ConsoleProgress::ClearLine() {
    if (m_lineLength == 0)
        return;
    if (m_canErase)
        m_err << "\r\033[K";
    else
        m_err << "\r" << std::string(m_lineLength, ' ') << "\r";
    m_err << std::flush;
    m_lineLength = 0;
}

bool ConsoleProgress::RunToEnd(const std::shared_ptr<CBackgroundOperation>& operation) {
    bool started = false;
    {
        StopSignals signals(operation.get());
        started = operation->Start() != 0;
        while (started && !operation->WaitFinished(100))
            if (StopSignals::Requested()) {
                operation->RequestStop(); // a signal before the start was forgotten by it
                m_interrupted = true;
            }
        m_interrupted = m_interrupted || StopSignals::Requested();
    }
    ClearLine();
    return started;
}

} // namespace tunebay::cli
