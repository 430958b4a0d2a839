// The window's Tools command: the Tools window, starting and stopping a tools run, and what the
#include "shown_text.h"
// window shows when the run has ended.
#include "main_frame.h"

#include "desktop_environment.h"
#include "item_list_model.h"
#include "prompter.h"
#include "tools/tools_operation_factory.h"
#include "tools/tools_run.h"
#include "tools_window.h"
#include "window_worker_question.h"

#include <QAction>

namespace tunebay {

void CMainFrame::ShowTools() {
    if (!m_toolsWindow) {
        m_toolsWindow = new CToolsWindow(m_settings, m_connection, m_settings.AppDirectory,
                                         UserDataDirectory(), m_prompter, this);
        connect(m_toolsWindow, &CToolsWindow::applyClicked, this, &CMainFrame::applyTools);
        // The command carries a check mark while its window is shown.
        QAction* command = m_actions["Tools"];
        command->setCheckable(true);
        connect(m_toolsWindow, &CToolsWindow::visibilityChanged, command, &QAction::setChecked);
        m_toolsWindow->SetRunning(slot(kFinishTools) != nullptr);
    } else if (m_toolsWindow->isVisible()) {
        m_toolsWindow->hide();
        return;
    } else {
        m_toolsWindow->FillLists();
    }
    m_toolsWindow->show();
    m_toolsWindow->raise();
    m_toolsWindow->activateWindow();
}

void CMainFrame::applyTools() {
    if (auto& running = slot(kFinishTools)) {
        running->RequestStop();
        return;
    }
    if (!IsCatalogueOpen())
        return;
    ToolsJob job = m_toolsWindow->Job();
    if (const char* problem = ToolsJobProblem(job)) {
        m_prompter.Message(ShownText(problem), problem == kMessageNothingChecked
                                                   ? PromptIcon::Information
                                                   : PromptIcon::Error);
        return;
    }
    if (!buildSelection(job.selection))
        return;
    if (!m_workerQuestion)
        m_workerQuestion = std::make_unique<WindowWorkerQuestion>(this, m_prompter);
    // Identification comes with its own client, made from the settings as they are now.
    auto run = MakeToolsOperation(ProgressSink(), m_connection, std::move(job), *m_workerQuestion,
                                  m_settings);
    if (StartOperation(run))
        m_toolsWindow->SetRunning(true);
}

void CMainFrame::finishTools(const std::shared_ptr<CBackgroundOperation>& operation) {
    const auto* tools = dynamic_cast<const ToolsOperation*>(operation.get());
    if (m_toolsWindow)
        m_toolsWindow->SetRunning(false);
    if (!tools)
        return;
    const ToolsRun& run = tools->Result();
    if (!run.ErrorMessage().empty())
        m_prompter.Message(ShownText(run.ErrorMessage()), PromptIcon::Error);
    const std::string summary = run.Failures().Summary(ShownTextLookup());
    if (!summary.empty())
        m_prompter.Message(QString::fromStdString(summary), PromptIcon::Warning);
    if (run.Job().refresh) {
        m_total = m_connection.CountItems();
        RefreshViews();
    }
}

} // namespace tunebay
