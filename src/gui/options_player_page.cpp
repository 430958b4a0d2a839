#include "options_player_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tunebay {

COptionsPlayerPage::COptionsPlayerPage(QWidget* parent) : OptionsPage(parent) {
    standardPlayer = new QRadioButton(tr("Standard player"), this);
    customPlayer = new QRadioButton(tr("Custom player *"), this);
    command = new QComboBox(this);
    command->setEditable(true);
    command->addItems({QStringLiteral("\"audacious\" \"%1\""),
                       QStringLiteral("\"audacious\" --enqueue \"%1\""),
                       QStringLiteral("\"vlc\" \"%1\"")});
    linkType = new QComboBox(this);
    linkType->addItems({tr("Local"), tr("UNC"), tr("URL")});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(standardPlayer);
    layout->addWidget(customPlayer);
    layout->addWidget(command);
    auto* form = new QFormLayout;
    form->addRow(tr("Link type"), linkType);
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(tr("* only Custom player | MPRIS player... provides advanced support"), this));
    layout->addStretch(1);

    connect(customPlayer, &QRadioButton::toggled, command, &QWidget::setEnabled);
}

void COptionsPlayerPage::Load(const CAppSettings& settings) {
    const bool custom = settings.Player == 2;
    customPlayer->setChecked(custom);
    standardPlayer->setChecked(!custom);
    command->setEnabled(custom);
    command->setEditText(QString::fromStdString(settings.CustomPlayer));
    linkType->setCurrentIndex(settings.PlayerLinkType >= 1 && settings.PlayerLinkType <= 3
                                  ? settings.PlayerLinkType - 1
                                  : 0);
}

void COptionsPlayerPage::Store(CAppSettings& settings) const {
    settings.Player = customPlayer->isChecked() ? 2 : 1;
    settings.CustomPlayer = command->currentText().toStdString();
    settings.PlayerLinkType = linkType->currentIndex() + 1;
}

} // namespace tunebay
