#include "left_search.h"
#include "shown_text.h"

#include "browse/search_types.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunebay {

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Each entry shows its text in the window's words and keeps the search's own text as its data.
void addEntry(QComboBox* box, std::string_view text) {
    box->addItem(ShownText(std::string(text)), qText(text));
}

// The search's own text of the current entry.
std::string entryText(const QComboBox* box) {
    return box->currentData().toString().toStdString();
}

QComboBox* typeBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const SearchType& type : kSearchTypes)
        addEntry(box, type.label);
    return box;
}

QComboBox* compareBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const std::string_view compare : kSearchComparisons)
        addEntry(box, compare);
    return box;
}

// Selects the entry with this text; an unknown text selects the first entry.
void selectText(QComboBox* box, const std::string& text) {
    const int index = box->findData(QString::fromStdString(text));
    box->setCurrentIndex(index < 0 ? 0 : index);
}

bool isFixedType(const QComboBox* box) {
    const SearchType* type = FindSearchType(entryText(box));
    return type && type->kind == kSearchFixed;
}

} // namespace

CLeftSearch::CLeftSearch(QWidget* parent) : QWidget(parent) {
    type1 = typeBox(this);
    compare1 = compareBox(this);
    value1 = new QLineEdit(this);
    link = new QComboBox(this);
    for (const std::string_view text : kSearchLinks)
        addEntry(link, text);
    type2 = typeBox(this);
    compare2 = compareBox(this);
    value2 = new QLineEdit(this);
    searchButton = new QPushButton(tr("&Search Now"), this);
    searchButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Search for:"), this));
    layout->addWidget(type1);
    layout->addWidget(compare1);
    layout->addWidget(value1);
    layout->addSpacing(8);
    layout->addWidget(link);
    layout->addSpacing(8);
    layout->addWidget(type2);
    layout->addWidget(compare2);
    layout->addWidget(value2);
    layout->addSpacing(8);
    layout->addWidget(searchButton);
    layout->addStretch(1);

    connect(searchButton, &QPushButton::clicked, this, [this] { SearchNow(); });
    connect(value1, &QLineEdit::returnPressed, this, [this] { SearchNow(); });
    connect(value2, &QLineEdit::returnPressed, this, [this] { SearchNow(); });
    for (QComboBox* box : {type1, type2, link})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { updateEnabled(); });
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);
    updateEnabled();
}

bool CLeftSearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        emit focusGained();
    return QWidget::eventFilter(watched, event);
}

void CLeftSearch::updateEnabled() {
    // A fixed type ignores comparison and value; row 2 is unused while the link is "-".
    const bool row2 = link->currentIndex() != 0;
    compare1->setEnabled(!isFixedType(type1));
    value1->setEnabled(!isFixedType(type1));
    type2->setEnabled(row2);
    compare2->setEnabled(row2 && !isFixedType(type2));
    value2->setEnabled(row2 && !isFixedType(type2));
}

void CLeftSearch::LoadSettings(const CAppSettings& settings) {
    const SearchForm form = SearchFormFromSettings(settings);
    selectText(type1, form.row1.type);
    selectText(compare1, form.row1.compare);
    value1->setText(QString::fromStdString(form.row1.value));
    selectText(link, form.link);
    selectText(type2, form.row2.type);
    selectText(compare2, form.row2.compare);
    value2->setText(QString::fromStdString(form.row2.value));
    updateEnabled();
}

void CLeftSearch::StoreSettings(CAppSettings& settings) const {
    const SearchForm form = Form();
    settings.Search1Type = form.row1.type;
    settings.Search1Compare = form.row1.compare;
    settings.Search1Value = form.row1.value;
    settings.Search2Link = form.link;
    settings.Search2Type = form.row2.type;
    settings.Search2Compare = form.row2.compare;
    settings.Search2Value = form.row2.value;
}

SearchForm CLeftSearch::Form() const {
    SearchForm form;
    form.row1 = {entryText(type1), entryText(compare1), value1->text().toStdString()};
    form.link = entryText(link);
    form.row2 = {entryText(type2), entryText(compare2), value2->text().toStdString()};
    return form;
}

bool CLeftSearch::PrepareCondition() {
    const SearchText text = BuildSearchCondition(Form());
    if (!text.ok())
        return false;
    m_condition = text.sql;
    return true;
}

bool CLeftSearch::SearchNow() {
    const SearchText text = BuildSearchCondition(Form(), ShownTextLookup());
    if (!text.ok()) {
        emit searchRefused(QString::fromStdString(text.message));
        return false;
    }
    m_condition = text.sql;
    emit searchRequested();
    return true;
}

} // namespace tunebay
