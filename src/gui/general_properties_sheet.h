#pragma once

#include <QDialog>

namespace tunebay {

class CCatalogueConnection;
class CPropertiesDirectoryPage;
class IPrompter;

// General Properties: a modal sheet without Apply holding the Directories page; OK writes the
// page's changed rows, Cancel leaves the catalogue as it was.
class CGeneralPropertiesSheet : public QDialog {
    Q_OBJECT
public:
    CGeneralPropertiesSheet(CCatalogueConnection& connection, IPrompter& prompter,
                            QWidget* parent = nullptr);

    CPropertiesDirectoryPage* directoryPage() const { return m_directories; }

    void accept() override;

private:
    IPrompter& m_prompter;
    CPropertiesDirectoryPage* m_directories;
};

} // namespace tunebay
