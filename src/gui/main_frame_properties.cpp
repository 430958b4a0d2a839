// The window's Properties and General Properties commands.
#include "main_frame.h"

#include "general_properties_sheet.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "properties_window.h"

#include <QAction>

namespace tunebay {

std::vector<int> CMainFrame::propertiesItems() const {
    // The selected rows while the list is in use, else every listed item.
    std::vector<int> ids;
    if (m_listSelectionInUse)
        ids = m_itemView->SelectedItemIds();
    if (ids.empty())
        for (int row = 0; row < m_itemModel->rowCount(); ++row)
            ids.push_back(m_itemModel->ItemId(row));
    return ids;
}

void CMainFrame::ShowProperties() {
    if (!m_propertiesWindow) {
        m_propertiesWindow = new CPropertiesWindow(m_settings, m_connection, m_prompter, this);
        connect(m_propertiesWindow, &CPropertiesWindow::itemsSaved, this,
                &CMainFrame::RefreshViews);
        connect(m_propertiesWindow, &CPropertiesWindow::coverChanged, m_iconView,
                &ItemIconView::ReloadCovers);
        connect(m_propertiesWindow, &CPropertiesWindow::playRequested, this,
                [this](int itemId) { Play(itemId); });
        QAction* command = m_actions["Properties"];
        command->setCheckable(true);
        connect(m_propertiesWindow, &CPropertiesWindow::visibilityChanged, command,
                &QAction::setChecked);
    } else if (m_propertiesWindow->isVisible()) {
        m_propertiesWindow->close();
        return;
    }
    m_propertiesWindow->ShowItems(propertiesItems());
    m_propertiesWindow->show();
    m_propertiesWindow->raise();
    m_propertiesWindow->activateWindow();
}

void CMainFrame::followSelectionInProperties() {
    if (m_propertiesWindow && m_propertiesWindow->isVisible())
        m_propertiesWindow->ShowItems(propertiesItems());
}

void CMainFrame::ShowGeneralProperties() {
    if (!IsCatalogueOpen())
        return;
    CGeneralPropertiesSheet sheet(m_connection, m_prompter, this);
    if (sheet.exec() == QDialog::Accepted)
        RefreshViews();
}

} // namespace tunebay
