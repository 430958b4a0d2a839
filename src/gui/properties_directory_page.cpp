#include "properties_directory_page.h"

#include "prompter.h"
#include "store/catalogue_connection.h"
#include "store/catalogue_error.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tunebay {

namespace {

// 2490 twips at 15 twips a pixel.
constexpr int kColumnWidth = 166;

} // namespace

CPropertiesDirectoryPage::CPropertiesDirectoryPage(CCatalogueConnection& connection,
                                                   QWidget* parent)
    : QWidget(parent), m_connection(connection) {
    m_column[0] = new QRadioButton(tr("Local"), this);
    m_column[1] = new QRadioButton(tr("UNC"), this);
    m_column[2] = new QRadioButton(tr("URL"), this);
    m_column[0]->setChecked(true);
    m_find = new QLineEdit(this);
    m_replace = new QLineEdit(this);
    m_replaceButton = new QPushButton(tr("&Replace"), this);
    m_grid = new QTableWidget(0, 3, this);
    m_grid->setHorizontalHeaderLabels({tr("Local"), tr("UNC"), tr("URL")});
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->verticalHeader()->hide();
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    for (int column = 0; column < 3; ++column)
        m_grid->setColumnWidth(column, kColumnWidth);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_copy = new QPushButton(tr("&Copy Local to UNC/URL"), this);

    auto* columns = new QHBoxLayout;
    for (QRadioButton* button : m_column)
        columns->addWidget(button);
    columns->addStretch(1);
    auto* fields = new QFormLayout;
    fields->addRow(tr("Find what:"), m_find);
    fields->addRow(tr("Replace with:"), m_replace);
    auto* replaceRow = new QHBoxLayout;
    replaceRow->addLayout(fields, 1);
    replaceRow->addWidget(m_replaceButton, 0, Qt::AlignBottom);
    auto* copyRow = new QHBoxLayout;
    copyRow->addStretch(1);
    copyRow->addWidget(m_copy);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(replaceRow);
    layout->addWidget(m_grid, 1);
    layout->addLayout(copyRow);

    try {
        m_rows.Load(m_connection);
    } catch (const CatalogueError&) {
        m_rows = DirectoryRows();
    }
    fillGrid();

    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling)
            return;
        m_rows.SetCell(static_cast<std::size_t>(item->row()),
                       static_cast<DirectoryRows::Column>(item->column()),
                       item->text().toStdString());
    });
    connect(m_replaceButton, &QPushButton::clicked, this, &CPropertiesDirectoryPage::replace);
    connect(m_copy, &QPushButton::clicked, this, &CPropertiesDirectoryPage::copyLocal);
}

void CPropertiesDirectoryPage::fillGrid() {
    m_filling = true;
    m_grid->setUpdatesEnabled(false);
    const auto& rows = m_rows.Rows();
    m_grid->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 3; ++column) {
            const QString text = QString::fromStdString(rows[row].forms[column]);
            if (QTableWidgetItem* item = m_grid->item(static_cast<int>(row), column))
                item->setText(text);
            else
                m_grid->setItem(static_cast<int>(row), column, new QTableWidgetItem(text));
        }
    // Each column as wide as its longest path (the usual width at least), so no path opens cut
    // short.
    const QAbstractItemView* view = m_grid;
    for (int column = 0; column < 3; ++column)
        m_grid->setColumnWidth(column, std::max(kColumnWidth, view->sizeHintForColumn(column) + 4));
    m_grid->setUpdatesEnabled(true);
    m_filling = false;
}

int CPropertiesDirectoryPage::ColumnsWidth() const {
    int width = 0;
    for (int column = 0; column < 3; ++column)
        width += m_grid->columnWidth(column);
    return width + 2 * m_grid->frameWidth() + m_grid->verticalScrollBar()->sizeHint().width();
}

void CPropertiesDirectoryPage::endEdit() {
    // A cell being edited hands its text over before anything else changes the rows.
    if (QWidget* editor = m_grid->focusWidget(); editor && editor != m_grid)
        m_grid->setFocus();
    m_grid->setCurrentItem(nullptr);
}

void CPropertiesDirectoryPage::replace() {
    endEdit();
    int column = 0;
    while (column < 2 && !m_column[column]->isChecked())
        ++column;
    if (m_rows.Replace(static_cast<DirectoryRows::Column>(column), m_find->text().toStdString(),
                       m_replace->text().toStdString()) != 0)
        fillGrid();
}

void CPropertiesDirectoryPage::copyLocal() {
    endEdit();
    m_rows.CopyLocalToOthers();
    fillGrid();
}

void CPropertiesDirectoryPage::Apply(IPrompter& prompter) {
    endEdit();
    const DirectoryRows::WriteResult result = m_rows.WriteBack(m_connection);
    if (!result.failed.empty()) {
        QString text = tr("These directory rows could not be written:");
        for (const std::string& failure : result.failed)
            text += "\n" + QString::fromStdString(failure);
        prompter.Message(text, PromptIcon::Error);
    }
}

} // namespace tunebay
