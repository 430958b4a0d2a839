#include "options_general_page.h"

#include "prompter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunebay {

namespace {
constexpr int kLimitMin = 1;
constexpr int kLimitMax = 9999;
} // namespace

COptionsGeneralPage::COptionsGeneralPage(IPrompter& prompter, QWidget* parent)
    : OptionsPage(parent), m_prompter(prompter) {
    loadLast = new QCheckBox(tr("Load last database on start"), this);
    copyFolder = new QLineEdit(this);
    browse = new QPushButton(tr("..."), this);
    browse->setFixedWidth(32);
    subfolderGroup = new QCheckBox(tr("Create subfolder %Group"), this);
    subfolderGenre = new QCheckBox(tr("Create subfolder %Genre"), this);
    subfolderGroupMore =
        new QCheckBox(tr("Create %Group only if more than one title of a group"), this);
    subfolderGroupMoreLine =
        new QLabel(tr("exists, otherwise copy/move to %Genre subfolder"), this);
    subfolderGroupMoreLine->setIndent(24);
    useId3v2 = new QCheckBox(tr("Use MP3 ID3v2 tag (and delete existing ID3v1 tag on save)"), this);
    limit = new QCheckBox(tr("Limit folder to "), this);
    limitSize = new QLineEdit(this);
    limitSize->setMaximumWidth(60);
    hardLinks = new QCheckBox(tr("Create hard links instead of copying"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(loadLast);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(tr("Folder where files are copied/moved to"), this));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(copyFolder);
    folderRow->addWidget(browse);
    layout->addLayout(folderRow);
    layout->addWidget(subfolderGroup);
    layout->addWidget(subfolderGenre);
    layout->addWidget(subfolderGroupMore);
    layout->addWidget(subfolderGroupMoreLine);
    layout->addSpacing(6);
    layout->addWidget(useId3v2);
    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(limit);
    limitRow->addWidget(limitSize);
    limitRow->addWidget(new QLabel(tr("MB"), this));
    limitRow->addStretch(1);
    layout->addLayout(limitRow);
    layout->addWidget(hardLinks);
    layout->addStretch(1);

    connect(subfolderGroup, &QCheckBox::toggled, this, [this] { followGroupBox(); });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = m_prompter.FolderName(QString(), copyFolder->text());
        if (!folder.isEmpty())
            copyFolder->setText(folder.endsWith('/') ? folder : folder + '/');
    });
}

void COptionsGeneralPage::followGroupBox() {
    const bool on = subfolderGroup->isChecked();
    subfolderGroupMore->setEnabled(on);
    subfolderGroupMoreLine->setEnabled(on);
}

void COptionsGeneralPage::Load(const CAppSettings& settings) {
    loadLast->setChecked(settings.LoadLastDocument != 0);
    copyFolder->setText(QString::fromStdString(settings.GeneralCopyFolder));
    subfolderGroup->setChecked(settings.GeneralCreateSubfolderGroup != 0);
    subfolderGenre->setChecked(settings.GeneralCreateSubfolderGenre != 0);
    subfolderGroupMore->setChecked(settings.GeneralCreateSubfolderGroupMore != 0);
    useId3v2->setChecked(settings.UseID3v2 != 0);
    limit->setChecked(settings.GeneralLimit != 0);
    limitSize->setText(QString::number(settings.GeneralLimitSize));
    hardLinks->setChecked(settings.GeneralUseHardLinks != 0);
    followGroupBox();
}

bool COptionsGeneralPage::Validate(QString& message) const {
    int size = 0;
    if (!ReadRangedNumber(limitSize->text(), kLimitMin, kLimitMax, size)) {
        message = RangeMessage(kLimitMin, kLimitMax);
        return false;
    }
    return true;
}

void COptionsGeneralPage::Store(CAppSettings& settings) const {
    settings.LoadLastDocument = loadLast->isChecked() ? 1 : 0;
    settings.GeneralCopyFolder = copyFolder->text().toStdString();
    settings.GeneralCreateSubfolderGroup = subfolderGroup->isChecked() ? 1 : 0;
    settings.GeneralCreateSubfolderGenre = subfolderGenre->isChecked() ? 1 : 0;
    settings.GeneralCreateSubfolderGroupMore = subfolderGroupMore->isChecked() ? 1 : 0;
    settings.UseID3v2 = useId3v2->isChecked() ? 1 : 0;
    settings.GeneralLimit = limit->isChecked() ? 1 : 0;
    ReadRangedNumber(limitSize->text(), kLimitMin, kLimitMax, settings.GeneralLimitSize);
    settings.GeneralUseHardLinks = hardLinks->isChecked() ? 1 : 0;
}

} // namespace tunebay
