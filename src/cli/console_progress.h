#pragma once

#include "app/background_operation.h"

#include <signal.h>

#include <array>
#include <iosfwd>
#include <memory>

namespace tunebay::cli {

// While it lives, Ctrl-C, SIGTERM and SIGHUP ask for a stop (of `operation` at once, when one is
// given); a second such signal ends the program there and then.
class StopSignals {
public:
    explicit StopSignals(CBackgroundOperation* operation = nullptr);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    // Whether a signal asked for a stop since the object was made.
    static bool Requested();

private:
    std::array<struct sigaction, 3> m_previous{}; // SIGINT, SIGTERM, SIGHUP
};

// Shows the progress texts of background work on one line of a terminal (nothing when the
// messages go to a file; blanks instead of control sequences on a dumb terminal), and turns Ctrl-C,
// SIGTERM and SIGHUP into a stop request for the running operation.
class ConsoleProgress : public IProgressSink {
public:
    explicit ConsoleProgress(std::ostream& err);
    ~ConsoleProgress() override;

    void OnProgress(int finishCode, const std::string& statusText) override;
    void OnFinished(int finishCode, int stopCode) override;

    // Runs the operation on its worker and waits for it; a stop signal asks it to stop after
    // the current unit of work. False when no worker could be started.
    bool RunToEnd(const std::shared_ptr<CBackgroundOperation>& operation);
    // Clears the progress line before other output.
    void ClearLine();
    // Whether a stop signal stopped one of the runs.
    bool Interrupted() const { return m_interrupted; }

private:
    std::ostream& m_err;
    bool m_terminal;
    bool m_canErase; // the terminal knows "erase to the end of the line" (not TERM=dumb)
    std::size_t m_lineLength = 0; // of the line shown, 0 when none
    bool m_interrupted = false;
};

} // namespace tunebay::cli
