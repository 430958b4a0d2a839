#include "options_html_page.h"

#include <QCheckBox>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace tunebay {

namespace {
// The detail levels before this one have no genre column.
constexpr int kFirstLevelWithGenre = 3;
constexpr int kOrderGroupTitle = 7;
constexpr int kOrderGenreGroupTitle = 8;
constexpr int kTitleLimit = 256;
} // namespace

COptionsHtmlPage::COptionsHtmlPage(QWidget* parent) : OptionsPage(parent) {
    askOptions = new QCheckBox(tr("Ask for options"), this);
    columns = new QComboBox(this);
    columns->addItems({"1", "2", "3", "4", "5"});
    detailLevel = new QComboBox(this);
    detailLevel->addItems({tr("Title"), tr("Group, Title"), tr("Group, Title, Length"),
                           tr("Group, Title, Length, Genre, Published"),
                           tr("Group, Title, Length, Genre, Published, Comment")});
    launchFile = new QCheckBox(tr("Launch file after saving"), this);
    linkType = new QComboBox(this);
    linkType->addItems({tr("None"), tr("Local"), tr("UNC"), tr("URL")});
    orderType = new QComboBox(this);
    orderType->addItems({tr("Group, Title"), tr("Genre, Group, Title")});
    showIcons = new QCheckBox(tr("Show icons"), this);
    showIndex = new QCheckBox(tr("Show index"), this);
    title = new QLineEdit(this);
    title->setMaxLength(kTitleLimit);
    subdivide = new QCheckBox(tr("Subdivide in groups"), this);
    covers = new QCheckBox(tr("Package covers (web site)"), this);

    // One grid, so that the labels of the lists and of the title line up.
    auto* layout = new QGridLayout(this);
    int row = 0;
    layout->addWidget(askOptions, row++, 0, 1, 2);
    layout->addWidget(new QLabel(tr("Culumns"), this), row, 0);
    layout->addWidget(columns, row++, 1);
    layout->addWidget(new QLabel(tr("Detail level"), this), row, 0);
    layout->addWidget(detailLevel, row++, 1);
    layout->addWidget(launchFile, row++, 0, 1, 2);
    layout->addWidget(new QLabel(tr("Link type"), this), row, 0);
    layout->addWidget(linkType, row++, 1);
    layout->addWidget(new QLabel(tr("Order type"), this), row, 0);
    layout->addWidget(orderType, row++, 1);
    layout->addWidget(showIcons, row++, 0, 1, 2);
    layout->addWidget(showIndex, row++, 0, 1, 2);
    layout->addWidget(new QLabel(tr("Title"), this), row, 0);
    layout->addWidget(title, row++, 1);
    layout->addWidget(subdivide, row++, 0, 1, 2);
    layout->addWidget(covers, row++, 0, 1, 2);
    layout->setRowStretch(row, 1);
    layout->setColumnStretch(1, 1);

    connect(detailLevel, &QComboBox::activated, this, [this](int level) {
        if (level < kFirstLevelWithGenre)
            orderType->setCurrentIndex(0);
    });
    connect(orderType, &QComboBox::activated, this, [this](int order) {
        if (order == 1 && detailLevel->currentIndex() < kFirstLevelWithGenre)
            detailLevel->setCurrentIndex(kFirstLevelWithGenre);
    });
}

void COptionsHtmlPage::Load(const CAppSettings& settings) {
    askOptions->setChecked(settings.HTMLAskOptions != 0);
    columns->setCurrentIndex(std::clamp(settings.HTMLColumns - 1, 0, 4));
    detailLevel->setCurrentIndex(std::clamp(settings.HTMLDetailLevel, 0, 4));
    launchFile->setChecked(settings.HTMLLaunchFile != 0);
    linkType->setCurrentIndex(std::clamp(settings.HTMLLinkType, 0, 3));
    orderType->setCurrentIndex(settings.HTMLOrderType == kOrderGenreGroupTitle ? 1 : 0);
    showIcons->setChecked(settings.HTMLShowIcons != 0);
    showIndex->setChecked(settings.HTMLShowNumbers != 0);
    title->setText(QString::fromStdString(settings.HTMLTitle));
    subdivide->setChecked(settings.HTMLSubDivision != 0);
    covers->setChecked(settings.HTMLCovers != 0);
}

void COptionsHtmlPage::Store(CAppSettings& settings) const {
    settings.HTMLAskOptions = askOptions->isChecked() ? 1 : 0;
    settings.HTMLColumns = columns->currentIndex() + 1;
    settings.HTMLDetailLevel = detailLevel->currentIndex();
    settings.HTMLLaunchFile = launchFile->isChecked() ? 1 : 0;
    settings.HTMLLinkType = linkType->currentIndex();
    settings.HTMLOrderType =
        orderType->currentIndex() == 1 ? kOrderGenreGroupTitle : kOrderGroupTitle;
    settings.HTMLShowIcons = showIcons->isChecked() ? 1 : 0;
    settings.HTMLShowNumbers = showIndex->isChecked() ? 1 : 0;
    settings.HTMLTitle = title->text().toStdString();
    settings.HTMLSubDivision = subdivide->isChecked() ? 1 : 0;
    settings.HTMLCovers = covers->isChecked() ? 1 : 0;
}

} // namespace tunebay
