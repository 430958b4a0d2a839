// The search form: its rows from and to the settings, the condition of "&Search Now", and the
// list it makes the window show.
#include "browse/selection.h"
#include "gui_tests.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "left_search.h"
#include "support/catalogue_builder.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tunebay;
using namespace tunebay::test;

class SearchFormTest : public QObject {
    Q_OBJECT
private slots:
    void rowsComeFromTheSettings() {
        CAppSettings settings;
        settings.Search1Type = "Group";
        settings.Search1Compare = "<>";
        settings.Search1Value = "x";
        settings.Search2Link = "AND";
        settings.Search2Type = "Bitrate";
        settings.Search2Compare = ">=";
        settings.Search2Value = "192";
        CLeftSearch form;
        form.LoadSettings(settings);
        QCOMPARE(form.type1->currentText(), QString("Group"));
        QCOMPARE(form.compare1->currentText(), QString("<>"));
        QCOMPARE(form.link->currentText(), QString("AND"));
        CAppSettings stored;
        form.StoreSettings(stored);
        QCOMPARE(stored.Search2Type, std::string("Bitrate"));
        QCOMPARE(stored.Search2Value, std::string("192"));
    }

    void searchNowBuildsTheCondition() {
        CLeftSearch form;
        form.type1->setCurrentText("Title");
        form.compare1->setCurrentText("=");
        form.value1->setText("abc");
        form.link->setCurrentText("-");
        QSignalSpy requested(&form, &CLeftSearch::searchRequested);
        QVERIFY(form.SearchNow());
        QCOMPARE(requested.count(), 1);
        QCOMPARE(form.Condition(), std::string("( (tblMedia.sName LIKE '%abc%') )"));

        form.link->setCurrentText("AND");
        form.type2->setCurrentText("Bitrate");
        form.compare2->setCurrentText(">=");
        form.value2->setText("192");
        QVERIFY(form.SearchNow());
        QCOMPARE(form.Condition(),
                 std::string("( (tblMedia.sName LIKE '%abc%') AND (tblMedia.lID IN (SELECT "
                             "optionalRow.lTableID FROM tblOptional AS optionalRow WHERE "
                             "optionalRow.lOptionalTypeID=4103 AND optionalRow.lValue>=192)))"));
    }

    void fixedTypesDisableComparisonAndValue() {
        CLeftSearch form;
        form.type1->setCurrentText("VBR");
        QVERIFY(!form.compare1->isEnabled());
        QVERIFY(!form.value1->isEnabled());
        form.link->setCurrentText("-");
        QVERIFY(!form.type2->isEnabled());
    }

    void theWindowListsWhatTheSearchFinds() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("Yellow Submarine", "Band"));
        builder.add(facts("Blue Moon", "Band"));
        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        QVERIFY(window.listAfter([&] { window.frame->ShowExplorerPane(kExplorerSearch); }));
        QCOMPARE(window.settings.ExplorerbarView, 2);
        CLeftSearch* form = window.frame->SearchForm();
        form->type1->setCurrentText("Title");
        form->value1->setText("moon");
        form->link->setCurrentText("-");
        QVERIFY(window.listAfter([&] { form->searchButton->click(); }));
        QCOMPARE(window.frame->ItemModel()->rowCount(), 1);
        QCOMPARE(window.settings.Search1Type, std::string("Title"));
        QCOMPARE(window.frame->CounterText(), QString("1/2 (1)"));
        // Back to the folders: the whole catalogue again.
        QVERIFY(window.listAfter([&] { window.frame->ShowExplorerPane(kExplorerFolders); }));
        QCOMPARE(window.frame->ItemModel()->rowCount(), 2);
    }

    void afterASearchCommandsTakeEveryItemFound() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("Blue Moon", "Band", "Night", 17, 60));
        builder.add(facts("Moonlight", "Band", "Night", 17, 120));
        builder.add(facts("Sunshine", "Band", "Day", 17, 180));
        WindowFixture window;
        window.settings.ExplorerbarView = kExplorerSearch;
        QVERIFY(window.open(catalogue.path()));
        // The list was in use, with one row selected, when the user went to the form.
        window.frame->UseListSelection();
        window.frame->ItemView()->selectionModel()->select(window.frame->ItemModel()->index(0, 0),
                                                           QItemSelectionModel::Select |
                                                               QItemSelectionModel::Rows);
        QCOMPARE(window.frame->CounterText(), QString("3/3 (1)"));
        CLeftSearch* form = window.frame->SearchForm();
        form->type1->setCurrentText("Title");
        form->value1->setText("moon");
        form->link->setCurrentText("-");
        QVERIFY(window.listAfter([&] { form->searchButton->click(); }));
        QCOMPARE(window.frame->CounterText(), QString("2/3 (2)"));
        window.frame->ShowStatistic();
        QCOMPARE(window.prompter.messages.size(), 1);
        QVERIFY(
            window.prompter.messages.front().contains("\nSELECTED items...\nMediaItems \t2 (2)\n"));
    }

    void focusInTheFormCountsAsOutsideTheList() {
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        builder.add(facts("One", "Band"));
        builder.add(facts("Two", "Band"));
        WindowFixture window;
        window.settings.ExplorerbarView = kExplorerSearch;
        QVERIFY(window.open(catalogue.path()));
        window.frame->show();
        QVERIFY(QTest::qWaitForWindowActive(window.frame.get()));
        window.frame->UseListSelection();
        QCOMPARE(window.frame->CounterText(), QString("2/2 (0)"));
        window.frame->SearchForm()->value1->setFocus();
        QTRY_COMPARE(window.frame->CounterText(), QString("2/2 (2)"));
    }

    void unreadableValuesAreRefusedWithAMessage() {
        CLeftSearch form;
        form.type1->setCurrentText("Length");
        form.value1->setText("abc");
        QSignalSpy refused(&form, &CLeftSearch::searchRefused);
        const bool built = form.SearchNow();
        QCOMPARE(refused.count(), built ? 0 : 1);
    }
};

int RunSearchFormTests(int argc, char** argv) {
    SearchFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "search_form_test.moc"
