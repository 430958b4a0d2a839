// The window's commands over the open catalogue: imports, update, delete, rename, moving items
#include "shown_text.h"
// onto tree nodes, Remove All, the options, help and About.
#include "main_frame.h"

#include "about_dialog.h"
#include "app/product.h"
#include "browse/catalogue_clearing.h"
#include "browse/edited_name.h"
#include "browse/item_deletion.h"
#include "browse/item_drop.h"
#include "browse/item_rename.h"
#include "browse/sort_order.h"
#include "browse/tree_node_rename.h"
#include "deletion_run.h"
#include "import/import_operations.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "left_view.h"
#include "options_import_page.h"
#include "options_sheet.h"
#include "output/export_options.h"
#include "prompter.h"
#include "tools/import_fingerprints.h"
#include "window_messages.h"
#include "window_progress_sink.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStackedWidget>

#include <algorithm>

namespace tunebay {

namespace {

// A folder as the settings keep it: ending in "/".
std::string folderText(const QString& folder) {
    std::string text = QDir::cleanPath(folder).toStdString();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void CMainFrame::ImportFiles() {
    const ImportOptions options = ImportOptions::FromSettings(m_settings);
    const QStringList files = m_prompter.OpenFileNames(
        tr("Import File"), QString::fromStdString(m_settings.ImportFilesDir),
        ImportFileFilter(m_settings));
    if (files.isEmpty())
        return;
    showStatusNow(ShownText(kProgressImportingFiles));
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(file.toStdString());
    int failures = 0;
    std::string error;
    {
        WaitCursor wait;
        auto run = std::make_shared<FileListImportOperation>(*m_sink, m_connection,
                                                             std::move(paths), options, m_clock,
                                                             MakeImportFingerprints(m_settings));
        run->RunHere();
        failures = run->Failures();
        error = run->ErrorMessage();
    }
    m_settings.ImportFilesDir = folderText(QFileInfo(files.front()).absolutePath());
    m_total = m_connection.CountItems();
    RefreshViews();
    SetStatusText(QString());
    if (!error.empty())
        m_prompter.Message(ShownText(kMessageImportError), PromptIcon::Error);
    if (failures != 0)
        m_prompter.Message(
            QString::fromStdString(ImportFailureSummary(failures, ShownTextLookup())),
            PromptIcon::Warning);
}

void CMainFrame::ImportFolder() {
    if (slot(kFinishImport))
        return;
    const QString folder =
        m_prompter.FolderName(tr("Import Folder"), QString::fromStdString(m_settings.ImportFolder));
    if (!folder.isEmpty())
        StartFolderImport(folder);
}

void CMainFrame::StartFolderImport(const QString& folder) {
    if (slot(kFinishImport) || !m_document.IsOpen())
        return;
    auto run = std::make_shared<FolderImportOperation>(*m_sink, m_connection, folderText(folder),
                                                       ImportOptions::FromSettings(m_settings),
                                                       m_clock, MakeImportFingerprints(m_settings));
    if (!StartOperation(run))
        return;
    m_settings.ImportFolder = folderText(folder);
}

void CMainFrame::ImportPls() {
    if (slot(kFinishPlsImport))
        return;
    const QString path = m_prompter.OpenFileName(tr("Import PLS File"),
                                                 QString::fromStdString(m_settings.ImportFilesDir),
                                                 tr("PLS Files (*.pls)"));
    if (path.isEmpty())
        return;
    auto playlist = std::make_unique<PlsPlaylist>();
    if (!playlist->Open(path.toStdString())) {
        m_prompter.Message(ShownText(kMessageBadPls), PromptIcon::Error);
        return;
    }
    m_settings.ImportFilesDir = folderText(QFileInfo(path).absolutePath());
    auto run =
        std::make_shared<PlsImportOperation>(*m_sink, m_connection, std::move(playlist), m_clock);
    StartOperation(run);
}

void CMainFrame::UpdateItems() {
    if (slot(kFinishUpdate) || !m_document.IsOpen())
        return;
    if (!m_prompter.AskYesNo(ShownText(kQuestionUpdateItems), PromptIcon::Warning))
        return;
    Selection selection;
    if (!buildSelection(selection))
        return;
    auto run = std::make_shared<UpdateOperation>(
        *m_sink, m_connection, SelectionCondition(selection), selection.sortCode,
        ImportOptions::FromSettings(m_settings), m_clock, MakeImportFingerprints(m_settings));
    StartOperation(run);
}

void CMainFrame::DeleteSelection() {
    if (m_deletion)
        return;
    std::vector<int> ids = m_itemView->SelectedItemIds();
    if (ids.empty() || !m_document.IsOpen())
        return;
    if (!m_prompter.AskYesNo(ShownText(kQuestionDeleteItems), PromptIcon::Warning))
        return;
    showStatusNow(ShownText(kProgressDeleting));
    if (ids.size() < kBackgroundDeletionFrom) {
        DeletionOutcome outcome;
        {
            WaitCursor wait;
            outcome = DeleteItems(m_connection, ids);
        }
        finishDeletion(outcome);
        return;
    }
    // A large selection is deleted by a worker while a box shows how far it has got; the box
    // holds the window's commands back meanwhile, and its Stop button (or ESC) ends the run.
    m_deletion = std::make_unique<DeletionRun>(m_connection, std::move(ids));
    auto* box =
        new QProgressDialog(ShownText(kProgressDeleting), tr("Stop"), 0, m_deletion->Total(), this);
    box->setWindowTitle(QString::fromUtf8(kProductName));
    box->setWindowModality(Qt::WindowModal);
    box->setMinimumDuration(0);
    box->setAutoClose(false);
    box->setAutoReset(false);
    box->setValue(0);
    connect(box, &QProgressDialog::canceled, m_deletion.get(), &DeletionRun::RequestStop);
    connect(m_deletion.get(), &DeletionRun::progress, box, &QProgressDialog::setValue);
    connect(m_deletion.get(), &DeletionRun::finished, this, [this, box] {
        const DeletionOutcome outcome = m_deletion->Outcome();
        m_deletion.release()->deleteLater();
        box->deleteLater();
        finishDeletion(outcome);
    });
    m_deletion->Start();
}

void CMainFrame::finishDeletion(const DeletionOutcome& outcome) {
    m_itemModel->RemoveItems(outcome.deletedIds);
    m_listed = m_itemModel->rowCount();
    m_total = m_connection.CountItems();
    m_selected = m_listSelectionInUse ? m_itemView->SelectedCount() : m_listed;
    SetStatusText(QString());
    if (outcome.failed)
        m_prompter.Message(ShownText(kMessageDeleteFailed), PromptIcon::Error);
    emit itemsDeleted();
}

void CMainFrame::RenameSelection() {
    if (m_leftView->hasFocus() && m_explorer->currentWidget() == m_leftView)
        m_leftView->RenameSelected();
    else
        renameFirstSelectedRow();
}

void CMainFrame::renameFirstSelectedRow() {
    if (m_itemStack->currentWidget() == m_itemView) {
        m_itemView->RenameFirstSelected();
        return;
    }
    const std::vector<int> rows = m_itemView->SelectedRows();
    if (rows.empty())
        return;
    const QModelIndex index = m_itemModel->index(rows.front(), 0);
    m_iconView->setCurrentIndex(index);
    m_iconView->edit(index);
}

void CMainFrame::onTitleEdited(int row, const QString& text) {
    const std::string title = EditedName(text.toStdString());
    if (RenameItemTitle(m_connection, m_itemModel->ItemId(row), title))
        m_itemModel->AcceptTitle(row, title);
    else
        m_prompter.Message(ShownText(kMessageRenameItemFailed), PromptIcon::Error);
}

void CMainFrame::RenameNode(std::size_t index, const QString& text) {
    if (!m_nodes || index >= m_nodes->size())
        return;
    const ScopeNode node = (*m_nodes)[index];
    switch (RenameTreeNode(m_connection, node, text.toStdString())) {
    case NodeRenameOutcome::Renamed:
        m_leftView->ShowNodeName(index, QString::fromStdString(EditedName(text.toStdString())));
        RefreshList();
        break;
    case NodeRenameOutcome::Merged:
        m_leftView->RemoveNode(index);
        RefreshList();
        break;
    case NodeRenameOutcome::Failed:
        m_leftView->ShowNodeName(index, m_leftView->NodeName(index));
        break;
    }
}

void CMainFrame::DropRowsOnNode(std::size_t target) {
    if (!m_nodes || !IsDropAccepted(DragMode::ListRows, *m_nodes, std::nullopt, target))
        return;
    UseListSelection();
    Selection selection;
    if (!buildSelection(selection))
        return;
    const DropLevels levels = DropTargetLevels(*m_nodes, target);
    {
        WaitCursor wait;
        try {
            MoveItemsToNode(m_connection, selection, levels);
        } catch (const std::exception& error) {
            reportCatalogueError(error, kMessageMoveFailed);
            return;
        }
        m_itemModel->RemoveRows(m_itemView->SelectedRows());
    }
    m_listed = m_itemModel->rowCount();
    if (m_listed > 0) {
        if (m_itemView->currentIndex().isValid())
            m_itemView->selectionModel()->select(m_itemView->currentIndex(),
                                                 QItemSelectionModel::Select |
                                                     QItemSelectionModel::Rows);
        m_selected = m_itemView->SelectedCount();
        UpdateStatus();
    } else {
        m_leftView->setFocus();
        populateTree();
        RefreshList();
    }
}

void CMainFrame::DropNodeOnNode(std::size_t dragged, std::size_t target) {
    if (!m_nodes || !IsDropAccepted(DragMode::TreeNode, *m_nodes, dragged, target))
        return;
    const Selection selection = NodeSelection(m_nodes, dragged, m_settings.ItemOrder);
    {
        WaitCursor wait;
        try {
            MoveItemsToNode(m_connection, selection, DropTargetLevels(*m_nodes, target));
        } catch (const std::exception& error) {
            reportCatalogueError(error, kMessageMoveFailed);
            return;
        }
    }
    populateTree();
    RefreshList();
}

void CMainFrame::RemoveAll() {
    if (!m_document.IsOpen())
        return;
    if (!m_prompter.AskYesNo(ShownText(kQuestionClearCatalogue), PromptIcon::Warning))
        return;
    if (refuseWhileRunning())
        return;
    showStatusNow(ShownText(kProgressClearing));
    {
        WaitCursor wait;
        try {
            ClearCatalogue(m_connection);
        } catch (const std::exception& error) {
            reportCatalogueError(error, kMessageClearFailed);
        }
    }
    SetStatusText(QString());
    m_total = 0;
    m_listed = 0;
    m_selected = 0;
    UpdateStatus();
    RefreshViews();
}

void CMainFrame::ShowOptions() {
    m_settings.ResolvePlayer(); // the player page shows the desktop's player
    COptionsSheet sheet(m_settings, m_prompter, this);
    sheet.exec();
    updatePlayerButtons();
}

void CMainFrame::ToggleFolderLevel(int bit) {
    m_settings.FolderView ^= bit;
    updateViewChecks();
    populateTree();
    RefreshList();
}

void CMainFrame::HeaderClicked(int column) {
    m_settings.ItemOrder = NextItemOrder(m_settings.ItemOrder, column);
    m_itemView->ShowSortOrder(m_settings.ItemOrder);
    RefreshList();
}

void CMainFrame::ShowHelp() {
    if (!m_prompter.OpenWithDesktop(QString::fromStdString(m_settings.AppDirectory + "Help.htm")))
        m_prompter.Message(ShownText(kMessageNoAssociation), PromptIcon::Information);
}

void CMainFrame::ShowWebsite() {
    if (!m_prompter.OpenWithDesktop(QString::fromUtf8(kProductWebsite)))
        m_prompter.Message(ShownText(kMessageNoAssociation), PromptIcon::Information);
}

void CMainFrame::ShowAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

} // namespace tunebay
