#include "cover_panel.h"

#include "cover_thumbnails.h"
#include "covers/cover_art.h"
#include "covers/item_cover.h"
#include "prompter.h"
#include "store/catalogue_error.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace tunebay {

namespace {

constexpr int kCoverSize = 160;

} // namespace

CoverPanel::CoverPanel(CCatalogueConnection& connection, IPrompter& prompter, QWidget* parent)
    : QWidget(parent), m_connection(connection), m_prompter(prompter) {
    m_picture = new QPushButton(this);
    m_picture->setFlat(true);
    m_picture->setFixedSize(kCoverSize + 8, kCoverSize + 8);
    m_picture->setIconSize(QSize(kCoverSize, kCoverSize));
    m_picture->setToolTip(tr("Show the cover at full size"));
    m_source = new QLabel(this);
    m_source->setAlignment(Qt::AlignCenter);
    m_source->setWordWrap(true);
    m_set = new QPushButton(tr("Set cover..."), this);
    m_remove = new QPushButton(tr("Remove cover"), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture, 0, Qt::AlignHCenter);
    layout->addWidget(m_source);
    layout->addWidget(m_set);
    layout->addWidget(m_remove);
    layout->addStretch(1);
    connect(m_picture, &QPushButton::clicked, this, &CoverPanel::showFullSize);
    connect(m_set, &QPushButton::clicked, this, &CoverPanel::setCover);
    connect(m_remove, &QPushButton::clicked, this, &CoverPanel::removeCover);
    ShowFile({});
}

void CoverPanel::ShowFile(const QString& path) {
    m_path = path;
    const CoverArt cover = path.isEmpty() ? CoverArt{} : ReadCover(path.toStdString());
    m_bytes = cover.bytes;
    const QImage image = ScaledCover(cover.bytes, kCoverSize);
    m_picture->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    m_picture->setText(image.isNull() ? tr("No cover") : QString());
    m_picture->setEnabled(!image.isNull());
    switch (cover.source) {
    case CoverSource::None:
        m_source->clear();
        break;
    case CoverSource::Embedded:
        m_source->setText(tr("Embedded"));
        break;
    case CoverSource::FolderFile:
        m_source->setText(QFileInfo(QString::fromStdString(cover.folderFile)).fileName());
        break;
    }
    m_set->setEnabled(!path.isEmpty());
    m_remove->setEnabled(cover.source == CoverSource::Embedded);
}

void CoverPanel::showFullSize() {
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(m_bytes.data()),
                            static_cast<int>(m_bytes.size())))
        return;
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Cover (%1 x %2)").arg(image.width()).arg(image.height()));
    auto* label = new QLabel(&dialog);
    label->setPixmap(QPixmap::fromImage(image));
    auto* scroll = new QScrollArea(&dialog);
    scroll->setWidget(label);
    scroll->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(scroll);
    dialog.resize(std::min(image.width() + 40, 1000), std::min(image.height() + 40, 800));
    dialog.exec();
}

void CoverPanel::setCover() {
    const QString file =
        m_prompter.OpenFileName(tr("Set cover"), QFileInfo(m_path).path(),
                                tr("Pictures (*.jpg *.jpeg *.png *.webp *.gif);;All files (*)"));
    if (file.isEmpty())
        return;
    std::string reason;
    const std::optional<std::string> image = ReadImageFile(file.toStdString(), reason);
    if (!image) {
        m_prompter.Message(
            tr("The picture cannot be used (%1: %2)").arg(file, QString::fromStdString(reason)),
            PromptIcon::Error);
        return;
    }
    change(image);
}

void CoverPanel::removeCover() {
    change(std::nullopt);
}

void CoverPanel::change(const std::optional<std::string>& image) {
    RewriteResult written{false, {}};
    try {
        written = SetItemCover(m_connection, m_path.toStdString(), image);
    } catch (const CatalogueError& error) {
        written.reason = error.what();
    }
    if (!written.ok) {
        m_prompter.Message((image ? tr("The cover was not embedded (%1: %2)")
                                  : tr("The cover was not removed (%1: %2)"))
                               .arg(m_path, QString::fromStdString(written.reason)),
                           PromptIcon::Error);
        return;
    }
    ShowFile(m_path);
    emit coverChanged();
}

} // namespace tunebay
