#include "general_properties_sheet.h"

#include "properties_directory_page.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

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
    resize(620, 440);
}

void CGeneralPropertiesSheet::accept() {
    m_directories->Apply(m_prompter);
    QDialog::accept();
}

} // namespace tunebay
