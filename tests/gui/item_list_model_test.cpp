// The item list's rows: batches of the current run only, the shown columns read from the
// catalogue a page at a time, titles shown as the catalogue holds them, rows removed a few or
// many at a time, the filter box narrowing the rows.
#include "gui_tests.h"
#include "item_list_model.h"

#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <QMimeData>
#include <QTest>

#include <memory>

using namespace tunebay;
using namespace tunebay::test;

namespace {

// The title of the n-th item added: "T0000", "T0001", ..., in the order added.
QString name(int n) {
    return QString("T%1").arg(n, 4, 10, QChar('0'));
}

// A catalogue of `count` items titled name(n), n from 0, with every seventh in group "Seven";
// the model reads its rows from it.
struct ListedCatalogue {
    TempCatalogue catalogue;
    std::vector<int> ids; // in the order added
    ItemListModel model;

    explicit ListedCatalogue(int count) {
        CatalogueBuilder builder(catalogue.connection);
        for (int n = 0; n < count; ++n)
            ids.push_back(builder
                              .add({.title = name(n).toStdString(),
                                    .group = n % 7 == 0 ? "Seven" : "Other",
                                    .length = 3723})
                              .itemId);
        model.SetItemReader([this](std::span<const int> itemIds) {
            return ReadListedItems(catalogue.connection, itemIds);
        });
    }

    // Lists every item in the order added (by title), through the listing run, into run `run`.
    void list(int run) {
        const std::atomic<bool> stop{false};
        Selection byTitle;
        byTitle.sortCode = 6;
        RunListing(catalogue.connection, byTitle, stop,
                   [&](ListedKeys&& batch) { model.AppendBatch(run, std::move(batch)); });
    }
};

std::vector<int> shownIds(const ItemListModel& model) {
    std::vector<int> list;
    for (int row = 0; row < model.rowCount(); ++row)
        list.push_back(model.ItemId(row));
    return list;
}

QString title(const ItemListModel& model, int row) {
    return model.data(model.index(row, 0), Qt::DisplayRole).toString();
}

} // namespace

class ItemListModelTest : public QObject {
    Q_OBJECT
private slots:
    void batchesOfAnEarlierRunAreDropped() {
        ListedCatalogue listed(3);
        const int first = listed.model.Clear();
        const int second = listed.model.Clear();
        listed.list(first);
        QCOMPARE(listed.model.rowCount(), 0);
        listed.list(second);
        QCOMPARE(shownIds(listed.model), listed.ids);
    }

    void columnsShowTheListedFacts() {
        ListedCatalogue listed(1);
        listed.list(listed.model.Clear());
        ItemListModel& model = listed.model;
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString("PublishTime"));
        QCOMPARE(title(model, 0), name(0));
        QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QString("Seven"));
        QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(), QString("0102:03"));
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    }

    // Rows are read a page at a time: every row of several pages, read in a jumping order,
    // shows its own item, and a row whose page was read while it was still on its way shows
    // its item once it has come.
    void rowsOfEveryPageShowTheirOwnItems() {
        const int count = ListedItemPages::kPageRows * 2 + 37;
        ListedCatalogue listed(count);
        const int run = listed.model.Clear();
        const std::atomic<bool> stop{false};
        bool peeked = false;
        Selection byTitle;
        byTitle.sortCode = 6;
        RunListing(listed.catalogue.connection, byTitle, stop, [&](ListedKeys&& batch) {
            listed.model.AppendBatch(run, std::move(batch));
            if (!peeked) // the first page, read while it holds only the first batch
                QCOMPARE(title(listed.model, 0), name(0));
            peeked = true;
        });
        QCOMPARE(listed.model.rowCount(), count);
        for (const int row : {count - 1, 0, ListedItemPages::kPageRows,
                              static_cast<int>(kListingBatchLargest) % count,
                              static_cast<int>(kListingBatch) + 1, count / 2, 1})
            QCOMPARE(title(listed.model, row), name(row));
    }

    // A new run that lists other items while the rows of the one before are held shows only
    // the new run's items, row for row.
    void aRelistShowsNoRowsOfTheRunBefore() {
        ListedCatalogue listed(40);
        listed.list(listed.model.Clear());
        QCOMPARE(title(listed.model, 3), name(3));
        const int run = listed.model.Clear();
        Selection reversed;
        reversed.sortCode = -6; // titles descending
        const std::atomic<bool> stop{false};
        RunListing(listed.catalogue.connection, reversed, stop,
                   [&](ListedKeys&& batch) { listed.model.AppendBatch(run, std::move(batch)); });
        QCOMPARE(listed.model.rowCount(), 40);
        for (int row = 0; row < 40; ++row) {
            QCOMPARE(title(listed.model, row), name(39 - row));
            QCOMPARE(listed.model.ItemId(row), listed.ids[static_cast<size_t>(39 - row)]);
        }
    }

    void fewRowsAreRemovedByRange() {
        ListedCatalogue listed(10);
        listed.list(listed.model.Clear());
        QCOMPARE(title(listed.model, 4), name(4));
        listed.model.RemoveRows({7, 2, 3, 9, 3});
        QCOMPARE(listed.model.rowCount(), 6);
        const int kept[] = {0, 1, 4, 5, 6, 8};
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(listed.model.ItemId(row), listed.ids[static_cast<size_t>(kept[row])]);
            QCOMPARE(title(listed.model, row), name(kept[row]));
        }
    }

    void manyRowsAreRemovedInOnePass() {
        ListedCatalogue listed(300);
        listed.list(listed.model.Clear());
        std::vector<int> even;
        for (int row = 0; row < 300; row += 2)
            even.push_back(row);
        listed.model.RemoveRows(even);
        QCOMPARE(listed.model.rowCount(), 150);
        QCOMPARE(title(listed.model, 0), name(1));
        QCOMPARE(title(listed.model, 149), name(299));
        listed.model.RemoveItems({listed.ids[1], listed.ids[3], listed.ids[299]});
        QCOMPARE(listed.model.rowCount(), 147);
        QCOMPARE(title(listed.model, 0), name(5));
        // The removed items are gone from the run too: the filter finds no trace of them.
        listed.model.SetFilter(ListFilter("t003"));
        QCOMPARE(listed.model.ListedItemCount(), 147);
        QCOMPARE(title(listed.model, 0), name(31));
    }

    // The filter box narrows the rows to the items it matches, the rows show those items, and
    // a title renamed in place is found by its new name.
    void theFilterShowsTheMatchingItemsOnly() {
        ListedCatalogue listed(30);
        listed.list(listed.model.Clear());
        QCOMPARE(title(listed.model, 20), name(20));
        listed.model.SetFilter(ListFilter("SEVEN"));
        QCOMPARE(listed.model.rowCount(), 5);
        for (int row = 0; row < 5; ++row)
            QCOMPARE(title(listed.model, row), name(row * 7));
        listed.model.AcceptTitle(1, "Renamed");
        QCOMPARE(title(listed.model, 1), QString("Renamed"));
        listed.model.SetFilter(ListFilter("renamed"));
        QCOMPARE(shownIds(listed.model), std::vector<int>({listed.ids[7]}));
        listed.model.SetFilter(ListFilter());
        QCOMPARE(listed.model.rowCount(), 30);
    }

    void draggedRowsCarryTheirItemIds() {
        ListedCatalogue listed(3);
        listed.list(listed.model.Clear());
        ItemListModel& model = listed.model;
        const std::unique_ptr<QMimeData> data(
            model.mimeData({model.index(0, 0), model.index(0, 1), model.index(2, 0)}));
        QCOMPARE(QString::fromUtf8(data->data(kItemIdsMimeType)),
                 QString("%1\n%2").arg(listed.ids[0]).arg(listed.ids[2]));
    }
};

int RunItemListModelTests(int argc, char** argv) {
    ItemListModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "item_list_model_test.moc"
