#pragma once

#include "options_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tunebay {

// "Export": the settings of the HTML export. The order follows the detail level: ordering by
// genre needs the genre column.
class COptionsHtmlPage : public OptionsPage {
    Q_OBJECT
public:
    explicit COptionsHtmlPage(QWidget* parent = nullptr);
    void Load(const CAppSettings& settings) override;
    void Store(CAppSettings& settings) const override;

    QCheckBox* askOptions = nullptr;
    QComboBox* columns = nullptr;
    QComboBox* detailLevel = nullptr;
    QCheckBox* launchFile = nullptr;
    QComboBox* linkType = nullptr;
    QComboBox* orderType = nullptr;
    QCheckBox* showIcons = nullptr;
    QCheckBox* covers = nullptr;
    QCheckBox* showIndex = nullptr;
    QLineEdit* title = nullptr;
    QCheckBox* subdivide = nullptr;
};

} // namespace tunebay
