// The item list's rows: batches of the current run only, titles shown as the catalogue holds
// them, rows removed a few or many at a time.
#include "gui_tests.h"
#include "item_list_model.h"

#include <QMimeData>
#include <QTest>

#include <memory>

using namespace tunebay;

namespace {

std::vector<ListedItem> items(int first, int count) {
    std::vector<ListedItem> batch;
    for (int id = first; id < first + count; ++id) {
        ListedItem item;
        item.itemId = id;
        item.title = "T" + std::to_string(id);
        item.length = 3723;
        batch.push_back(item);
    }
    return batch;
}

std::vector<int> ids(const ItemListModel& model) {
    std::vector<int> list;
    for (int row = 0; row < model.rowCount(); ++row)
        list.push_back(model.ItemId(row));
    return list;
}

} // namespace

class ItemListModelTest : public QObject {
    Q_OBJECT
private slots:
    void batchesOfAnEarlierRunAreDropped() {
        ItemListModel model;
        const int first = model.Clear();
        model.AppendBatch(first, items(1, 3));
        const int second = model.Clear();
        model.AppendBatch(first, items(10, 3));
        QCOMPARE(model.rowCount(), 0);
        model.AppendBatch(second, items(20, 2));
        QCOMPARE(ids(model), std::vector<int>({20, 21}));
    }

    void columnsShowTheListedFacts() {
        ItemListModel model;
        model.AppendBatch(model.Clear(), items(1, 1));
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString("PublishTime"));
        QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(), QString("0102:03"));
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    }

    void fewRowsAreRemovedByRange() {
        ItemListModel model;
        model.AppendBatch(model.Clear(), items(0, 10));
        model.RemoveRows({7, 2, 3, 9, 3});
        QCOMPARE(ids(model), std::vector<int>({0, 1, 4, 5, 6, 8}));
    }

    void manyRowsAreRemovedInOnePass() {
        ItemListModel model;
        model.AppendBatch(model.Clear(), items(0, 300));
        std::vector<int> even;
        for (int row = 0; row < 300; row += 2)
            even.push_back(row);
        model.RemoveRows(even);
        QCOMPARE(model.rowCount(), 150);
        QCOMPARE(model.ItemId(0), 1);
        QCOMPARE(model.ItemId(149), 299);
        model.RemoveItems({1, 3, 299});
        QCOMPARE(model.rowCount(), 147);
        QCOMPARE(model.ItemId(0), 5);
    }

    void draggedRowsCarryTheirItemIds() {
        ItemListModel model;
        model.AppendBatch(model.Clear(), items(40, 3));
        const std::unique_ptr<QMimeData> data(
            model.mimeData({model.index(0, 0), model.index(0, 1), model.index(2, 0)}));
        QCOMPARE(QString::fromUtf8(data->data(kItemIdsMimeType)), QString("40\n42"));
    }
};

int RunItemListModelTests(int argc, char** argv) {
    ItemListModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "item_list_model_test.moc"
