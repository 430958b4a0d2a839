#pragma once

#include "edit/directory_rows.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tunebay {

class CCatalogueConnection;
class IPrompter;

// The Directories page of General Properties: every directory row in a grid of its local,
// network (UNC) and web (URL) forms, edited cell by cell, by Replace over one column or by
// copying the local column into both others. Nothing is written before OK.
class CPropertiesDirectoryPage : public QWidget {
    Q_OBJECT
public:
    CPropertiesDirectoryPage(CCatalogueConnection& connection, QWidget* parent = nullptr);

    // Writes the changed rows (the sheet's OK); refused rows are reported through `prompter`.
    void Apply(IPrompter& prompter);

    const DirectoryRows& Rows() const { return m_rows; }
    // The grid's width when every column shows its paths whole.
    int ColumnsWidth() const;
    QTableWidget* grid() const { return m_grid; }
    QRadioButton* columnButton(int column) const { return m_column[column]; }
    QLineEdit* findField() const { return m_find; }
    QLineEdit* replaceField() const { return m_replace; }
    QPushButton* replaceButton() const { return m_replaceButton; }
    QPushButton* copyButton() const { return m_copy; }

private:
    void fillGrid();
    void replace();
    void copyLocal();
    void endEdit();

    CCatalogueConnection& m_connection;
    DirectoryRows m_rows;
    bool m_filling = false;
    QRadioButton* m_column[3];
    QLineEdit* m_find;
    QLineEdit* m_replace;
    QPushButton* m_replaceButton;
    QTableWidget* m_grid;
    QPushButton* m_copy;
};

} // namespace tunebay
