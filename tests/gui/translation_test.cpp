// The window speaks the user's language when a translation for it is installed, and its own
// texts otherwise; every text it shows is in the translators' template.
#include "about_dialog.h"
#include "function_generator_dialog.h"
#include "general_properties_sheet.h"
#include "gui_tests.h"
#include "left_search.h"
#include "options_sheet.h"
#include "properties_window.h"
#include "shown_text.h"
#include "statistics_dialog.h"
#include "tools_window.h"
#include "translation_loader.h"
#include "window_fixture.h"
#include "window_worker_question.h"

#include "app/catalogue_document.h"
#include "app/product.h"
#include "output/copy_move_run.h"
#include "tools/tools_failures.h"
#include "tools/tools_run.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTranslator>
#include <QXmlStreamReader>

namespace tunebay {

namespace {

using ContextText = QPair<QString, QString>;

// The text of a <source> element; characters the format cannot hold as text (a carriage return)
// stand there as <byte value="xd"/>.
QString sourceText(QXmlStreamReader& xml) {
    QString text;
    while (xml.readNext() != QXmlStreamReader::EndElement ||
           xml.name() != QLatin1String("source")) {
        if (xml.atEnd())
            break;
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
            text +=
                QChar(xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
    }
    return text;
}

// The texts of the translators' template, by context.
QSet<ContextText> templateTexts() {
    QSet<ContextText> texts;
#ifdef TUNEBAY_TEST_TEMPLATE
    QFile file(QStringLiteral(TUNEBAY_TEST_TEMPLATE));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            texts.insert({context, sourceText(xml)});
    }
    if (xml.hasError())
        texts.clear();
#endif
    return texts;
}

// A translation of every template text that marks it with a leading "»", so that a text shown
// without a lookup, or one the template lacks, stands out.
class MarkingTranslator : public QTranslator {
public:
    explicit MarkingTranslator(QSet<ContextText> texts) : m_texts(std::move(texts)) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        const QString text = QString::fromUtf8(source);
        if (!m_texts.contains({QString::fromUtf8(context), text}))
            return {};
        return QStringLiteral("\u00bb") + text;
    }

private:
    QSet<ContextText> m_texts;
};

// Whether `text` is one a translator could have a say on: words, not only numbers or marks.
bool hasWords(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2}"));
    return word.match(text).hasMatch();
}

// The texts a label shows: the cells of a table of rich text (the statistics report) one by
// one, any other text whole.
QStringList labelTexts(const QString& text) {
    static const QRegularExpression cell(QStringLiteral("<td[^>]*>(.*?)</td>"));
    if (!text.startsWith(QLatin1String("<table")))
        return {text};
    QStringList cells;
    for (auto match = cell.globalMatch(text); match.hasNext();)
        cells << QTextDocumentFragment::fromHtml(match.next().captured(1)).toPlainText();
    return cells;
}

// A translator that marks every template text, installed for the life of the test function.
void installMarkingTranslator() {
    auto* marking = new MarkingTranslator(templateTexts());
    marking->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(marking);
}

// The texts `top` and the widgets in it show as their own wording (not the catalogue's data):
// titles, labels, buttons, tabs, fixed lists, headers, actions and menus, tips.
QStringList shownTexts(QWidget* top) {
    QStringList texts;
    auto addAction = [&texts](QAction* action) {
        texts << action->text() << action->toolTip().remove(QLatin1Char('&'))
              << action->statusTip();
    };
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* widget : widgets) {
        if (widget->isWindow())
            texts << widget->windowTitle();
        texts << widget->toolTip() << widget->statusTip();
        for (QAction* action : widget->actions())
            addAction(action);
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << labelTexts(label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            // The standard buttons of a dialog take their words from Qt's own translation.
            auto* box = qobject_cast<QDialogButtonBox*>(button->parent());
            if (!box || box->standardButton(button) == QDialogButtonBox::NoButton)
                texts << button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget))
            texts << group->title();
        else if (auto* menu = qobject_cast<QMenu*>(widget))
            texts << menu->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            texts << edit->placeholderText();
        else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && !combo->isEditable()) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        } else if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
        }
    }
    return texts;
}

// The texts the core marks for the window: each message, question and status constant must be
// marked, and is returned with its context. Adjacent literals are joined and escapes decoded.
QList<ContextText> coreMarkedTexts(QStringList& unmarked) {
    QList<ContextText> texts;
    static const QRegularExpression constant(QString::fromLatin1(
        "constexpr const char\\* (k(?:Message|Question|Progress|Status)\\w*)\\s*=\\s*"
        "(TB_TRANSLATE_NOOP\\(\\s*\"(\\w+)\",\\s*)?((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)"));
    static const QRegularExpression literal(QString::fromLatin1("\"((?:[^\"\\\\]|\\\\.)*)\""));
    for (const char* folder : {"src/core", "src/gui"}) {
        QDirIterator files(QStringLiteral(TUNEBAY_SOURCE_DIR) + QLatin1String(folder),
                           {QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString source = QString::fromUtf8(file.readAll());
            for (auto match = constant.globalMatch(source); match.hasNext();) {
                const QRegularExpressionMatch found = match.next();
                if (found.captured(2).isEmpty()) {
                    unmarked << found.captured(1);
                    continue;
                }
                QString text;
                for (auto part = literal.globalMatch(found.captured(4)); part.hasNext();)
                    text += part.next().captured(1);
                text.replace(QLatin1String("\\r"), QLatin1String("\r"))
                    .replace(QLatin1String("\\n"), QLatin1String("\n"))
                    .replace(QLatin1String("\\t"), QLatin1String("\t"))
                    .replace(QLatin1String("\\\""), QLatin1String("\""))
                    .replace(QLatin1String("\\\\"), QLatin1String("\\"));
                texts.append({found.captured(3), text});
            }
        }
    }
    return texts;
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        // A translator leaves the application when it is deleted.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
        QLocale::setDefault(QLocale::c());
    }

    void installedTranslationIsUsedForTheLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("title");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << true
                                << QStringLiteral("Über Tunebay");
        QTest::newRow("Austrian German")
            << QLocale(QLocale::German, QLocale::Austria) << true << QStringLiteral("Über Tunebay");
        QTest::newRow("French, none installed") << QLocale(QLocale::French, QLocale::France)
                                                << false << QStringLiteral("About Tunebay");
    }

    void installedTranslationIsUsedForTheLocale() {
#ifndef TUNEBAY_TEST_TRANSLATIONS_DIR
        QSKIP("lrelease is not installed");
#else
        QFETCH(QLocale, locale);
        QFETCH(bool, found);
        QFETCH(QString, title);
        QLocale::setDefault(locale);
        QCOMPARE(InstallTranslations(*QCoreApplication::instance(), TUNEBAY_TEST_TRANSLATIONS_DIR),
                 found);
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), title);
#endif
    }

    void templateHoldsEveryMessageOfTheCore() {
#ifndef TUNEBAY_TEST_TEMPLATE
        QSKIP("lupdate is not installed");
#else
        const QSet<ContextText> collected = templateTexts();
        QVERIFY(!collected.isEmpty());
        QStringList unmarked;
        const QList<ContextText> marked = coreMarkedTexts(unmarked);
        QVERIFY2(unmarked.isEmpty(), qPrintable(unmarked.join(QLatin1String(", "))));
        QVERIFY(marked.size() > 60);
        for (const ContextText& text : marked) {
            QCOMPARE(text.first, QString::fromUtf8(kCoreTextContext));
            QVERIFY2(collected.contains(text), qPrintable(text.second));
        }
#endif
    }

    void everyTextTheWindowShowsIsTranslated() {
#ifndef TUNEBAY_TEST_TEMPLATE
        QSKIP("lupdate is not installed");
#else
        QStandardPaths::setTestModeEnabled(true);
        installMarkingTranslator();

        test::TempCatalogue catalogue;
        test::CatalogueBuilder builder(catalogue.connection);
        builder.add(test::facts("One", "Abba", "Gold"));
        test::WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->show();
        window.frame->ShowTools();
        window.frame->ShowProperties();
        COptionsSheet options(window.settings, window.prompter);
        AboutDialog about;
        CGeneralPropertiesSheet general(catalogue.connection, window.prompter);
        // The Function Generator with a function it cannot read: why, in the window's words.
        CFunctionGeneratorDialog generator;
        generator.statementList()->setCurrentIndex(2);
        generator.firstArgument()->setEditText(QStringLiteral("-1"));
        QCOMPARE(
            generator.previewLine()->text(),
            QStringLiteral("\"\u00bbThis is a preview!\" -> \u00bb!!!ERROR!!! \u00bbat character "
                           "8: \u00bba number or END expected"));
        // The statistics as the window hands them to its dialog.
        window.frame->ShowStatistic();
        QVERIFY(!window.prompter.messages.isEmpty());
        StatisticsDialog statistics(ReportTable(window.prompter.messages.last()),
                                    window.prompter.charts);

        QStringList plain;
        for (QWidget* top : std::initializer_list<QWidget*>{
                 window.frame.get(), window.frame->ToolsWindow(), window.frame->PropertiesWindow(),
                 &options, &about, &general, &generator, &statistics}) {
            QVERIFY(top);
            for (const QString& text : shownTexts(top))
                if (hasWords(text) && !text.startsWith(QChar(0xbb)) && !plain.contains(text))
                    plain << text;
        }
        // The catalogue's own names (its item, the tree's nodes, the genres), its path in the
        // recent files and the product's name are shown as they stand.
        QStringList data = {QString::fromUtf8(kProductName), QStringLiteral("Abba"),
                            QStringLiteral("Gold"), QStringLiteral("One")};
        for (ResultSet genres = catalogue.connection.Execute("SELECT sName FROM tblGenre");
             !genres.IsEof(); genres.MoveNext())
            data << QString::fromStdString(genres.GetText(0));
        const QString path = QString::fromStdString(catalogue.path().string());
        data << QString::fromStdString(CatalogueWindowTitle(catalogue.path().string()));
        // The Function Generator's function is written in the functions' own words, and its
        // preview (checked above) quotes the translated sample.
        data << generator.FunctionText();
        const QString preview = QStringLiteral("\"\u00bb");
        plain.removeIf([&](const QString& text) {
            return data.contains(text) || text.contains(path) || text.startsWith(preview);
        });
        for (const QString& text : plain)
            qWarning("shown without translation: %s", qPrintable(text));
        QVERIFY(plain.isEmpty());
#endif
    }

    void composedCoreMessagesAreWordedByTheWindow() {
        auto* marking = new MarkingTranslator(
            {{QString::fromUtf8(kCoreTextContext), QString::fromUtf8(kMessageOtherVolume)},
             {QString::fromUtf8(kCoreTextContext), QString::fromUtf8(kProgressImporting)},
             {QString::fromUtf8(kCoreTextContext), QString::fromUtf8(kMessageToolsFailureCounts)}});
        marking->setParent(QCoreApplication::instance());
        QCoreApplication::installTranslator(marking);
        // A count filled into the translated format, in the core's composition and in a
        // progress text the core formatted itself.
        QCOMPARE(QString::fromStdString(OtherVolumeSummary(7, ShownTextLookup())),
                 QStringLiteral("\u00bb7 files couldn't be moved because the destination is on a "
                                "different volume!\r\nNext time use the copy file function!"));
        QCOMPARE(ShownText(ProgressText(kProgressImporting, 120)),
                 QStringLiteral("\u00bbImporting files...  120"));
        ToolsFailures failures;
        failures.Add(ToolsFailureKind::Rename, "/music/a.mp3", "busy");
        QVERIFY(QString::fromStdString(failures.Summary(ShownTextLookup()))
                    .startsWith(QStringLiteral("\u00bb> 0 file/s couldn't be auto-identified!")));
        // Without a translation the English text stays byte for byte; texts nobody marked
        // pass as they are.
        QVERIFY(OtherVolumeSummary(7) == OtherVolumeSummary(7, ShownTextLookup()).substr(2));
        QCOMPARE(ShownText(std::string("Importing 12")), QStringLiteral("Importing 12"));
    }

    void questionsAndRefusalsPutTogetherInTheCoreAreTranslated() {
#ifndef TUNEBAY_TEST_TEMPLATE
        QSKIP("lupdate is not installed");
#else
        QStandardPaths::setTestModeEnabled(true);
        installMarkingTranslator();
        test::TempCatalogue catalogue;
        test::CatalogueBuilder builder(catalogue.connection);
        builder.add(test::facts("Old", "Abba"));
        test::WindowFixture window;
        QVERIFY(window.open(catalogue.path()));

        // A question of the tools run: its pattern translated, the names filled in after.
        window.frame->ShowTools();
        CToolsWindow* tools = window.frame->ToolsWindow();
        tools->toolBox(4)->setChecked(true);
        tools->titleField()->setText(QStringLiteral("New"));
        tools->setBox(kRowTitle)->setChecked(true);
        tools->askBox(kRowTitle)->setChecked(true);
        window.prompter.answers = {QuestionAnswer::No};
        QSignalSpy finished(window.frame.get(), &CMainFrame::operationFinished);
        QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{kFinishTools}), 10000);
        QCOMPARE(window.prompter.questionTitles, QStringList({"\u00bbTunebay - Title"}));
        QCOMPARE(window.prompter.questions, QStringList({"\u00bbReplace 'Old' in 'file1.mp3'?"}));

        // A value the search form cannot read: the pattern and the type's label translated.
        CLeftSearch* form = window.frame->SearchForm();
        form->type1->setCurrentIndex(form->type1->findData(QStringLiteral("Length")));
        form->value1->setText(QStringLiteral("abc"));
        QSignalSpy refused(form, &CLeftSearch::searchRefused);
        QVERIFY(!form->SearchNow());
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.first().first().toString(),
                 QStringLiteral("\u00bb\"abc\" is no length! Please enter minutes, minutes:seconds "
                                "or hours:minutes:seconds for \u00bbLength."));

        // The window's asker words what the core puts together; the failure lines name their
        // step in the window's words too.
        WindowWorkerQuestion question(window.frame.get(), window.prompter);
        QCOMPARE(QString::fromStdString(
                     FillTexts(Worded(question.Wording(), kQuestionReplaceName), {"%2", "b.mp3"})),
                 QStringLiteral("\u00bbReplace '%2' in 'b.mp3'?"));
        ToolsFailures failures;
        for (int i = 0; i < 11; ++i)
            failures.Add(ToolsFailureKind::Rename, "/music/a.mp3", "busy");
        const QString asked = QString::fromStdString(failures.ContinueQuestion(question.Wording()));
        QVERIFY(asked.startsWith(QStringLiteral("\u00bb> 0 file/s")));
        QVERIFY(
            asked.contains(QStringLiteral("\u00bbDo you want to continue applying the tools?")));
        QVERIFY(asked.contains(QStringLiteral("/music/a.mp3 (\u00bbRename): busy")));
#endif
    }

    void missingFolderKeepsTheOwnTexts() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!InstallTranslations(*QCoreApplication::instance(), "/nonexistent/"));
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Tunebay"));
    }
};

} // namespace tunebay

int RunTranslationTests(int argc, char** argv) {
    tunebay::TranslationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "translation_test.moc"
