#include "properties_window.h"
#include "shown_text.h"

#include "app/app_settings.h"
#include "app/product.h"
#include "cover_panel.h"
#include "import/audio_format.h"
#include "import/item_tag.h"
#include "import/media_file_info.h"
#include "options_import_page.h"
#include "prompter.h"
#include "store/catalogue_connection.h"
#include "store/catalogue_error.h"
#include "store/classification.h"
#include "window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tunebay {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::string utf8(const QString& value) {
    return value.toStdString();
}

} // namespace

CPropertiesWindow::CPropertiesWindow(CAppSettings& settings, CCatalogueConnection& connection,
                                     IPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_connection(connection), m_prompter(prompter) {
    setWindowTitle(tr("Properties"));
    m_file = new QLineEdit(this);
    m_file->setReadOnly(true);
    m_changeFile = new QPushButton(tr("..."), this);
    m_changeFile->setToolTip(tr("Change File"));
    m_changeFile->setMaximumWidth(m_changeFile->fontMetrics().horizontalAdvance("....") * 3);
    m_title = new QLineEdit(this);
    m_group = new QComboBox(this);
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    m_newGroup = new QPushButton(tr("New"), this);
    m_package = new QComboBox(this);
    m_package->setEditable(true);
    m_package->setInsertPolicy(QComboBox::NoInsert);
    m_newPackage = new QPushButton(tr("New"), this);
    m_published = new QLineEdit(this);
    m_published->setMaximumWidth(80);
    m_genre = new QComboBox(this);
    m_comment = new QLineEdit(this);
    m_previous = new QPushButton(tr("<<"), this);
    m_apply = new QPushButton(tr("&Apply"), this);
    m_next = new QPushButton(tr(">>"), this);
    m_autoPlay = new QCheckBox(tr("AutoPlay"), this);
    m_writeTag = new QCheckBox(tr("Write MP3 tag"), this);
    m_detailsBox = new QCheckBox(tr("Details"), this);
    m_details = new QPlainTextEdit(this);
    m_details->setReadOnly(true);
    m_details->setTabStopDistance(4 * fontMetrics().horizontalAdvance(QLatin1Char('x')) * 2);
    m_details->setMinimumHeight(260);
    m_details->hide();

    auto row = [this](QWidget* field, QWidget* button) {
        auto* line = new QHBoxLayout;
        line->addWidget(field, 1);
        line->addWidget(button);
        return line;
    };
    auto* form = new QFormLayout;
    form->addRow(tr("File"), row(m_file, m_changeFile));
    form->addRow(tr("Title"), m_title);
    form->addRow(tr("Group"), row(m_group, m_newGroup));
    form->addRow(tr("Package"), row(m_package, m_newPackage));
    form->addRow(tr("Published"), m_published);
    form->addRow(tr("Genre"), m_genre);
    form->addRow(tr("Comment"), m_comment);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_previous);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_next);
    buttons->addStretch(1);
    buttons->addWidget(m_autoPlay);
    buttons->addWidget(m_writeTag);
    buttons->addWidget(m_detailsBox);
    m_cover = new CoverPanel(m_connection, m_prompter, this);
    connect(m_cover, &CoverPanel::coverChanged, this, &CPropertiesWindow::coverChanged);
    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addWidget(m_cover);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(m_details, 1);
    setMinimumWidth(520);

    m_autoPlay->setChecked(m_settings.AutoPlay != 0);
    m_writeTag->setChecked(m_settings.WriteTag != 0);

    // Only the user's own edits set the change flags, never the window filling its fields.
    connect(m_title, &QLineEdit::textEdited, this,
            [this](const QString& value) { m_changes.title = utf8(value); });
    connect(m_comment, &QLineEdit::textEdited, this,
            [this](const QString& value) { m_changes.comment = utf8(value); });
    connect(m_published, &QLineEdit::textEdited, this,
            [this](const QString& value) { m_changes.published = utf8(value); });
    connect(m_group->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& value) { m_changes.group = utf8(value); });
    connect(m_group, &QComboBox::activated, this, [this](int index) {
        if (m_filling)
            return;
        m_changes.group = utf8(m_group->itemText(index));
        fillPackages(m_group->itemData(index).toInt());
        m_changes.newPackage = false;
    });
    connect(m_package->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& value) { m_changes.package = utf8(value); });
    connect(m_package, &QComboBox::activated, this, [this](int index) {
        if (!m_filling)
            m_changes.package = utf8(m_package->itemText(index));
    });
    connect(m_genre, &QComboBox::activated, this, [this](int index) {
        if (!m_filling)
            m_changes.genreId = m_genre->itemData(index).toInt();
    });
    connect(m_newGroup, &QPushButton::clicked, this, [this] {
        m_group->setEditText(tr("New Group"));
        m_changes.group = utf8(m_group->currentText());
        m_changes.newGroup = true;
    });
    connect(m_newPackage, &QPushButton::clicked, this, [this] {
        m_package->setEditText(tr("New Package"));
        m_changes.package = utf8(m_package->currentText());
        m_changes.newPackage = true;
    });
    connect(m_changeFile, &QPushButton::clicked, this, &CPropertiesWindow::changeFile);
    connect(m_apply, &QPushButton::clicked, this, [this] { SaveCurrent(false); });
    connect(m_previous, &QPushButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { step(1); });
    connect(m_detailsBox, &QCheckBox::toggled, this, &CPropertiesWindow::showDetails);
}

bool CPropertiesWindow::HasChanges() const {
    return m_item && m_changes.Any();
}

void CPropertiesWindow::clearChanges() {
    m_changes = PropertyChanges();
}

void CPropertiesWindow::ShowItems(const std::vector<int>& itemIds) {
    if (isVisible() && !SaveCurrent(true))
        return;
    m_items = itemIds;
    m_index = 0;
    load(m_items.empty() ? 0 : m_items.front());
}

void CPropertiesWindow::step(int by) {
    if (m_items.empty() || !SaveCurrent(true))
        return;
    const auto count = static_cast<long long>(m_items.size());
    const long long next = ((static_cast<long long>(m_index) + by) % count + count) % count;
    const bool moves = static_cast<std::size_t>(next) != m_index;
    m_index = static_cast<std::size_t>(next);
    if (moves && m_autoPlay->isChecked() && isVisible())
        emit playRequested(m_items[m_index]);
    load(m_items[m_index]);
}

void CPropertiesWindow::load(int itemId) {
    clearChanges();
    m_item.reset();
    try {
        if (itemId != 0 && m_connection.IsOpen())
            m_item = LoadItemProperties(m_connection, itemId);
    } catch (const CatalogueError&) {
        m_item.reset();
    }
    m_filling = true;
    const bool shown = m_item.has_value();
    for (QWidget* field : std::initializer_list<QWidget*>{m_title, m_group, m_package, m_published,
                                                          m_genre, m_comment, m_apply, m_newGroup,
                                                          m_newPackage, m_changeFile})
        field->setEnabled(shown);
    m_previous->setEnabled(m_items.size() > 1);
    m_next->setEnabled(m_items.size() > 1);
    fillGroups();
    m_genre->clear();
    if (shown) {
        try {
            for (ResultSet rows =
                     m_connection.Execute("SELECT lID, sName FROM tblGenre ORDER BY sName");
                 !rows.IsEof(); rows.MoveNext())
                m_genre->addItem(text(rows.GetText(1)), rows.GetInt(0));
        } catch (const CatalogueError&) {
        }
    }
    const ItemProperties empty;
    const ItemProperties& item = shown ? *m_item : empty;
    m_file->setText(text(item.FilePath()));
    m_title->setText(text(item.title));
    m_group->setEditText(text(item.group));
    fillPackages(item.groupId);
    m_package->setEditText(text(item.package));
    m_published->setText(text(item.published));
    m_genre->setCurrentIndex(m_genre->findData(item.genreId));
    m_comment->setText(text(item.comment));
    // Each format's own tag is written; only MPEG audio's is an MP3 tag.
    const bool otherAudio = IsAudioMediaType(item.mediaType) &&
                            AudioFormatOfMediaType(item.mediaType) != AudioFormat::Mpeg;
    m_writeTag->setText(otherAudio ? tr("Write tag") : tr("Write MP3 tag"));
    m_cover->ShowFile(text(item.LocatedPath()));
    m_filling = false;
    if (m_detailsBox->isChecked())
        showDetails(true);
}

void CPropertiesWindow::fillGroups() {
    m_group->clear();
    if (!m_item)
        return;
    try {
        for (ResultSet rows =
                 m_connection.Execute("SELECT lID, sName FROM tblGroup ORDER BY sName");
             !rows.IsEof(); rows.MoveNext())
            m_group->addItem(text(rows.GetText(1)), rows.GetInt(0));
    } catch (const CatalogueError&) {
    }
}

void CPropertiesWindow::fillPackages(int groupId) {
    const QString typed = m_package->currentText();
    m_package->clear();
    try {
        for (const std::string& name : GroupPackageNames(m_connection, groupId))
            m_package->addItem(text(name));
    } catch (const CatalogueError&) {
    }
    m_package->setEditText(typed);
}

bool CPropertiesWindow::SaveCurrent(bool ask) {
    if (!HasChanges())
        return true;
    if (ask) {
        const QString question =
            tr("Save changes to \"%1 - %2\"?").arg(m_group->currentText(), m_title->text());
        if (m_prompter.Ask(question, QString(kProductName), QuestionButtons::YesNo,
                           PromptIcon::Warning) != QuestionAnswer::Yes) {
            clearChanges();
            return true;
        }
    }
    const SaveResult result = SaveItemProperties(m_connection, *m_item, m_changes);
    switch (result.outcome) {
    case SaveOutcome::NothingChanged:
        return true;
    case SaveOutcome::EmptyTitle:
        m_prompter.Message(ShownText(result.message), PromptIcon::Error);
        return false;
    case SaveOutcome::ItemGone:
        m_prompter.Message(ShownText(result.message), PromptIcon::Error);
        clearChanges();
        return true;
    case SaveOutcome::Failed:
        // The changes stay, so that the user can try again.
        m_prompter.Message(ShownText(result.message) + QLatin1Char('\n') +
                               text(result.engineReason),
                           PromptIcon::Error);
        return false;
    case SaveOutcome::Saved:
        break;
    }
    const int itemId = m_item->itemId;
    if (m_writeTag->isChecked())
        writeTag(itemId);
    emit itemsSaved();
    // The window shows what the catalogue now holds (a "New" row, the typed letter case).
    load(itemId);
    return true;
}

void CPropertiesWindow::writeTag(int itemId) {
    for (;;) {
        RewriteResult written{false, {}};
        try {
            written = WriteItemTag(m_connection, itemId, m_settings.UseID3v2 != 0);
        } catch (const CatalogueError& error) {
            written.reason = error.what();
        }
        if (written.ok)
            return;
        QString message = ShownText(kMessageTagNotSaved);
        if (!written.reason.empty())
            message += "\n\n" + ShownText(written.reason);
        if (!m_prompter.AskRetryCancel(message, PromptIcon::Warning))
            return;
    }
}

void CPropertiesWindow::changeFile() {
    const QString filter = ImportFileFilter(m_settings);
    const QString chosen = m_prompter.OpenFileName(tr("Change File"), m_file->text(), filter);
    if (chosen.isEmpty())
        return;
    m_file->setText(chosen);
    m_changes.file = utf8(chosen);
}

void CPropertiesWindow::showDetails(bool shown) {
    m_details->setVisible(shown);
    if (shown)
        m_details->setPlainText(
            m_item ? text(ItemDetailsText(m_connection, *m_item)).replace("\r\n", "\n")
                   : QString());
    adjustSize();
    // The details make the window taller: its lower edge stays on the screen, once the layout
    // has settled on the new size.
    QTimer::singleShot(0, this, [this] { KeepOnScreen(*this); });
}

void CPropertiesWindow::closeEvent(QCloseEvent* event) {
    if (!SaveCurrent(true)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CPropertiesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit visibilityChanged(true);
}

void CPropertiesWindow::hideEvent(QHideEvent* event) {
    m_settings.AutoPlay = m_autoPlay->isChecked() ? 1 : 0;
    m_settings.WriteTag = m_writeTag->isChecked() ? 1 : 0;
    QDialog::hideEvent(event);
    emit visibilityChanged(false);
}

} // namespace tunebay
