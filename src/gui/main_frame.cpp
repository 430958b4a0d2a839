// The window's construction: layout, actions, menus, toolbar and status bar.
#include "main_frame.h"
#include "shown_text.h"

#include "app_icon.h"
#include "browse/folder_tree.h"
#include "cover_icon_loader.h"
#include "deletion_run.h"
#include "filter_box.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "left_search.h"
#include "left_view.h"
#include "prompter.h"
#include "theme_icons.h"
#include "window_messages.h"
#include "window_progress_sink.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

namespace tunebay {

CMainFrame::CMainFrame(MainFrameServices services, QWidget* parent)
    : QMainWindow(parent), m_settings(services.settings), m_recentFiles(services.recentFiles),
      m_store(services.store), m_prompter(services.prompter), m_clock(services.clock),
      m_connectionOwner(std::make_unique<CCatalogueConnection>()), m_connection(*m_connectionOwner),
      m_document(m_connection, services.settings.AppDirectory),
      m_sink(new WindowProgressSink(this)) {
    setWindowIcon(AppIcon());
    setAcceptDrops(true);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_explorer = new QStackedWidget(m_splitter);
    m_leftView = new CLeftView(m_explorer);
    m_leftSearch = new CLeftSearch(m_explorer);
    m_explorer->addWidget(m_leftView);
    m_explorer->addWidget(m_leftSearch);
    m_itemModel = new ItemListModel(this);
    m_itemModel->SetItemReader([this](std::span<const int> itemIds) {
        // Asked while rows are painted: a failed read shows them empty rather than interrupt.
        try {
            return ReadListedItems(m_connection, itemIds);
        } catch (const std::exception&) {
            return std::vector<ListedItem>();
        }
    });
    m_itemStack = new QStackedWidget(m_splitter);
    m_itemView = new CJukoraView(m_itemModel, m_itemStack);
    m_iconView = new ItemIconView(m_itemModel, m_itemView->selectionModel(), m_itemStack);
    m_iconView->SetCoverSource(new CoverIconLoader(this), [this] { return CataloguePath(); });
    m_itemStack->addWidget(m_itemView);
    m_itemStack->addWidget(m_iconView);
    m_splitter->addWidget(m_explorer);
    m_splitter->addWidget(m_itemStack);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createPlayerCommands();

    connect(m_sink, &WindowProgressSink::progress, this, &CMainFrame::onProgress);
    connect(m_sink, &WindowProgressSink::finished, this, &CMainFrame::onFinished);
    connect(m_leftView, &CLeftView::nodeSelected, this, &CMainFrame::onNodeSelected);
    connect(m_leftView, &CLeftView::nodeRenamed, this, &CMainFrame::RenameNode);
    connect(m_leftView, &CLeftView::rowsDropped, this, &CMainFrame::DropRowsOnNode);
    connect(m_leftView, &CLeftView::nodeDropped, this, &CMainFrame::DropNodeOnNode);
    connect(m_leftView, &CLeftView::focusGained, this, &CMainFrame::onExplorerFocus);
    connect(m_leftSearch, &CLeftSearch::focusGained, this, &CMainFrame::onExplorerFocus);
    connect(m_leftSearch, &CLeftSearch::searchRequested, this, [this] {
        m_leftSearch->StoreSettings(m_settings);
        // A search is made in the form, outside the list: what it finds is the scope.
        onExplorerFocus();
        RefreshList();
    });
    connect(m_leftSearch, &CLeftSearch::searchRefused, this,
            [this](const QString& message) { m_prompter.Message(message, PromptIcon::Error); });
    connect(m_itemView, &CJukoraView::headerClicked, this, &CMainFrame::HeaderClicked);
    connect(m_itemView, &CJukoraView::focusGained, this, &CMainFrame::onListFocus);
    connect(m_iconView, &ItemIconView::focusGained, this, &CMainFrame::onListFocus);
    connect(m_itemView, &CJukoraView::selectionCountChanged, this,
            &CMainFrame::onListSelectionChanged);
    connect(m_itemView, &CJukoraView::selectionCountChanged, this,
            &CMainFrame::followSelectionInProperties);
    connect(m_itemModel, &ItemListModel::titleEdited, this, &CMainFrame::onTitleEdited);

    restoreWindowPlacement();
    ApplySettings();
    UpdateTitle();
    UpdateStatus();
}

void CMainFrame::createActions() {
    auto add = [this](const QString& name, const QString& text, const QString& tip,
                      QKeySequence shortcut = {}) {
        auto* action = new QAction(text, this);
        action->setStatusTip(tip);
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        m_actions.insert(name, action);
        return action;
    };
    add("New", tr("&New..."), tr("Creates a new database."), QKeySequence::New)
        ->setIcon(ThemeIcon("document-new", QStyle::SP_FileIcon));
    add("Open", tr("&Open..."), tr("Opens a existing database."), QKeySequence::Open)
        ->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
    add("OpenServer", tr("Open &Server Catalogue..."),
        tr("Opens a catalogue in a PostgreSQL database."));
    add("Disconnect", tr("&Disconnect"), tr("Disconnects from the current database."));
    add("ImportFile", tr("&File..."), tr("Imports a file."));
    add("ImportFolder", tr("F&older..."), tr("Imports a folder."))
        ->setIcon(ThemeIcon("folder-open", QStyle::SP_DirOpenIcon));
    add("ImportPls", tr("&PLS file..."), tr("Imports a PLS file."));
    add("Close", tr("&Close"), tr("Closes the window."), QKeySequence::Quit);
    add("Play", tr("&Play"), tr("Plays the selected songs."))
        ->setIcon(PlayerIcon(PlayerGlyph::Play));
    add("Delete", tr("&Delete"), tr("Erase the selection."), QKeySequence::Delete)
        ->setIcon(ThemeIcon("edit-delete", QStyle::SP_TrashIcon));
    add("Rename", tr("&Rename"), tr("Renames the selected item."), Qt::Key_F2);
    // Update re-reads the files; Refresh only lists again: two different icons.
    add("Update", tr("&Update"), tr("Updates the selected items."))
        ->setIcon(ThemeIcon("document-revert", QStyle::SP_DialogResetButton));
    add("RemoveAll", tr("Re&move All"), tr("Removes all data from the database."));
    add("GeneralProperties", tr("&General Properties..."),
        tr("Shows the general properties dialog."));
    add("Properties", tr("Pr&operties..."), tr("Edits the current selection's properties."));
    add("Tools", tr("&Tools..."), tr("Shows the tools dialog."));
    add("AcousticDuplicates", tr("Find A&coustic Duplicates"),
        tr("Lists the items that are the same recording, by their acoustic fingerprints."));
    add("SelectAll", tr("Select &All"), tr("Select the entire view."), QKeySequence::SelectAll);
    add("Toolbar", tr("&Toolbar"), tr("Shows or hides the toolbar."))->setCheckable(true);
    add("Statusbar", tr("&Statusbar"), tr("Shows or hides the status bar."))->setCheckable(true);
    add("ExplorerFolders", tr("&Folders"), tr("Shows the folder bar."))->setCheckable(true);
    add("ExplorerSearch", tr("&Search"), tr("Shows the search bar."))->setCheckable(true);
    add("LargeIcons", tr("Lar&ge Icons"), tr("Displays items by using large icons."))
        ->setCheckable(true);
    add("SmallIcons", tr("S&mall Icons"), tr("Displays items by using small icons."))
        ->setCheckable(true);
    add("List", tr("&List"), tr("Displays items in a list."))->setCheckable(true);
    add("Details", tr("&Details"), tr("Displays information about each item in the window."))
        ->setCheckable(true);
    add("FolderGenre", tr("&Genre"), tr("Activates the Genre folder."))->setCheckable(true);
    add("FolderGroup", tr("G&roup"), tr("Activates the Group folder."))->setCheckable(true);
    add("FolderPackage", tr("&Package"), tr("Activates the Package folder."))->setCheckable(true);
    add("Refresh", tr("&Refresh"), tr("Refreshes the contents of the current page."),
        QKeySequence::Refresh)
        ->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload));
    add("Export", tr("&Export..."), tr("Exports items."));
    add("CopyFiles", tr("&Copy files"), tr("Copies selected files to specified folder."));
    add("MoveFiles", tr("&Move files"), tr("Moves (sorts) selected files to specified folder."));
    add("Statistic", tr("&Statistic..."), tr("Show the current database statistic."));
    add("Options", tr("&Options..."), tr("Enables you to change settings."));
    add("Help", tr("&Help Topics"), tr("Opens the help page."), QKeySequence::HelpContents)
        ->setIcon(ThemeIcon("help-contents", QStyle::SP_DialogHelpButton));
    add("Website", tr("&Website"), tr("Launch Tunebay website."));
    add("About", tr("&About Tunebay"), tr("Shows the program's name, version and licence."));
    add("Stop", tr("Stop"), tr("Stops the running operations."), Qt::Key_Escape);
    add("Filter", tr("Filter"), tr("Narrows the listed items to those holding a text."),
        QKeySequence::Find);
    add("NextItem", tr("Next Item"), tr("Selects the next item."),
        QKeySequence(Qt::ALT | Qt::Key_Down));
    add("PreviousItem", tr("Previous Item"), tr("Selects the previous item."),
        QKeySequence(Qt::ALT | Qt::Key_Up));

    m_actions["Close"]->setIcon(ThemeIcon("window-close", QStyle::SP_DialogCloseButton));
    m_actions["Export"]->setIcon(ThemeIcon("document-save-as", QStyle::SP_DialogSaveButton));
    m_actions["About"]->setIcon(ThemeIcon("help-about", QStyle::SP_MessageBoxInformation));
    m_actions["Stop"]->setIcon(ThemeIcon("process-stop", QStyle::SP_BrowserStop));

    auto* explorer = new QActionGroup(this);
    explorer->addAction(m_actions["ExplorerFolders"]);
    explorer->addAction(m_actions["ExplorerSearch"]);
    auto* styles = new QActionGroup(this);
    for (const char* name : {"LargeIcons", "SmallIcons", "List", "Details"})
        styles->addAction(m_actions[name]);

    connect(m_actions["New"], &QAction::triggered, this, &CMainFrame::NewCatalogue);
    connect(m_actions["Open"], &QAction::triggered, this, [this] {
        const QString path =
            m_prompter.OpenFileName(tr("Open"), CataloguePath(), ShownText(kCatalogueFilter));
        if (!path.isEmpty())
            OpenCatalogue(path);
    });
    connect(m_actions["OpenServer"], &QAction::triggered, this, &CMainFrame::OpenServerCatalogue);
    connect(m_actions["Disconnect"], &QAction::triggered, this, &CMainFrame::Disconnect);
    connect(m_actions["ImportFile"], &QAction::triggered, this, &CMainFrame::ImportFiles);
    connect(m_actions["ImportFolder"], &QAction::triggered, this, &CMainFrame::ImportFolder);
    connect(m_actions["ImportPls"], &QAction::triggered, this, &CMainFrame::ImportPls);
    connect(m_actions["Close"], &QAction::triggered, this, &QWidget::close);
    connect(m_actions["Tools"], &QAction::triggered, this, &CMainFrame::ShowTools);
    connect(m_actions["AcousticDuplicates"], &QAction::triggered, this,
            &CMainFrame::FindAcousticDuplicates);
    connect(m_actions["Properties"], &QAction::triggered, this, &CMainFrame::ShowProperties);
    connect(m_actions["GeneralProperties"], &QAction::triggered, this,
            &CMainFrame::ShowGeneralProperties);
    connect(m_actions["Delete"], &QAction::triggered, this, &CMainFrame::DeleteSelection);
    connect(m_actions["Rename"], &QAction::triggered, this, &CMainFrame::RenameSelection);
    connect(m_actions["Update"], &QAction::triggered, this, &CMainFrame::UpdateItems);
    connect(m_actions["RemoveAll"], &QAction::triggered, this, &CMainFrame::RemoveAll);
    connect(m_actions["SelectAll"], &QAction::triggered, this, [this] {
        FocusItemList();
        m_itemView->selectAll();
        UseListSelection();
    });
    connect(m_actions["Toolbar"], &QAction::toggled, this, [this](bool on) {
        if (QToolBar* bar = findChild<QToolBar*>())
            bar->setVisible(on);
    });
    connect(m_actions["Statusbar"], &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    connect(m_actions["ExplorerFolders"], &QAction::triggered, this,
            [this] { ShowExplorerPane(kExplorerFolders); });
    connect(m_actions["ExplorerSearch"], &QAction::triggered, this,
            [this] { ShowExplorerPane(kExplorerSearch); });
    const std::pair<const char*, int> styleCodes[] = {
        {"LargeIcons", 0}, {"SmallIcons", 2}, {"List", 3}, {"Details", 1}};
    for (const auto& [name, code] : styleCodes) {
        connect(m_actions[name], &QAction::triggered, this, [this, code = code] {
            m_settings.ItemStyle = code;
            applyItemStyle();
        });
    }
    connect(m_actions["FolderGenre"], &QAction::triggered, this,
            [this] { ToggleFolderLevel(kFolderViewGenre); });
    connect(m_actions["FolderGroup"], &QAction::triggered, this,
            [this] { ToggleFolderLevel(kFolderViewGroup); });
    connect(m_actions["FolderPackage"], &QAction::triggered, this,
            [this] { ToggleFolderLevel(kFolderViewPackage); });
    connect(m_actions["Refresh"], &QAction::triggered, this, &CMainFrame::RefreshViews);
    connect(m_actions["Options"], &QAction::triggered, this, &CMainFrame::ShowOptions);
    connect(m_actions["Export"], &QAction::triggered, this, &CMainFrame::ExportItems);
    connect(m_actions["Statistic"], &QAction::triggered, this, &CMainFrame::ShowStatistic);
    connect(m_actions["CopyFiles"], &QAction::triggered, this, [this] { CopyMoveFiles(0); });
    connect(m_actions["MoveFiles"], &QAction::triggered, this, [this] { CopyMoveFiles(1); });
    connect(m_actions["Help"], &QAction::triggered, this, &CMainFrame::ShowHelp);
    connect(m_actions["Website"], &QAction::triggered, this, &CMainFrame::ShowWebsite);
    connect(m_actions["About"], &QAction::triggered, this, &CMainFrame::ShowAbout);
    connect(m_actions["Stop"], &QAction::triggered, this, [this] { StopAll(true); });
    connect(m_actions["NextItem"], &QAction::triggered, this, [this] {
        m_itemView->SelectNext(1);
        UseListSelection();
    });
    connect(m_actions["PreviousItem"], &QAction::triggered, this, [this] {
        m_itemView->SelectNext(-1);
        UseListSelection();
    });
    connect(m_actions["Filter"], &QAction::triggered, this, [this] {
        m_filterBox->setFocus(Qt::ShortcutFocusReason);
        m_filterBox->selectAll();
    });
    addAction(m_actions["Stop"]);
    addAction(m_actions["Filter"]);
    addAction(m_actions["NextItem"]);
    addAction(m_actions["PreviousItem"]);

    // The list's context menu.
    for (const char* name :
         {"Play", "Delete", "Rename", "Export", "CopyFiles", "Tools", "Properties"}) {
        m_itemView->addAction(m_actions[name]);
        m_iconView->addAction(m_actions[name]);
    }
}

void CMainFrame::createMenus() {
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->addAction(m_actions["New"]);
    m_fileMenu->addAction(m_actions["Open"]);
    m_fileMenu->addAction(m_actions["OpenServer"]);
    m_fileMenu->addAction(m_actions["Disconnect"]);
    m_fileMenu->addSeparator();
    QMenu* import = m_fileMenu->addMenu(tr("&Import"));
    import->addAction(m_actions["ImportFile"]);
    import->addAction(m_actions["ImportFolder"]);
    import->addAction(m_actions["ImportPls"]);
    m_recentSeparator = m_fileMenu->addSeparator();
    for (size_t i = 0; i < RecentFileList::kMaxEntries; ++i) {
        auto* action = new QAction(this);
        action->setStatusTip(tr("Open this file."));
        action->setVisible(false);
        connect(action, &QAction::triggered, this,
                [this, action] { OpenRecentCatalogue(action->data().toString()); });
        m_fileMenu->addAction(action);
        m_recentActions.push_back(action);
    }
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions["Close"]);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(m_actions["Play"]);
    edit->addAction(m_actions["Delete"]);
    edit->addAction(m_actions["Rename"]);
    edit->addAction(m_actions["Update"]);
    edit->addSeparator();
    edit->addAction(m_actions["RemoveAll"]);
    edit->addSeparator();
    edit->addAction(m_actions["GeneralProperties"]);
    edit->addAction(m_actions["Properties"]);
    edit->addAction(m_actions["Tools"]);
    edit->addAction(m_actions["AcousticDuplicates"]);
    edit->addSeparator();
    edit->addAction(m_actions["SelectAll"]);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(m_actions["Toolbar"]);
    view->addAction(m_actions["Statusbar"]);
    QMenu* explorer = view->addMenu(tr("&Explorer Bar"));
    explorer->addAction(m_actions["ExplorerFolders"]);
    explorer->addAction(m_actions["ExplorerSearch"]);
    view->addSeparator();
    view->addAction(m_actions["LargeIcons"]);
    view->addAction(m_actions["SmallIcons"]);
    view->addAction(m_actions["List"]);
    view->addAction(m_actions["Details"]);
    view->addSeparator();
    QMenu* folders = view->addMenu(tr("F&olders"));
    folders->addAction(m_actions["FolderGenre"]);
    folders->addAction(m_actions["FolderGroup"]);
    folders->addAction(m_actions["FolderPackage"]);
    view->addSeparator();
    view->addAction(m_actions["Refresh"]);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->addAction(m_actions["Export"]);
    tools->addAction(m_actions["CopyFiles"]);
    tools->addAction(m_actions["MoveFiles"]);
    tools->addAction(m_actions["Statistic"]);
    tools->addSeparator();
    tools->addAction(m_actions["Options"]);

    QMenu* help = menuBar()->addMenu(tr("&?"));
    help->addAction(m_actions["Help"]);
    help->addAction(m_actions["Website"]);
    help->addSeparator();
    help->addAction(m_actions["About"]);
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar(tr("Toolbar"));
    bar->setObjectName("Toolbar");
    bar->setIconSize(QSize(16, 16));
    bar->addAction(m_actions["New"]);
    bar->addAction(m_actions["Open"]);
    bar->addSeparator();
    bar->addAction(m_actions["ImportFolder"]);
    bar->addAction(m_actions["Update"]);
    bar->addAction(m_actions["Delete"]);
    bar->addSeparator();
    bar->addAction(m_actions["Play"]);
    bar->addAction(m_actions["Refresh"]);
    bar->addSeparator();
    bar->addAction(m_actions["Help"]);
    // The filter box at the toolbar's far end.
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    m_filterBox = new FilterBox(bar);
    m_filterBox->setObjectName("ItemFilter");
    m_filterBox->setPlaceholderText(tr("Filter (Ctrl+F)"));
    m_filterBox->setToolTip(tr("Lists only the items whose title, group, package, file name or "
                               "comment hold this text; ESC clears it."));
    m_filterBox->setMaximumWidth(240);
    bar->addWidget(m_filterBox);
    connect(m_filterBox, &QLineEdit::textChanged, this, &CMainFrame::SetItemFilter);
    m_actions["Toolbar"]->setChecked(true);
}

void CMainFrame::createStatusBar() {
    m_counterPane = new QLabel(this);
    // 100 pixels, growing when a large catalogue's counts need more room than that.
    m_counterPane->setMinimumWidth(kCounterPaneWidth);
    m_counterPane->setAlignment(Qt::AlignCenter);
    m_statusPane = new QLabel(this);
    m_statusPane->setFixedWidth(250);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setFixedWidth(100);
    m_progressBar->setMaximumHeight(14);
    m_progressBar->setRange(0, 0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setVisible(false);
    statusBar()->addPermanentWidget(m_progressBar);
    statusBar()->addPermanentWidget(m_counterPane);
    statusBar()->addPermanentWidget(m_statusPane);
    m_actions["Statusbar"]->setChecked(true);
}

void CMainFrame::updateRecentMenu() {
    const auto& entries = m_recentFiles.Entries();
    for (size_t i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        if (i < entries.size()) {
            const QString path = QString::fromStdString(entries[i]);
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
            action->setData(path);
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    m_recentSeparator->setVisible(!entries.empty());
}

void CMainFrame::updateViewChecks() {
    m_actions["ExplorerFolders"]->setChecked(m_settings.ExplorerbarView != kExplorerSearch);
    m_actions["ExplorerSearch"]->setChecked(m_settings.ExplorerbarView == kExplorerSearch);
    m_actions["LargeIcons"]->setChecked(m_settings.ItemStyle == 0);
    m_actions["Details"]->setChecked(m_settings.ItemStyle == 1);
    m_actions["SmallIcons"]->setChecked(m_settings.ItemStyle == 2);
    m_actions["List"]->setChecked(m_settings.ItemStyle == 3);
    m_actions["FolderGenre"]->setChecked((m_settings.FolderView & kFolderViewGenre) != 0);
    m_actions["FolderGroup"]->setChecked((m_settings.FolderView & kFolderViewGroup) != 0);
    m_actions["FolderPackage"]->setChecked((m_settings.FolderView & kFolderViewPackage) != 0);
}

CMainFrame::~CMainFrame() {
    // Workers still busy (the window is closed only once they have ended, but a test may drop
    // it earlier) are stopped and waited for before the connection goes.
    for (auto& operation : m_slots) {
        if (operation) {
            operation->RequestStop();
            if (!operation->WaitFinished(5000)) {
                operation->Kill();
                m_abandoned.push_back(operation);
            }
            operation.reset();
        }
    }
    // A given-up worker that is still alive after a short wait keeps the connection: it is left
    // undestroyed rather than pulled from under a running statement.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    auto alive = [this] {
        return std::any_of(m_abandoned.begin(), m_abandoned.end(),
                           [](const auto& worker) { return !worker.expired(); });
    };
    while (alive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (alive()) {
        (void)m_connectionOwner.release();
        // The tools run may still ask; its question object answers No once the window is gone.
        (void)m_workerQuestion.release();
    }
}

} // namespace tunebay
