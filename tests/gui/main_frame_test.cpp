// The main window over a real catalogue: title, tree, list, counters, sorting, rename, delete,
// drop, Remove All, Disconnect and the refusals while operations run.
#include "about_dialog.h"
#include "desktop_colour_scheme.h"
#include "filter_box.h"
#include "gui_tests.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "left_view.h"
#include "prompter.h"
#include "support/catalogue_builder.h"
#include "support/temp_dir.h"
#include "theme_icons.h"
#include "window_fixture.h"
#include "window_messages.h"
#include "window_placement.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>

using namespace tunebay;
using namespace tunebay::test;

namespace {

// Three items: two by group "Alpha" (one in package "First"), one by "Beta"; genres Blues (0)
// and Rock (17).
void fill(TempCatalogue& catalogue) {
    CatalogueBuilder builder(catalogue.connection);
    builder.add(facts("Charlie", "Alpha", "First", 0, 200));
    builder.add(facts("Able", "Alpha", "Second", 0, 100));
    builder.add(facts("Baker", "Beta", "Third", 17, 300));
}

QStringList titles(const ItemListModel& model) {
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list << model.data(model.index(row, 0), Qt::DisplayRole).toString();
    return list;
}

// The tree's items as indented text, depth first, every node opened on the way.
QStringList treeText(QTreeWidget& tree) {
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        lines << QString(depth * 2, ' ') + item->text(0);
        tree.expandItem(item);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        walk(tree.topLevelItem(i), 0);
    return lines;
}

// An import worker that does not hear stop requests until it is released.
class StubbornOperation : public CBackgroundOperation {
public:
    explicit StubbornOperation(IProgressSink& sink) : CBackgroundOperation(kFinishImport, sink) {}
    std::atomic<bool> released{false};

protected:
    void Run() override {
        SetCurrentFile("/music/stuck.mp3");
        while (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithoutCatalogue() {
        WindowFixture window;
        QCOMPARE(window.frame->windowTitle(), QString("Tunebay"));
        QCOMPARE(window.frame->CounterText(), QString("0/0 (0)"));
        QVERIFY(!window.frame->Action("ImportFolder")->isEnabled());
        QVERIFY(!window.frame->Action("Play")->isEnabled());
        QVERIFY(!window.frame->Action("AcousticDuplicates")->isEnabled());
        QVERIFY(!window.frame->Action("SelectAll")->isEnabled());
    }

    void theCounterPaneShowsItsWholeText() {
        TempCatalogue catalogue;
        {
            CatalogueBuilder builder(catalogue.connection);
            for (int i = 0; i < 1200; ++i)
                builder.add(facts("Song " + std::to_string(i), "Band"));
        }
        WindowFixture window;
        window.frame->resize(320, 400);
        window.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.frame.get()));
        QVERIFY(window.open(catalogue.path()));
        QVERIFY(window.frame->Action("SelectAll")->isEnabled());
        QCOMPARE(window.frame->CounterText(), QString("1200/1200 (1200)"));
        QLabel* pane = nullptr;
        for (QLabel* label : window.frame->statusBar()->findChildren<QLabel*>())
            if (label->text() == window.frame->CounterText())
                pane = label;
        QVERIFY(pane);
        QTRY_VERIFY2(pane->contentsRect().width() >=
                         pane->fontMetrics().horizontalAdvance(pane->text()),
                     qPrintable(QString::number(pane->width())));
    }

    void openingFillsTreeAndList() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        QCOMPARE(window.frame->windowTitle(),
                 QString::fromStdString(catalogue.path().filename().string()) + " - Tunebay");
        QCOMPARE(window.frame->ItemModel()->rowCount(), 3);
        QCOMPARE(window.frame->CounterText(), QString("3/3 (3)"));
        // FolderView 5: genres with their groups.
        QCOMPARE(treeText(*window.frame->FolderView()),
                 QStringList({"Tunebay", "  Blues", "    Alpha", "  Rock", "    Beta"}));
        QCOMPARE(window.recentFiles.MostRecent(), catalogue.path().string());
        QVERIFY(window.frame->Action("ImportFolder")->isEnabled());
        // The list shows the length as minutes and seconds.
        QCOMPARE(window.frame->ItemModel()
                     ->data(window.frame->ItemModel()->index(0, 3), Qt::DisplayRole)
                     .toString()
                     .size(),
                 5);
    }

    void selectingANodeListsItsItems() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        CLeftView* tree = window.frame->FolderView();
        QTreeWidgetItem* rock = tree->topLevelItem(0)->child(1);
        tree->expandItem(rock);
        QTreeWidgetItem* beta = rock->child(0);
        QCOMPARE(beta->text(0), QString("Beta"));
        QVERIFY(window.listAfter([&] { tree->setCurrentItem(beta); }));
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Baker"}));
        QCOMPARE(window.frame->CounterText(), QString("1/3 (1)"));
    }

    void nodesOpenWhenAskedAndTheRememberedOneIsShownAgain() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        window.settings.FolderView = kFolderViewGenre | kFolderViewGroup | kFolderViewPackage;
        QVERIFY(window.open(catalogue.path()));
        CLeftView* tree = window.frame->FolderView();
        // A closed node shows that it can be opened; its children come when it is.
        QTreeWidgetItem* rock = tree->topLevelItem(0)->child(1);
        QCOMPARE(rock->childCount(), 0);
        QCOMPARE(rock->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        tree->expandItem(rock);
        QTreeWidgetItem* beta = rock->child(0);
        QCOMPARE(beta->text(0), QString("Beta"));
        tree->expandItem(beta);
        QTreeWidgetItem* third = beta->child(0);
        QCOMPARE(third->text(0), QString("Third"));
        QCOMPARE(third->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
        QVERIFY(window.listAfter([&] { tree->setCurrentItem(third); }));
        // Made anew after an edit, the tree opens the way to the remembered node only.
        QVERIFY(window.listAfter([&] { window.frame->RefreshViews(); }));
        QCOMPARE(tree->currentItem()->text(0), QString("Third"));
        QVERIFY(tree->currentItem()->parent()->isExpanded());
        QCOMPARE(tree->topLevelItem(0)->child(0)->childCount(), 0);
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Baker"}));
    }

    void headerClicksSort() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        CJukoraView* view = window.frame->ItemView();
        QVERIFY(window.listAfter([&] { emit view->header()->sectionClicked(0); }));
        QCOMPARE(window.settings.ItemOrder, 6);
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Baker", "Charlie"}));
        QVERIFY(window.listAfter([&] { emit view->header()->sectionClicked(0); }));
        QCOMPARE(window.settings.ItemOrder, -6);
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Charlie", "Baker", "Able"}));
        // Another column keeps the descending direction.
        QVERIFY(window.listAfter([&] { emit view->header()->sectionClicked(3); }));
        QCOMPARE(window.settings.ItemOrder, -5);
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Baker", "Charlie", "Able"}));
    }

    void selectedRowsAreCounted() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        CJukoraView* view = window.frame->ItemView();
        window.frame->UseListSelection();
        view->selectionModel()->select(window.frame->ItemModel()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(window.frame->CounterText(), QString("3/3 (1)"));
    }

    void aRefilledListCountsAsWhollySelected() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->UseListSelection();
        QCOMPARE(window.frame->CounterText(), QString("3/3 (0)"));
        QVERIFY(window.listAfter([&] { window.frame->RefreshList(); }));
        QCOMPARE(window.frame->CounterText(), QString("3/3 (3)"));
        // Until the user selects rows; then those rows count.
        window.frame->ItemView()->selectionModel()->select(window.frame->ItemModel()->index(2, 0),
                                                           QItemSelectionModel::Select |
                                                               QItemSelectionModel::Rows);
        QCOMPARE(window.frame->CounterText(), QString("3/3 (3)"));
        window.frame->Action("NextItem")->trigger();
        QCOMPARE(window.frame->CounterText(), QString("3/3 (1)"));
    }

    void nextAndPreviousItemWrapAround() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        CJukoraView* view = window.frame->ItemView();
        window.frame->Action("PreviousItem")->trigger();
        QCOMPARE(view->currentIndex().row(), 2);
        window.frame->Action("NextItem")->trigger();
        QCOMPARE(view->currentIndex().row(), 0);
        window.frame->Action("NextItem")->trigger();
        QCOMPARE(view->currentIndex().row(), 1);
    }

    void viewStylesShowTheSameRowsAndSelection() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->Action("LargeIcons")->trigger();
        QCOMPARE(window.settings.ItemStyle, 0);
        QVERIFY(window.frame->Action("LargeIcons")->isChecked());
        auto* icons = window.frame->findChild<QListView*>();
        QVERIFY(icons);
        QCOMPARE(icons->model()->rowCount(), 3);
        QCOMPARE(icons->selectionModel(), window.frame->ItemView()->selectionModel());
        // An item clicked among the icons is the selection the commands take.
        QTest::mouseClick(icons->viewport(), Qt::LeftButton, {},
                          icons->visualRect(icons->model()->index(1, 0)).center());
        QCOMPARE(window.frame->ItemView()->SelectedItemIds(),
                 std::vector<int>{window.frame->ItemModel()->ItemId(1)});
        window.frame->Action("List")->trigger();
        QCOMPARE(window.settings.ItemStyle, 3);
        window.frame->Action("Details")->trigger();
        QCOMPARE(window.settings.ItemStyle, 1);
        QVERIFY(window.frame->Action("Details")->isChecked());
    }

    void renamingATitleStoresIt() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        ItemListModel* model = window.frame->ItemModel();
        const int item = model->ItemId(0);
        model->setData(model->index(0, 0), QString(), Qt::EditRole);
        QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QString("Unknown"));
        QCOMPARE(catalogue.scalar("SELECT tblMedia.sName FROM tblMedia, tblItem WHERE "
                                  "tblItem.lMediaID=tblMedia.lID AND tblItem.lID=" +
                                  std::to_string(item)),
                 std::string("Unknown"));
    }

    void deletingAsksAndRemovesRows() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->UseListSelection();
        window.frame->ItemView()->selectionModel()->select(window.frame->ItemModel()->index(0, 0),
                                                           QItemSelectionModel::Select |
                                                               QItemSelectionModel::Rows);
        window.prompter.answerYes = false;
        window.frame->DeleteSelection();
        QCOMPARE(window.prompter.questions,
                 QStringList({"Do you really want to delete the selected items?"}));
        QCOMPARE(window.frame->ItemModel()->rowCount(), 3);
        window.prompter.answerYes = true;
        window.frame->DeleteSelection();
        QCOMPARE(window.frame->ItemModel()->rowCount(), 2);
        QCOMPARE(window.frame->CounterText(), QString("2/2 (0)"));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), std::string("2"));
    }

    void renamingAGroupToAnotherMergesIt() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Alpha"));
        builder.add(facts("Two", "Beta"));
        WindowFixture window;
        window.settings.FolderView = kFolderViewGroup;
        QVERIFY(window.open(catalogue.path()));
        CLeftView* tree = window.frame->FolderView();
        QCOMPARE(treeText(*tree), QStringList({"Tunebay", "  Alpha", "  Beta"}));
        QTreeWidgetItem* beta = tree->topLevelItem(0)->child(1);
        beta->setText(0, "Alpha"); // as the in-place edit ends
        QCOMPARE(treeText(*tree), QStringList({"Tunebay", "  Alpha"}));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), std::string("1"));
        window.listAfter([&] { window.frame->RefreshViews(); });
        QCOMPARE(window.frame->ItemModel()->rowCount(), 2);
    }

    void renamingAPackageToNothingGivesUnknown() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Alpha", "Disc"));
        WindowFixture window;
        window.settings.FolderView = kFolderViewGroup | kFolderViewPackage;
        QVERIFY(window.open(catalogue.path()));
        CLeftView* tree = window.frame->FolderView();
        QTreeWidgetItem* group = tree->topLevelItem(0)->child(0);
        tree->expandItem(group);
        QTreeWidgetItem* package = group->child(0);
        QCOMPARE(package->text(0), QString("Disc"));
        QVERIFY(package->flags() & Qt::ItemIsEditable);
        QVERIFY(!(tree->topLevelItem(0)->flags() & Qt::ItemIsEditable));
        package->setText(0, QString());
        QCOMPARE(package->text(0), QString("Unknown"));
        QCOMPARE(catalogue.scalar("SELECT sName FROM tblPackage"), std::string("Unknown"));
    }

    void genreNodesCannotBeRenamed() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        QTreeWidgetItem* genre = window.frame->FolderView()->topLevelItem(0)->child(0);
        QVERIFY(!(genre->flags() & Qt::ItemIsEditable));
    }

    void droppingRowsOnANodeMovesTheItems() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        window.settings.FolderView = kFolderViewGroup;
        window.settings.ItemOrder = 6;
        QVERIFY(window.open(catalogue.path()));
        // Row 0 is "Able" of group Alpha; drop it onto the node of group Beta.
        window.frame->UseListSelection();
        window.frame->ItemView()->selectionModel()->select(window.frame->ItemModel()->index(0, 0),
                                                           QItemSelectionModel::Select |
                                                               QItemSelectionModel::Rows);
        const NodeArray& nodes = window.frame->FolderView()->Nodes();
        std::size_t beta = 0;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (window.frame->FolderView()->NodeName(i) == "Beta")
                beta = i;
        QVERIFY(beta != 0);
        window.frame->DropRowsOnNode(beta);
        QCOMPARE(window.frame->ItemModel()->rowCount(), 2);
        QCOMPARE(catalogue.scalar("SELECT tblGroup.sName FROM tblGroup, tblItem, tblMedia WHERE "
                                  "tblItem.lGroupID=tblGroup.lID AND tblItem.lMediaID=tblMedia.lID "
                                  "AND tblMedia.sName='Able'"),
                 std::string("Beta"));
    }

    void removeAllEmptiesTheCatalogue() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.listAfter([&] { window.frame->RemoveAll(); });
        QCOMPARE(window.prompter.questions, QStringList({"Clear the whole database?"}));
        QCOMPARE(window.frame->CounterText(), QString("0/0 (0)"));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), std::string("0"));
    }

    void disconnectClosesTheCatalogue() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->Disconnect();
        QCOMPARE(window.frame->windowTitle(), QString("Tunebay"));
        QCOMPARE(window.frame->CounterText(), QString("0/0 (0)"));
        QCOMPARE(window.frame->ItemModel()->rowCount(), 0);
        QCOMPARE(window.frame->FolderView()->topLevelItemCount(), 0);
        QVERIFY(window.prompter.messages.isEmpty());
    }

    void openingAMissingFileKeepsTheCatalogue() {
        TempCatalogue catalogue;
        fill(catalogue);
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        QVERIFY(!window.frame->OpenCatalogue("/nonexistent/dir/x.tbf"));
        QCOMPARE(window.prompter.messages,
                 QStringList({"TBF file does not exist or is not accessible!"}));
        QVERIFY(window.frame->IsCatalogueOpen());
    }

    void newCatalogueComesFromTheTemplate() {
        TempDir dir;
        WindowFixture window;
        window.prompter.saveFile = QString::fromStdString(dir.file("fresh").string());
        QSignalSpy listed(window.frame.get(), &CMainFrame::listingFinished);
        window.frame->NewCatalogue();
        QVERIFY(window.frame->IsCatalogueOpen());
        QCOMPARE(window.frame->windowTitle(), QString("fresh.tbf - Tunebay"));
        QVERIFY(std::filesystem::exists(dir.file("fresh.tbf")));
    }

    void escapeWithNothingRunningAsksNothing() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->Action("Stop")->trigger();
        QVERIFY(window.prompter.questions.isEmpty());
        QVERIFY(!window.frame->IsAnyOperationRunning());
    }

    void escapeKillsAWorkerThatDoesNotStop() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        auto stubborn = std::make_shared<StubbornOperation>(window.frame->ProgressSink());
        QVERIFY(window.frame->StartOperation(stubborn));
        QVERIFY(!window.frame->StartOperation(stubborn)); // its slot is taken

        window.frame->Disconnect();
        QCOMPARE(window.prompter.messages,
                 QStringList({"There is at least one operation running! Press ESC to stop them!"}));
        QVERIFY(window.frame->IsCatalogueOpen());

        window.prompter.timedAnswer = TimedAnswer::TimedOut;
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        window.frame->Action("Stop")->trigger();
        QCOMPARE(window.prompter.questions,
                 QStringList({"Stop all running operations?",
                              "Import-thread is not responding! Kill?\r\n\r\nCurrent file: "
                              "/music/stuck.mp3"}));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(kFinishImport));
        // Only the listing the refresh started may still run.
        QTRY_VERIFY_WITH_TIMEOUT(!window.frame->IsAnyOperationRunning(), 10000);
        stubborn->released = true;
    }

    void closingWhileAWorkerHangsIsRefused() {
        WindowFixture window;
        auto stubborn = std::make_shared<StubbornOperation>(window.frame->ProgressSink());
        QVERIFY(window.frame->StartOperation(stubborn));
        window.prompter.timedAnswer = TimedAnswer::No;
        window.frame->show();
        QVERIFY(!window.frame->close());
        QCOMPARE(window.prompter.messages,
                 QStringList({"There is at least one operation running!\r\nWait or press ESC to "
                              "stop them, then try closing again!"}));
        // Released, it ends and reports; then the window closes.
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        stubborn->released = true;
        QVERIFY(finished.wait(5000));
        QVERIFY(window.frame->close());
    }

    void closingStoresThePlacement() {
        WindowFixture window;
        window.frame->show();
        QVERIFY(window.frame->close());
        QVERIFY(window.store.values.count("MainFramePos/Right") == 1);
        QVERIFY(window.store.values.count("MainFramePos/Status") == 1);
    }

    void thePlacementComesBackAsItWasStored() {
        const std::map<std::string, std::string> stored = {{"MainFramePos/Status", "1"},
                                                           {"MainFramePos/Top", "40"},
                                                           {"MainFramePos/Left", "70"},
                                                           {"MainFramePos/Bottom", "520"},
                                                           {"MainFramePos/Right", "770"}};
        // Three starts in a row: the window neither creeps nor grows.
        for (int start = 0; start < 3; ++start) {
            auto window = std::make_unique<WindowFixture>();
            window->store.values = stored;
            window->frame.reset();
            window->frame = std::make_unique<CMainFrame>(
                MainFrameServices{window->settings, window->recentFiles, window->store,
                                  window->prompter, window->clock});
            window->frame->show();
            QVERIFY(QTest::qWaitForWindowExposed(window->frame.get()));
            QVERIFY(window->frame->close());
            for (const auto& [name, value] : stored)
                QCOMPARE(window->store.values[name], value);
        }
    }

    void aPlacementLargerThanTheScreenIsFittedIntoIt() {
        const QRect work(0, 24, 1280, 776); // a panel at the top
        const QMargins frame(4, 30, 4, 4);
        const struct {
            QRect stored, fitted;
        } cases[] = {
            {{70, 94, 700, 480}, {70, 94, 700, 480}},      // fits: stays as it is
            {{0, 24, 2560, 1600}, {4, 54, 1272, 742}},     // twice the screen: shrunk
            {{900, 600, 700, 480}, {576, 316, 700, 480}},  // hangs off: pulled back whole
            {{-300, -50, 700, 480}, {4, 54, 700, 480}},    // title bar above the screen
            {{3000, 2000, 5000, 40}, {4, 696, 1272, 100}}, // the least size kept
        };
        for (const auto& one : cases)
            QCOMPARE(FitToWorkArea(one.stored, work, frame), one.fitted);

        // A window stored at twice the screen's size opens inside the screen's available area.
        WindowFixture window;
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        window.store.values = {{"MainFramePos/Status", "1"},
                               {"MainFramePos/Top", "0"},
                               {"MainFramePos/Left", "0"},
                               {"MainFramePos/Bottom", std::to_string(available.height() * 2)},
                               {"MainFramePos/Right", std::to_string(available.width() * 2)}};
        window.frame = std::make_unique<CMainFrame>(MainFrameServices{
            window.settings, window.recentFiles, window.store, window.prompter, window.clock});
        QVERIFY2(available.contains(window.frame->geometry()),
                 qPrintable(QString("%1,%2 %3x%4")
                                .arg(window.frame->x())
                                .arg(window.frame->y())
                                .arg(window.frame->width())
                                .arg(window.frame->height())));
        QVERIFY(window.frame->geometry().top() > available.top()); // room for the title bar
    }

    void thePlayerButtonsStandOutInEveryPalette() {
        WindowFixture window;
        const QPalette before = QApplication::palette();
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x2b, 0x2d, 0x30));
        dark.setColor(QPalette::Button, QColor(0x2b, 0x2d, 0x30));
        dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
        dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
        QPalette light;
        light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
        light.setColor(QPalette::Button, QColor(0xef, 0xef, 0xef));
        light.setColor(QPalette::WindowText, Qt::black);
        light.setColor(QPalette::ButtonText, Qt::black);
        // The same icons, made once, follow each change of palette.
        for (const QPalette& palette : {dark, light, dark}) {
            QApplication::setPalette(palette);
            for (const char* name : {"Play", "PlayerPause", "PlayerStop"}) {
                const QPixmap picture = window.frame->Action(name)->icon().pixmap(16);
                const int contrast = IconContrast(picture, palette.color(QPalette::Window));
                QVERIFY2(contrast >= 80, qPrintable(QString("%1: %2").arg(name).arg(contrast)));
            }
        }
        QApplication::setPalette(before);
    }

    void theFilterBoxNarrowsTheListAndEveryCommand() {
        TempCatalogue catalogue;
        TempDir target;
        {
            CatalogueBuilder builder(catalogue.connection);
            for (const auto& [title, group, file] :
                 {std::tuple{"Charlie", "Alpha", "charlie.mp3"},
                  std::tuple{"Able", "Alpha", "able.mp3"}, std::tuple{"Baker", "Beta", "baker.mp3"},
                  std::tuple{"Delta", "Gamma", "alpine.mp3"}}) {
                ItemFacts item = facts(title, group);
                item.fileName = file;
                builder.add(item);
            }
        }
        WindowFixture window;
        window.settings.ItemOrder = 6;
        QVERIFY(window.open(catalogue.path()));
        window.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.frame.get()));
        FilterBox* box = window.frame->ItemFilterBox();
        box->setFocus();
        QTest::keyClicks(box, "ALP"); // the group of two, the file name of a third
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Charlie", "Delta"}));
        QCOMPARE(window.frame->CounterText(), QString("3/4 (3)"));

        // Select All reaches the listed items only; a command gets those, as after a search.
        window.frame->Action("SelectAll")->trigger();
        QCOMPARE(window.frame->SelectedCount(), 3);
        window.prompter.saveFile = QString::fromStdString(target.file("list.m3u").string());
        window.prompter.exportFilterIndex = 3;
        window.frame->ExportItems();
        const std::string playlist = readFile(target.file("list.m3u"));
        for (const char* file : {"able.mp3", "charlie.mp3", "alpine.mp3"})
            QVERIFY2(playlist.find(file) != std::string::npos, file);
        QVERIFY(playlist.find("baker.mp3") == std::string::npos);

        // Typing on narrows further; a refresh keeps the filter; ESC clears it and lists all.
        box->setFocus();
        QTest::keyClicks(box, "h");
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Charlie"}));
        QVERIFY(window.listAfter([&] { window.frame->RefreshList(); }));
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Charlie"}));
        QCOMPARE(window.frame->CounterText(), QString("2/4 (2)"));
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
        QCOMPARE(window.frame->CounterText(), QString("4/4 (4)"));
        QVERIFY(window.prompter.questions.isEmpty());

        // Nothing matches: the list says so; deleting a filtered row leaves the others listed.
        window.frame->SetItemFilter("zzz");
        QVERIFY(window.frame->ItemView()->EmptyHint().contains("zzz"));
        window.frame->SetItemFilter("a");
        QCOMPARE(titles(*window.frame->ItemModel()),
                 QStringList({"Able", "Baker", "Charlie", "Delta"}));
        window.frame->SetItemFilter("b");
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Baker"}));
        CJukoraView* view = window.frame->ItemView();
        view->setFocus();
        view->selectionModel()->select(window.frame->ItemModel()->index(1, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        window.frame->UseListSelection();
        QSignalSpy deleted(window.frame.get(), &CMainFrame::itemsDeleted);
        window.frame->DeleteSelection();
        QVERIFY(deleted.count() == 1 || deleted.wait(10000));
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able"}));
        window.frame->SetItemFilter("");
        QCOMPARE(titles(*window.frame->ItemModel()), QStringList({"Able", "Charlie", "Delta"}));
    }

    // Over a list of several pages the filter shows the matching items wherever they are, row
    // for row, and Select All with a command reaches those only.
    void selectAllUnderTheFilterReachesTheShownItemsOnly() {
        TempCatalogue catalogue;
        TempDir target;
        QStringList marked;
        {
            CatalogueBuilder builder(catalogue.connection);
            for (int i = 0; i < 700; ++i) {
                const bool mark = i % 97 == 5;
                const std::string title =
                    "Song " + std::to_string(1000 + i) + (mark ? " marked" : "");
                ItemFacts item = facts(title, "Group");
                item.fileName = "f" + std::to_string(1000 + i) + ".mp3";
                builder.add(item);
                if (mark)
                    marked << QString::fromStdString(title);
            }
        }
        WindowFixture window;
        window.settings.ItemOrder = 6;
        QVERIFY(window.open(catalogue.path()));
        ItemListModel* model = window.frame->ItemModel();
        QCOMPARE(model->rowCount(), 700);
        QCOMPARE(titles(*model).mid(600, 2), QStringList({"Song 1600", "Song 1601"}));
        window.frame->SetItemFilter("MARKED");
        QCOMPARE(titles(*model), marked);
        QCOMPARE(window.frame->CounterText(), QString("%1/700 (%1)").arg(marked.size()));

        window.frame->Action("SelectAll")->trigger();
        QCOMPARE(window.frame->SelectedCount(), static_cast<int>(marked.size()));
        window.prompter.saveFile = QString::fromStdString(target.file("list.m3u").string());
        window.prompter.exportFilterIndex = 3;
        window.frame->ExportItems();
        const std::string playlist = readFile(target.file("list.m3u"));
        int files = 0;
        for (std::size_t at = playlist.find(".mp3"); at != std::string::npos;
             at = playlist.find(".mp3", at + 1))
            ++files;
        QCOMPARE(files, static_cast<int>(marked.size()));
        for (const QString& title : marked) {
            const std::string file = "f" + title.mid(5, 4).toStdString() + ".mp3";
            QVERIFY2(playlist.find(file) != std::string::npos, file.c_str());
        }
    }

    void aLargeSelectionIsDeletedWhileTheWindowGoesOn() {
        TempCatalogue catalogue;
        {
            CatalogueBuilder builder(catalogue.connection);
            for (int i = 0; i < 600; ++i)
                builder.add(facts("Song " + std::to_string(i), "Group " + std::to_string(i % 7)));
            builder.add(facts("Kept", "Other"));
        }
        WindowFixture window;
        window.settings.ItemOrder = 6; // "Kept" is the first row
        QVERIFY(window.open(catalogue.path()));
        CJukoraView* view = window.frame->ItemView();
        window.frame->UseListSelection();
        view->selectionModel()->select(QItemSelection(window.frame->ItemModel()->index(1, 0),
                                                      window.frame->ItemModel()->index(600, 0)),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(window.frame->CounterText(), QString("601/601 (600)"));
        QSignalSpy deleted(window.frame.get(), &CMainFrame::itemsDeleted);
        window.frame->DeleteSelection();
        QVERIFY(deleted.count() == 1 || deleted.wait(20000));
        QCOMPARE(window.frame->CounterText(), QString("1/1 (0)"));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), std::string("1"));
        QCOMPARE(catalogue.scalar("SELECT COUNT(*) FROM tblGroup"), std::string("1"));
        QVERIFY(window.prompter.messages.isEmpty());
    }

    void everyMenuHasDistinctAccessKeys() {
        WindowFixture window;
        std::function<void(QMenu*)> check = [&](QMenu* menu) {
            QSet<QChar> keys;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator() || !action->isVisible())
                    continue;
                const QString text = action->text();
                const qsizetype amp = QString(text).replace("&&", "__").indexOf('&');
                QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(text));
                const QChar key = text[amp + 1].toLower();
                QVERIFY2(!keys.contains(key), qPrintable(menu->title() + ": " + text));
                keys.insert(key);
                if (action->menu())
                    check(action->menu());
            }
        };
        for (QAction* top : window.frame->menuBar()->actions())
            check(top->menu());
    }

    void columnHeadersAreNotClipped() {
        WindowFixture window;
        window.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.frame.get()));
        QHeaderView* header = window.frame->ItemView()->header();
        for (int column = 0; column + 1 < header->count(); ++column)
            QVERIFY2(header->sectionSize(column) >= header->sectionSizeHint(column),
                     qPrintable(QString::number(column)));
        QCOMPARE(header->sectionSize(0), 150); // wide enough already: the usual width stays
    }

    void anEmptyCatalogueSaysHowToImport() {
        TempCatalogue catalogue;
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        QVERIFY(window.frame->ItemView()->EmptyHint().contains("File > Import > Folder..."));
        CatalogueBuilder(catalogue.connection).add(facts("Song", "Band"));
        QVERIFY(window.listAfter([&] { window.frame->RefreshList(); }));
        window.listAfter([&] { window.frame->OpenCatalogue(window.frame->CataloguePath()); });
        QVERIFY(window.frame->ItemView()->EmptyHint().isEmpty());
    }

    void theLicenseDialogShowsTheWholeLicence() {
        const QString text = LicenseText();
        QVERIFY(text.startsWith("Tunebay 1.53 for Linux\n"));
        QVERIFY(text.contains("either version 3 of the License, or (at your option) any later"));
        QVERIFY(text.contains("GNU GENERAL PUBLIC LICENSE\n                       Version 3, 29 "
                              "June 2007"));
        QVERIFY(text.contains("END OF TERMS AND CONDITIONS"));
    }

    void aDarkGtkThemeAsksForDarkColours() {
        if (QDBusConnection::sessionBus().isConnected())
            QSKIP("the desktop's settings portal may answer instead of the GTK theme");
        const QByteArray before = qgetenv("GTK_THEME");
        for (const auto& [theme, dark] :
             {std::pair{"Adwaita:dark", true}, std::pair{"Arc-Dark", true},
              std::pair{"Adwaita", false}, std::pair{"", false}}) {
            qputenv("GTK_THEME", theme);
            QCOMPARE(DesktopColourScheme::PrefersDark(), dark);
        }
        qputenv("GTK_THEME", before);
    }

    void theDesktopLaunchersExitStatusDecides() {
        TempDir bin;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.path().string()) + ":" + path);
        DialogPrompter prompter;
        // xdg-open's statuses: 0 opened, 3 no tool found, 4 the action failed.
        for (const auto& [status, opened] :
             {std::pair{0, true}, std::pair{3, false}, std::pair{4, false}}) {
            const auto launcher =
                bin.write("xdg-open", "#!/bin/sh\nexit " + std::to_string(status) + "\n");
            std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
            QCOMPARE(prompter.OpenWithDesktop("/tmp/page.htm"), opened);
        }
        qputenv("PATH", path);
    }

    void helpThatNoApplicationOpensIsReported() {
        WindowFixture window;
        window.prompter.openSucceeds = false;
        window.frame->ShowHelp();
        window.frame->ShowWebsite();
        QCOMPARE(window.prompter.messages,
                 QStringList(2, "There is no application associated with the given file name "
                                "extension!"));
    }
};

int RunMainFrameTests(int argc, char** argv) {
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_frame_test.moc"
