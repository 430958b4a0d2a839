// The window's Copy files and Move files commands: the checks of the destination folder on
#include "shown_text.h"
// the window's thread, the run on its worker, and the summary when it has ended.
#include "main_frame.h"

#include "output/copy_move_run.h"
#include "prompter.h"
#include "text/text_rules.h"
#include "window_worker_question.h"

#include <QDir>
#include <QFile>

namespace tunebay {

namespace {

constexpr double kBytesPerMegabyte = 1048576.0;

CopyMoveOptions CopyMoveOptionsFromSettings(const CAppSettings& settings, int mode) {
    CopyMoveOptions options;
    options.mode = mode;
    options.destination = settings.GeneralCopyFolder;
    options.genreFolders = settings.GeneralCreateSubfolderGenre != 0;
    options.groupFolders = settings.GeneralCreateSubfolderGroup != 0;
    options.groupOnlyIfMore = settings.GeneralCreateSubfolderGroupMore != 0;
    options.limitOn = settings.GeneralLimit != 0;
    options.limitBytes = settings.GeneralLimitSize * kBytesPerMegabyte;
    options.hardLinks = settings.GeneralUseHardLinks != 0;
    return options;
}

} // namespace

void CMainFrame::CopyMoveFiles(int mode) {
    if (!m_document.IsOpen())
        return;
    if (!m_workerQuestion)
        m_workerQuestion = std::make_unique<WindowWorkerQuestion>(this, m_prompter);
    if (m_settings.GeneralCopyFolder.empty()) {
        // No folder set yet: chosen here and kept, as if set on the options' General page.
        const QString folder =
            m_prompter.FolderName(tr("Folder where files are copied/moved to"), QDir::homePath());
        if (folder.isEmpty())
            return;
        m_settings.GeneralCopyFolder =
            QFile::encodeName(folder.endsWith('/') ? folder : folder + '/').toStdString();
    }
    CopyMoveOptions options = CopyMoveOptionsFromSettings(m_settings, mode);
    std::string message;
    const DestinationCheck check = PrepareDestination(options, *m_workerQuestion, message);
    // The checks complete the folder with its slash and turn hard links off where the volume
    // has none; both changes are kept in the settings.
    m_settings.GeneralCopyFolder = options.destination;
    if (m_settings.GeneralUseHardLinks != 0 && !options.hardLinks)
        m_settings.GeneralUseHardLinks = 0;
    if (check == DestinationCheck::Refused)
        m_prompter.Message(ShownText(message), PromptIcon::Error);
    if (check != DestinationCheck::Ready || slot(kFinishCopyMove))
        return;
    Selection selection;
    if (!buildSelection(selection))
        return;
    m_copyMoveMode = mode;
    m_copyMoveTarget = QFile::decodeName(QByteArray::fromStdString(options.destination));
    StartOperation(std::make_shared<CopyMoveRun>(ProgressSink(), m_connection, std::move(options),
                                                 std::move(selection), *m_workerQuestion));
}

void CMainFrame::finishCopyMove(const std::shared_ptr<CBackgroundOperation>& operation) {
    const auto* run = dynamic_cast<const CopyMoveRun*>(operation.get());
    if (!run)
        return;
    if (!run->ErrorMessage().empty())
        m_prompter.Message(ShownText(run->ErrorMessage()), PromptIcon::Error);
    // Each file that failed is named with the system's reason after the counts.
    std::string failures = CopyMoveFailureSummary(run->Failed(), run->Done(), ShownTextLookup());
    if (!failures.empty())
        failures += "\r\n" + run->FailedList();
    const std::string otherVolume = OtherVolumeSummary(run->OtherVolume(), ShownTextLookup());
    for (const std::string& summary : {failures, otherVolume})
        if (!summary.empty())
            m_prompter.Message(QString::fromStdString(summary), PromptIcon::Warning);
    // A run without failures says what it did, too.
    if (failures.empty() && otherVolume.empty() && run->ErrorMessage().empty()) {
        const QString done = QString::fromStdString(FormatThousands(run->Done()));
        m_prompter.Report(
            (m_copyMoveMode == kMoveFiles ? tr("%1 files have been moved to %2")
                                          : tr("%1 files have been copied to %2"))
                .arg(done, m_copyMoveTarget) +
            (run->StopCode() != 0 ? tr(" before the run was stopped.") : QStringLiteral(".")));
    }
}

} // namespace tunebay
