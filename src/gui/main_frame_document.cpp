// The window and its catalogue: opening, creating, disconnecting and closing; the title, the
#include "shown_text.h"
// explorer bar and the views that show the catalogue.
#include "main_frame.h"

#include "browse/edited_name.h"
#include "browse/folder_tree.h"
#include "browse/node_condition.h"
#include "filter_box.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "left_search.h"
#include "left_view.h"
#include "listing_operation.h"
#include "prompter.h"
#include "store/postgres_engine.h"
#include "window_messages.h"
#include "window_placement.h"
#include "window_progress_sink.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSplitter>
#include <QStackedWidget>

#include <algorithm>
#include <utility>

namespace tunebay {

namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

bool CMainFrame::OpenCatalogue(const QString& path) {
    if (path.isEmpty())
        return false;
    if (refuseWhileRunning())
        return false;
    const OpenResult result = m_document.OpenCatalogue(path.toStdString());
    return applyOpenResult(result);
}

bool CMainFrame::OpenRecentCatalogue(const QString& path) {
    if (path.isEmpty() || refuseWhileRunning())
        return false;
    if (applyOpenResult(m_document.OpenCatalogue(path.toStdString())))
        return true;
    m_recentFiles.Remove(path.toStdString());
    updateRecentMenu();
    return false;
}

bool CMainFrame::OpenServerCatalogue() {
    const QString current = CataloguePath();
    const QString proposed =
        IsServerCatalogueName(current.toStdString()) ? current : QStringLiteral("postgresql://");
    const QString address = m_prompter.ServerCatalogueAddress(proposed).trimmed();
    if (address.isEmpty())
        return false;
    const std::string given = address.toStdString();
    if (!IsServerCatalogueName(given)) {
        m_prompter.Message(tr("A server catalogue's address begins with postgresql://"),
                           PromptIcon::Error);
        return false;
    }
    if (ShownServerAddress(given) != given) {
        m_prompter.Message(tr("The address holds a password, which is never kept or shown. Give "
                              "it in ~/.pgpass or the file PGPASSFILE names."),
                           PromptIcon::Error);
        return false;
    }
    return OpenCatalogue(address);
}

void CMainFrame::NewCatalogue() {
    QString path = m_prompter.SaveFileName(tr("New"), QFileInfo(CataloguePath()).path(),
                                           ShownText(kCatalogueFilter));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".tbf");
    CreateCatalogue(path);
}

bool CMainFrame::CreateCatalogue(const QString& path) {
    if (refuseWhileRunning())
        return false;
    return applyOpenResult(m_document.NewCatalogue(path.toStdString()));
}

bool CMainFrame::applyOpenResult(const OpenResult& result) {
    if (result.status == OpenStatus::NothingToOpen)
        return false;
    if (!result.ok()) {
        QString text = qText(result.message);
        // Why a server did not answer (unreachable, no such database, refused) is worth saying.
        if (IsServerCatalogueName(result.detail))
            text += QStringLiteral("\n\n") + QString::fromStdString(result.detail);
        m_prompter.Message(text, PromptIcon::Error);
    }
    if (result.status == OpenStatus::NotAccessible || result.status == OpenStatus::CreateFailed)
        return false; // the catalogue open before stays open
    if (result.ok())
        m_recentFiles.Add(m_document.Path());
    m_total = m_document.IsOpen() ? m_connection.CountItems() : 0;
    m_listed = 0;
    m_selected = 0;
    m_rememberedNode.clear();
    updateRecentMenu();
    UpdateTitle();
    RefreshViews();
    UpdateStatus();
    return result.ok();
}

void CMainFrame::Disconnect() {
    if (refuseWhileRunning())
        return;
    m_document.Close();
    UpdateTitle();
    RefreshViews();
    m_total = 0;
    m_listed = 0;
    m_selected = 0;
    UpdateStatus();
}

bool CMainFrame::refuseWhileRunning() {
    // A listing is only a view of the catalogue: it is stopped rather than waited for.
    if (auto& listing = slot(kFinishListing)) {
        listing->RequestStop();
        listing->WaitFinished(5000);
        listing.reset();
        m_itemModel->Clear(); // rows of that run that are still on their way are dropped
        m_listed = 0;
        updateOperationIndicator();
    }
    if (!IsAnyOperationRunning())
        return false;
    m_prompter.Message(ShownText(kMessageOperationRunning), PromptIcon::Error);
    return true;
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(qText(CatalogueWindowTitle(m_document.Path())));
    const bool open = m_document.IsOpen();
    for (const char* name :
         {"Disconnect", "ImportFile", "ImportFolder", "ImportPls", "Delete", "Rename", "Update",
          "RemoveAll", "Export", "Statistic", "Play", "GeneralProperties", "CopyFiles", "MoveFiles",
          "AcousticDuplicates", "SelectAll"})
        m_actions[name]->setEnabled(open);
}

void CMainFrame::ApplySettings() {
    const int width = std::max(10, m_settings.ExplorerbarWidth);
    m_splitter->setSizes({width, std::max(100, this->width() - width)});
    m_explorer->setCurrentWidget(m_settings.ExplorerbarView == kExplorerSearch
                                     ? static_cast<QWidget*>(m_leftSearch)
                                     : static_cast<QWidget*>(m_leftView));
    applyItemStyle();
    m_itemView->ShowSortOrder(m_settings.ItemOrder);
    m_leftSearch->LoadSettings(m_settings);
    // The search pane shown at start-up lists what its remembered rows find.
    if (m_settings.ExplorerbarView == kExplorerSearch)
        m_leftSearch->PrepareCondition();
    updateRecentMenu();
    updateViewChecks();
    updatePlayerButtons();
}

void CMainFrame::applyItemStyle() {
    if (m_settings.ItemStyle == 1) {
        m_itemStack->setCurrentWidget(m_itemView);
    } else {
        m_iconView->SetItemStyle(m_settings.ItemStyle);
        m_itemStack->setCurrentWidget(m_iconView);
    }
    updateViewChecks();
}

bool CMainFrame::listHasFocus() const {
    return m_itemView->hasFocus() || m_iconView->hasFocus();
}

void CMainFrame::ShowExplorerPane(int view) {
    const bool searchShown = m_explorer->currentWidget() == m_leftSearch;
    if ((view == kExplorerSearch) == searchShown) {
        updateViewChecks();
        return;
    }
    m_settings.ExplorerbarWidth = m_splitter->sizes().value(0, m_settings.ExplorerbarWidth);
    m_settings.ExplorerbarView = view;
    const bool listFocused = listHasFocus();
    if (view == kExplorerSearch) {
        m_leftSearch->LoadSettings(m_settings);
        m_explorer->setCurrentWidget(m_leftSearch);
    } else {
        m_leftSearch->StoreSettings(m_settings);
        m_explorer->setCurrentWidget(m_leftView);
    }
    m_splitter->setSizes(
        {m_settings.ExplorerbarWidth, std::max(100, width() - m_settings.ExplorerbarWidth)});
    UpdateTitle();
    updateViewChecks();
    if (view == kExplorerFolders)
        populateTree();
    RefreshList();
    if (!listFocused)
        m_explorer->currentWidget()->setFocus();
}

void CMainFrame::RefreshViews() {
    // What changed the catalogue may have rewritten files, their covers among them.
    m_iconView->ReloadCovers();
    if (m_settings.ExplorerbarView == kExplorerSearch && !m_leftSearch->Condition().empty()) {
        if (!m_leftSearch->SearchNow())
            RefreshList();
        return;
    }
    populateTree();
    RefreshList();
}

void CMainFrame::populateTree() {
    FolderTree tree;
    try {
        tree = PopulateTree(m_connection, m_settings.FolderView, m_rememberedNode);
    } catch (const std::exception& error) {
        reportCatalogueError(error, kMessageListingFailed);
    }
    m_nodes = std::make_shared<const NodeArray>(tree.nodes);
    m_selectedNode = tree.empty() ? ScopeNode{} : tree.nodes[tree.selected];
    m_leftView->SetTree(std::move(tree));
}

void CMainFrame::onNodeSelected(std::size_t index) {
    if (!m_nodes || index >= m_nodes->size())
        return;
    m_selectedNode = (*m_nodes)[index];
    m_rememberedNode = NodeChainOf(*m_nodes, index);
    RefreshList();
}

ExplorerScope CMainFrame::explorerScope() const {
    ExplorerScope scope;
    scope.view = m_settings.ExplorerbarView;
    scope.searchCondition = m_leftSearch->Condition();
    scope.selectedNode = m_selectedNode;
    scope.nodes = m_nodes;
    scope.filterCondition = m_itemModel->Filter().Condition();
    return scope;
}

ListState CMainFrame::listState() const {
    ListState state;
    state.listedRows = static_cast<std::size_t>(m_listed);
    state.selectedRows = static_cast<std::size_t>(m_selected);
    if (m_selected != m_listed)
        state.selectedItemIds = m_itemView->SelectedItemIds();
    state.scope = explorerScope();
    state.itemOrder = m_settings.ItemOrder;
    return state;
}

bool CMainFrame::buildSelection(Selection& selection) {
    switch (BuildSelection(listState(), selection)) {
    case SelectionStatus::Ok:
        return true;
    case SelectionStatus::TooManyItems:
        m_prompter.Message(ShownText(kMessageTooManyItems), PromptIcon::Error);
        return false;
    case SelectionStatus::NothingSelected:
        break;
    }
    return false;
}

void CMainFrame::RefreshList() {
    if (auto& running = slot(kFinishListing)) {
        static_cast<ListingOperation&>(*running).relist = true;
        running->RequestStop();
        return;
    }
    const int run = m_itemModel->Clear();
    m_listed = 0;
    m_selected = 0;
    m_listSelectionInUse = false; // the new rows count as wholly selected
    UpdateStatus();
    if (!m_document.IsOpen())
        return;
    Selection selection;
    ListState empty;
    empty.scope = explorerScope();
    // The whole scope is listed; the list itself shows what the filter box lets through.
    empty.scope.filterCondition.clear();
    empty.itemOrder = m_settings.ItemOrder;
    if (BuildSelection(empty, selection) != SelectionStatus::Ok)
        return;
    auto listing = std::make_shared<ListingOperation>(
        *m_sink, m_connection, std::move(selection),
        [this, run](ListedKeys&& batch) {
            QMetaObject::invokeMethod(
                this, [this, run, rows = std::move(batch)]() mutable { onBatch(run, rows); },
                Qt::QueuedConnection);
        },
        [this, run](int stopCode) {
            QMetaObject::invokeMethod(
                this, [this, run, stopCode] { onListingDone(run, stopCode); },
                Qt::QueuedConnection);
        });
    slot(kFinishListing) = listing;
    if (!listing->Start())
        slot(kFinishListing).reset();
    updateOperationIndicator();
}

void CMainFrame::onBatch(int run, ListedKeys& rows) {
    if (run != m_itemModel->CurrentRun())
        return;
    m_itemModel->AppendBatch(run, std::move(rows));
    m_listed = m_itemModel->rowCount();
    if (!m_listSelectionInUse)
        m_selected = m_listed;
    UpdateStatus();
}

void CMainFrame::SetItemFilter(const QString& text) {
    if (m_filterBox->text() != text)
        m_filterBox->setText(text); // comes back here through textChanged
    const std::string wanted = text.toStdString();
    if (wanted == m_itemModel->Filter().Text())
        return;
    m_itemModel->SetFilter(ListFilter(wanted));
    // The rows now listed count as wholly selected, as after a search.
    m_listed = m_itemModel->rowCount();
    m_listSelectionInUse = false;
    m_selected = m_listed;
    UpdateStatus();
}

void CMainFrame::onListingDone(int run, int stopCode) {
    if (run != m_itemModel->CurrentRun() || !slot(kFinishListing))
        return; // a run given up when the catalogue changed
    finishOperation(kFinishListing, stopCode);
}

void CMainFrame::onExplorerFocus() {
    m_listSelectionInUse = false;
    m_selected = m_listed;
    UpdateStatus();
}

void CMainFrame::onListFocus() {
    // Coming into the list does not by itself choose rows: rows shown as selected count, an
    // empty selection leaves the whole list as the scope.
    if (m_itemView->SelectedCount() > 0)
        UseListSelection();
}

void CMainFrame::UseListSelection() {
    m_listSelectionInUse = true;
    m_selected = m_itemView->SelectedCount();
    UpdateStatus();
}

void CMainFrame::FocusItemList() {
    m_itemStack->currentWidget()->setFocus();
}

void CMainFrame::onListSelectionChanged() {
    // While the explorer bar is in use the whole list stays the scope, whatever rows show as
    // selected.
    if (m_listSelectionInUse || listHasFocus())
        UseListSelection();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    StopAll(false);
    // Workers that were asked to stop end after their current file.
    for (auto& operation : m_slots)
        if (operation && operation->IsRunning())
            operation->WaitFinished(kWorkerWaitMs);
    for (const auto& operation : m_slots) {
        if (operation && operation->IsRunning()) {
            m_prompter.Message(ShownText(kMessageCloseWhileRunning), PromptIcon::Warning);
            event->ignore();
            return;
        }
    }
    for (auto& operation : m_slots)
        operation.reset();
    updateOperationIndicator();
    m_settings.ExplorerbarWidth = m_splitter->sizes().value(0, m_settings.ExplorerbarWidth);
    m_leftSearch->StoreSettings(m_settings);
    StoreWindowPlacement(*this, m_store);
    event->accept();
}

void CMainFrame::restoreWindowPlacement() {
    if (!RestoreWindowPlacement(*this, m_store))
        resize(900, 600);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    // Dropped catalogue files are opened one after the other; the last that opens stays open.
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            OpenCatalogue(url.toLocalFile());
    event->acceptProposedAction();
}

} // namespace tunebay
