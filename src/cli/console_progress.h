#pragma once

#include "app/background_operation.h"

#include <iosfwd>
#include <memory>

namespace tunebay::cli {

// Shows the progress texts of background work on one line of a terminal (nothing when the
// messages go to a file), and turns Ctrl-C into a stop request for the running operation.
class ConsoleProgress : public IProgressSink {
public:
    explicit ConsoleProgress(std::ostream& err);
    ~ConsoleProgress() override;

    void OnProgress(int finishCode, const std::string& statusText) override;
    void OnFinished(int finishCode, int stopCode) override;

    // Runs the operation on its worker and waits for it; Ctrl-C asks it to stop after the
    // current unit of work. False when no worker could be started.
    bool RunToEnd(const std::shared_ptr<CBackgroundOperation>& operation);
    // Clears the progress line before other output.
    void ClearLine();
    // Whether Ctrl-C stopped one of the runs.
    bool Interrupted() const { return m_interrupted; }

private:
    std::ostream& m_err;
    bool m_terminal;
    bool m_lineShown = false;
    bool m_interrupted = false;
};

} // namespace tunebay::cli
