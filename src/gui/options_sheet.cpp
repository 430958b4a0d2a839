#include "options_sheet.h"

#include "options_general_page.h"
#include "options_html_page.h"
#include "options_import_page.h"
#include "options_player_page.h"
#include "prompter.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tunebay {

COptionsSheet::COptionsSheet(CAppSettings& settings, IPrompter& prompter, QWidget* parent,
                             OptionsSheetPages pages)
    : QDialog(parent), m_settings(settings), m_prompter(prompter) {
    setWindowTitle(tr("Options"));
    tabs = new QTabWidget(this);
    if (pages == OptionsSheetPages::All) {
        generalPage = new COptionsGeneralPage(prompter, this);
        importPage = new COptionsImportPage(this);
        playerPage = new COptionsPlayerPage(this);
        tabs->addTab(generalPage, tr("General"));
        tabs->addTab(importPage, tr("Import"));
        tabs->addTab(playerPage, tr("Player"));
        m_pages = {generalPage, importPage, playerPage};
    }
    htmlPage = new COptionsHtmlPage(this);
    tabs->addTab(htmlPage, tr("Export"));
    m_pages.push_back(htmlPage);
    for (OptionsPage* page : m_pages)
        page->Load(settings);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void COptionsSheet::accept() {
    for (OptionsPage* page : m_pages) {
        QString message;
        if (!page->Validate(message)) {
            tabs->setCurrentWidget(page);
            m_prompter.Message(message, PromptIcon::Warning);
            return;
        }
    }
    for (OptionsPage* page : m_pages)
        page->Store(m_settings);
    QDialog::accept();
}

} // namespace tunebay
