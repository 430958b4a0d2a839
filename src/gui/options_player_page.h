#pragma once

#include "options_page.h"

class QComboBox;
class QRadioButton;

namespace tunebay {

// "Player": the desktop's player or a command line of the user's own, and the link type the
// player gets.
class COptionsPlayerPage : public OptionsPage {
    Q_OBJECT
public:
    explicit COptionsPlayerPage(QWidget* parent = nullptr);
    void Load(const CAppSettings& settings) override;
    void Store(CAppSettings& settings) const override;

    QRadioButton* standardPlayer = nullptr;
    QRadioButton* customPlayer = nullptr;
    QComboBox* command = nullptr;
    QComboBox* linkType = nullptr;
};

} // namespace tunebay
