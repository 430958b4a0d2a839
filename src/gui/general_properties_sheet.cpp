#include "general_properties_sheet.h"

#include "properties_directory_page.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tunebay {

CGeneralPropertiesSheet::CGeneralPropertiesSheet(CCatalogueConnection& connection,
                                                 IPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setWindowTitle(tr("General Properties"));
    auto* tabs = new QTabWidget(this);
    m_directories = new CPropertiesDirectoryPage(connection, tabs);
    tabs->addTab(m_directories, tr("Directories"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    // Wide enough for the paths of the grid, as far as the screen allows.
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right() +
                        tabs->sizeHint().width() - tabs->currentWidget()->sizeHint().width();
    int width = std::max(620, m_directories->ColumnsWidth() + margins + 24);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    resize(width, 440);
}

void CGeneralPropertiesSheet::accept() {
    m_directories->Apply(m_prompter);
    QDialog::accept();
}

} // namespace tunebay
