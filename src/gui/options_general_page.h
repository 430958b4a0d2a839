#pragma once

#include "options_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tunebay {

class IPrompter;

// "General": start-up, the copy/move folder and its subfolders, tags, the folder size limit
// and hard links.
class COptionsGeneralPage : public OptionsPage {
    Q_OBJECT
public:
    COptionsGeneralPage(IPrompter& prompter, QWidget* parent = nullptr);
    void Load(const CAppSettings& settings) override;
    bool Validate(QString& message) const override;
    void Store(CAppSettings& settings) const override;

    QCheckBox* loadLast = nullptr;
    QLineEdit* copyFolder = nullptr;
    QPushButton* browse = nullptr;
    QCheckBox* subfolderGroup = nullptr;
    QCheckBox* subfolderGenre = nullptr;
    QCheckBox* subfolderGroupMore = nullptr;
    QLabel* subfolderGroupMoreLine = nullptr;
    QCheckBox* useId3v2 = nullptr;
    QCheckBox* limit = nullptr;
    QLineEdit* limitSize = nullptr;
    QCheckBox* hardLinks = nullptr;

private:
    void followGroupBox();
    IPrompter& m_prompter;
};

} // namespace tunebay
