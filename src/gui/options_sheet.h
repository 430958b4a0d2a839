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

// Tools > Options...: the four pages over a copy of the settings. OK checks the numbers and
// writes every page back; Cancel changes nothing.
class COptionsSheet : public QDialog {
    Q_OBJECT
public:
    COptionsSheet(CAppSettings& settings, IPrompter& prompter, QWidget* parent = nullptr);

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
