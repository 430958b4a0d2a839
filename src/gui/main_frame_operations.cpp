// The window's background operations: progress in the status bar, stopping, the "not
#include "shown_text.h"
// responding" question, and what the window does when an operation has ended.
#include "main_frame.h"

#include "import/import_operations.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "listing_operation.h"
#include "prompter.h"
#include "tools/import_fingerprints.h"
#include "window_messages.h"
#include "window_progress_sink.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tunebay {

QString CMainFrame::CounterText() const {
    return QString::asprintf("%d/%d (%d)", m_listed, m_total, m_selected);
}

void CMainFrame::UpdateStatus() {
    // Room for the widest text the catalogue's total allows (listed and selected never exceed
    // it), so the pane neither clips nor jitters while a large list fills.
    const QString widest =
        QStringLiteral("%1/%1 (%1)")
            .arg(QString(QString::number(std::max(m_total, m_listed)).size(), QLatin1Char('8')));
    const int width = m_counterPane->fontMetrics().horizontalAdvance(widest) +
                      2 * m_counterPane->margin() + 2 * m_counterPane->frameWidth() + 8;
    m_counterPane->setMinimumWidth(std::max(kCounterPaneWidth, width));
    m_counterPane->setText(CounterText());
    m_statusPane->setText(m_statusText);
    // An empty list says how to fill it.
    QString hint;
    if (!m_document.IsOpen())
        hint = tr("No catalogue is open.\nChoose File > New... to make one or File > Open... to "
                  "open one.");
    else if (m_total == 0)
        hint = tr("This catalogue is empty.\nChoose File > Import > Folder... to bring in a "
                  "folder of music files.");
    else if (m_listed == 0 && m_itemModel->ListedItemCount() > 0)
        hint = tr("No listed item holds \"%1\".\nPress ESC in the filter box to list them all.")
                   .arg(QString::fromStdString(m_itemModel->Filter().Text()));
    m_itemView->SetEmptyHint(hint);
    m_iconView->SetEmptyHint(hint);
}

void CMainFrame::SetStatusText(const QString& text) {
    m_statusText = text;
    UpdateStatus();
}

void CMainFrame::showStatusNow(const QString& text) {
    SetStatusText(text);
    // The commands that show this text keep the window's thread busy until they are done.
    m_statusPane->repaint();
}

void CMainFrame::updateOperationIndicator() {
    bool busy = false;
    for (const auto& operation : m_slots)
        busy = busy || operation != nullptr;
    m_progressBar->setVisible(busy);
}

bool CMainFrame::StartOperation(const std::shared_ptr<CBackgroundOperation>& operation) {
    auto& place = slot(operation->FinishCode());
    if (place)
        return false;
    place = operation;
    m_committedShown.at(static_cast<size_t>(operation->FinishCode())) = 0;
    if (!operation->Start()) {
        place.reset();
        m_prompter.Message(ShownText(kMessageStartFailed), PromptIcon::Error);
        return false;
    }
    updateOperationIndicator();
    return true;
}

IProgressSink& CMainFrame::ProgressSink() {
    return *m_sink;
}

bool CMainFrame::IsAnyOperationRunning() const {
    for (const auto& operation : m_slots)
        if (operation)
            return true;
    return false;
}

void CMainFrame::onProgress(int finishCode, const QString& text) {
    const auto& operation = slot(finishCode);
    if (!operation)
        return;
    // The item total grows as an import's batches are committed (an update changes items
    // rather than adding them: its total is counted when it ends).
    if (finishCode == kFinishImport || finishCode == kFinishPlsImport) {
        if (const auto* run = dynamic_cast<const ImportRun*>(operation.get())) {
            int& shown = m_committedShown.at(static_cast<size_t>(finishCode));
            const int committed = run->ItemsCommitted();
            m_total += committed - shown;
            shown = committed;
        }
    }
    SetStatusText(text);
}

void CMainFrame::onFinished(int finishCode, int stopCode) {
    // The listing reports its end with its run number (onListingDone).
    if (finishCode == kFinishListing)
        return;
    finishOperation(finishCode, stopCode);
}

void CMainFrame::finishOperation(int finishCode, int stopCode) {
    (void)stopCode;
    std::shared_ptr<CBackgroundOperation> operation = std::move(slot(finishCode));
    slot(finishCode).reset();
    if (!operation)
        return;
    // The worker may still be on its last steps (a listing reports its end from inside its
    // run); it must be gone before the window can drop the operation, or the worker would be
    // left to report to a window that may no longer exist.
    operation->WaitFinished(kWorkerWaitMs);
    SetStatusText(QString());
    updateOperationIndicator();
    switch (finishCode) {
    case kFinishImport: {
        const auto* run = dynamic_cast<const ImportRun*>(operation.get());
        const int failures = run ? run->Failures() : 0;
        const std::string error = run ? run->ErrorMessage() : std::string();
        const std::string lookupsEnded = run ? run->LookupsEnded() : std::string();
        operation.reset();
        m_total = m_connection.CountItems();
        RefreshViews();
        if (!error.empty())
            m_prompter.Message(ShownText(kMessageImportError), PromptIcon::Error);
        if (!lookupsEnded.empty())
            m_prompter.Message(
                QString::fromStdString(LookupsEndedText(lookupsEnded, ShownTextLookup())),
                PromptIcon::Warning);
        if (failures != 0)
            m_prompter.Message(
                QString::fromStdString(ImportFailureSummary(failures, ShownTextLookup())),
                PromptIcon::Warning);
        break;
    }
    case kFinishPlsImport:
    case kFinishUpdate: {
        const auto* run = dynamic_cast<const ImportRun*>(operation.get());
        const std::string error = run ? run->ErrorMessage() : std::string();
        operation.reset();
        m_total = m_connection.CountItems();
        RefreshViews();
        if (!error.empty())
            m_prompter.Message(
                ShownText(finishCode == kFinishUpdate ? kMessageUpdateError : kMessageImportError),
                PromptIcon::Error);
        break;
    }
    case kFinishCopyMove:
        finishCopyMove(operation);
        operation.reset();
        break;
    case kFinishTools:
        finishTools(operation);
        operation.reset();
        break;
    case kFinishListing: {
        auto& listing = static_cast<ListingOperation&>(*operation);
        const bool relist = listing.relist;
        const std::string error = listing.ErrorMessage();
        operation.reset();
        // A freshly filled list counts as wholly selected until the user selects rows; its first
        // row only becomes the current one, for the keyboard.
        m_itemView->SelectFirstIfNone(false);
        m_selected = m_listSelectionInUse ? m_itemView->SelectedCount() : m_listed;
        UpdateStatus();
        if (!error.empty())
            m_prompter.Message(ShownText(kMessageListingFailed), PromptIcon::Error);
        if (relist)
            RefreshList();
        else
            emit listingFinished();
        break;
    }
    default:
        break;
    }
    emit operationFinished(finishCode);
}

void CMainFrame::StopAll(bool ask) {
    if (auto& listing = slot(kFinishListing))
        listing->RequestStop();
    bool others = false;
    for (int code = kFinishCopyMove; code <= kFinishPlsImport; ++code)
        others = others || (code != kFinishListing && slot(code));
    if (!others)
        return;
    if (ask && !m_prompter.AskYesNo(ShownText(kQuestionStopAll), PromptIcon::Question))
        return;
    SetStatusText(ShownText(kProgressStopping));
    for (auto& operation : m_slots)
        if (operation)
            operation->RequestStop();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (slot(kFinishCopyMove) || slot(kFinishTools) || slot(kFinishImport))
        WaitOrKill(ask);
}

void CMainFrame::WaitOrKill(bool report) {
    const std::pair<int, const char*> watched[] = {{kFinishCopyMove, kQuestionCopyNotResponding},
                                                   {kFinishTools, kQuestionToolsNotResponding},
                                                   {kFinishImport, kQuestionImportNotResponding}};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const auto& [code, question] : watched) {
        const std::shared_ptr<CBackgroundOperation> operation = slot(code);
        if (!operation || operation->WaitFinished(kWorkerWaitMs))
            continue;
        const QString text = ShownText(question) + QString::fromStdString(operation->CurrentFile());
        QApplication::restoreOverrideCursor();
        const TimedAnswer answer = m_prompter.AskYesNoTimed(text, kKillQuestionMs);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (answer == TimedAnswer::No)
            continue;
        operation->Kill();
        m_abandoned.push_back(operation);
        if (report) {
            finishOperation(code, 1);
        } else {
            slot(code).reset();
            updateOperationIndicator();
        }
    }
    QApplication::restoreOverrideCursor();
}

void CMainFrame::reportCatalogueError(const std::exception& error, const char* message) {
    m_prompter.Message(ShownText(message) + QStringLiteral("\n\n") +
                           QString::fromUtf8(error.what()),
                       PromptIcon::Error);
}

} // namespace tunebay
