#pragma once

#include "app/app_settings.h"

#include <QDialog>

#include <vector>

class QTabWidget;

namespace tunebay {

class IPrompter;
class OptionsPage;
class COptionsGeneralPage;
class COptionsImportPage;
class COptionsPlayerPage;
class COptionsHtmlPage;

// Which pages a sheet shows: all four (Tools > Options...), or only the export page (asked
// before an export).
enum class OptionsSheetPages { All, ExportOnly };

// The options pages over the settings. OK checks the numbers and writes every page back;
// Cancel changes nothing.
class COptionsSheet : public QDialog {
    Q_OBJECT
public:
    COptionsSheet(CAppSettings& settings, IPrompter& prompter, QWidget* parent = nullptr,
                  OptionsSheetPages pages = OptionsSheetPages::All);

    // Absent from an export-only sheet.
    COptionsGeneralPage* generalPage = nullptr;
    COptionsImportPage* importPage = nullptr;
    COptionsPlayerPage* playerPage = nullptr;
    COptionsHtmlPage* htmlPage = nullptr;
    QTabWidget* tabs = nullptr;

public slots:
    // Refused, with the range message, while a page holds a number out of its range.
    void accept() override;

private:
    CAppSettings& m_settings;
    IPrompter& m_prompter;
    std::vector<OptionsPage*> m_pages;
};

} // namespace tunebay
