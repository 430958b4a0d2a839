#pragma once

#include "app/app_settings.h"
#include "app/background_operation.h"
#include "app/catalogue_document.h"
#include "app/clock.h"
#include "app/recent_files.h"
#include "browse/item_deletion.h"
#include "browse/item_listing.h"
#include "browse/selection.h"
#include "output/player_launch.h"
#include "store/catalogue_connection.h"

#include <QMainWindow>
#include <QMap>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStackedWidget;

namespace tunebay {

class CToolsWindow;
class CPropertiesWindow;
class IWorkerQuestion;

class CJukoraView;
class DeletionRun;
class FilterBox;
class ItemIconView;
class CLeftSearch;
class CLeftView;
class IPrompter;
class ItemListModel;
class ListingOperation;
class MprisRemote;
class WindowProgressSink;

// What the window is given: the settings of the run, the recent-file list, the settings store
// (for the window placement) and the prompter.
struct MainFrameServices {
    CAppSettings& settings;
    RecentFileList& recentFiles;
    ISettingsStore& store;
    IPrompter& prompter;
    const IClock& clock;
};

// The one top-level window: the explorer bar (folder tree or search form) beside the item
// list, the menus and toolbar, the status bar with its counters, and the background
// operations, one slot per kind. It owns the catalogue connection for the whole run.
// Selections of this many rows or more are deleted on a worker, with a progress box.
inline constexpr std::size_t kBackgroundDeletionFrom = 500;
// The counter pane's usual width; it grows with the catalogue's counts.
inline constexpr int kCounterPaneWidth = 100;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(MainFrameServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Catalogues. Each reports its own failures through the prompter.
    bool OpenCatalogue(const QString& path);
    // Opens an entry of the recent-file list; an entry that cannot be opened leaves the list.
    bool OpenRecentCatalogue(const QString& path);
    // File > Open Server Catalogue...: asks for a postgresql: address and opens it. An address
    // that holds a password is refused before anything is kept of it.
    bool OpenServerCatalogue();
    void NewCatalogue();
    bool CreateCatalogue(const QString& path);
    void Disconnect();
    bool IsCatalogueOpen() const { return m_document.IsOpen(); }
    QString CataloguePath() const { return QString::fromStdString(m_document.Path()); }

    // Explorer bar: 1 folders, 2 search.
    void ShowExplorerPane(int view);
    void ApplySettings();

    void RefreshViews();
    void RefreshList();
    void UpdateTitle();
    void UpdateStatus();
    void SetStatusText(const QString& text);

    // Commands.
    void ImportFiles();
    void ImportFolder();
    void StartFolderImport(const QString& folder);
    void ImportPls();
    void UpdateItems();
    void DeleteSelection();
    void RenameSelection();
    void RemoveAll();
    void ShowOptions();
    void ExportItems();
    void ShowStatistic();
    void ToggleFolderLevel(int bit);
    void HeaderClicked(int column);
    void ShowHelp();
    void ShowWebsite();
    void ShowAbout();
    // Play: the item `itemId` when given, else one selected item (the list having the focus)
    // or the selection through the temporary playlist.
    void Play(std::optional<int> itemId = std::nullopt);
    // The toolbar's Pause and Stop: the running player that the custom command names.
    void PausePlayer();
    void StopPlayer();
    MprisRemote* PlayerRemote() const { return m_mpris; }
    // The Tools window, made at its first use.
    void ShowTools();
    // Fingerprints the MP3 items that have none stored yet (with a progress box that ESC
    // cancels) and reports the pairs that are the same recording.
    void FindAcousticDuplicates();
    CToolsWindow* ToolsWindow() const { return m_toolsWindow; }
    // The Properties window, made at its first use; the command shows and hides it.
    void ShowProperties();
    CPropertiesWindow* PropertiesWindow() const { return m_propertiesWindow; }
    // The modal General Properties sheet.
    void ShowGeneralProperties();
    // Copy files (0) and Move files (1): the selection's media files into GeneralCopyFolder.
    void CopyMoveFiles(int mode);

    // Background operations. StartOperation puts the operation into the slot of its finish
    // code and starts it; false (and the slot left as it was) when the slot is taken or no
    // worker could be started.
    bool StartOperation(const std::shared_ptr<CBackgroundOperation>& operation);
    bool IsAnyOperationRunning() const;
    IProgressSink& ProgressSink();
    void StopAll(bool ask);
    void WaitOrKill(bool report);

    // The status panes' texts.
    QString CounterText() const;
    QString StatusText() const { return m_statusText; }
    int TotalCount() const { return m_total; }
    int ListedCount() const { return m_listed; }
    int SelectedCount() const { return m_selected; }

    CJukoraView* ItemView() const { return m_itemView; }
    ItemListModel* ItemModel() const { return m_itemModel; }
    CLeftView* FolderView() const { return m_leftView; }
    CLeftSearch* SearchForm() const { return m_leftSearch; }
    CCatalogueConnection& Connection() { return m_connection; }
    QAction* Action(const QString& name) const { return m_actions.value(name); }
    CAppSettings& Settings() { return m_settings; }

    // Moves the items of the selected list rows, or of a tree node, onto a tree node.
    void DropRowsOnNode(std::size_t target);
    void DropNodeOnNode(std::size_t dragged, std::size_t target);
    void RenameNode(std::size_t index, const QString& text);
    // The filter box: lists only the items holding `text`, and makes those the scope of every
    // command, as a search would.
    void SetItemFilter(const QString& text);
    FilterBox* ItemFilterBox() const { return m_filterBox; }
    // The list's own selected rows become what commands work on (the user selects rows).
    void UseListSelection();
    // Gives the keyboard focus to the item list in whichever style it shows.
    void FocusItemList();

signals:
    // A background operation has ended and its summary has been shown.
    void operationFinished(int finishCode);
    // The item list has been filled by a listing run.
    void listingFinished();
    // Edit > Delete has ended (its message, if any, shown).
    void itemsDeleted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void updateRecentMenu();
    void updateViewChecks();
    void updateOperationIndicator();
    // Shows the item list in the ItemStyle setting's style.
    void applyItemStyle();
    // Whether the item list, in whichever style, has the keyboard focus.
    bool listHasFocus() const;
    // Sets the status text and paints it at once, before a command that blocks the window.
    void showStatusNow(const QString& text);

    void populateTree();
    void onNodeSelected(std::size_t index);
    void onListSelectionChanged();
    // Focus in the folder tree or the search form: the whole list is what commands work on.
    void onExplorerFocus();
    void onListFocus();
    void onBatch(int run, ListedKeys& rows);
    void onListingDone(int run, int stopCode);
    bool applyOpenResult(const OpenResult& result);
    void onTitleEdited(int row, const QString& text);
    void finishDeletion(const DeletionOutcome& outcome);
    void renameFirstSelectedRow();
    void onProgress(int finishCode, const QString& text);
    void onFinished(int finishCode, int stopCode);
    void finishOperation(int finishCode, int stopCode);
    void applyTools();
    std::vector<int> propertiesItems() const;
    void followSelectionInProperties();
    void finishTools(const std::shared_ptr<CBackgroundOperation>& operation);
    void finishCopyMove(const std::shared_ptr<CBackgroundOperation>& operation);
    bool refuseWhileRunning();
    // BuildSelection over the list's present state; shows the 255-row message itself.
    bool buildSelection(Selection& selection);
    ListState listState() const;
    ExplorerScope explorerScope() const;
    void reportCatalogueError(const std::exception& error, const char* message);
    void restoreWindowPlacement();
    void createPlayerCommands();
    // Pause and Stop are offered with a custom player only: only its program names a player
    // to control.
    void updatePlayerButtons();
    // Settles the player (the desktop's when none is set) and offers Pause and Stop to match.
    void resolvePlayer();
    void handToPlayer(const PlayTarget& target);
    QString runningPlayer();

    std::shared_ptr<CBackgroundOperation>& slot(int finishCode) {
        return m_slots.at(static_cast<size_t>(finishCode));
    }
    const std::shared_ptr<CBackgroundOperation>& slot(int finishCode) const {
        return m_slots.at(static_cast<size_t>(finishCode));
    }

    CAppSettings& m_settings;
    RecentFileList& m_recentFiles;
    ISettingsStore& m_store;
    IPrompter& m_prompter;
    const IClock& m_clock;

    // Held on the heap: a worker given up by the kill question may still be inside a statement
    // when the window goes, and then the connection is left to it rather than destroyed.
    std::unique_ptr<CCatalogueConnection> m_connectionOwner;
    CCatalogueConnection& m_connection;
    CatalogueDocument m_document;
    // A large deletion running on its worker; declared after the connection, so it is waited
    // for before the connection goes.
    std::unique_ptr<DeletionRun> m_deletion;
    WindowProgressSink* m_sink;
    // Indexed by finish code (1..6); 0 unused.
    std::array<std::shared_ptr<CBackgroundOperation>, 7> m_slots;
    // Per slot, the committed items of its import already counted into m_total.
    std::array<int, 7> m_committedShown{};
    // Workers given up by the kill question, alive until they reach their next stop check.
    std::vector<std::weak_ptr<CBackgroundOperation>> m_abandoned;

    int m_total = 0;
    int m_listed = 0;
    int m_selected = 0;
    QString m_statusText;

    // The explorer bar's tree and scope.
    std::shared_ptr<const NodeArray> m_nodes;
    ScopeNode m_selectedNode;
    NodeChain m_rememberedNode;
    // False while the list counts as wholly selected (a freshly filled list, or the explorer bar
    // in use); true once the user has selected rows in the list.
    bool m_listSelectionInUse = false;

    QSplitter* m_splitter = nullptr;
    QStackedWidget* m_explorer = nullptr;
    CLeftView* m_leftView = nullptr;
    CLeftSearch* m_leftSearch = nullptr;
    ItemListModel* m_itemModel = nullptr;
    QStackedWidget* m_itemStack = nullptr;
    CJukoraView* m_itemView = nullptr;  // the details style
    ItemIconView* m_iconView = nullptr; // the other styles, same rows and selection
    FilterBox* m_filterBox = nullptr;
    QLabel* m_counterPane = nullptr;
    QLabel* m_statusPane = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    std::vector<QAction*> m_recentActions;
    QMap<QString, QAction*> m_actions;
    CToolsWindow* m_toolsWindow = nullptr;
    MprisRemote* m_mpris = nullptr;
    // The mode and folder of the copy/move run under way, for its summary.
    int m_copyMoveMode = 0;
    QString m_copyMoveTarget;
    CPropertiesWindow* m_propertiesWindow = nullptr;
    std::unique_ptr<IWorkerQuestion> m_workerQuestion;
};

} // namespace tunebay
