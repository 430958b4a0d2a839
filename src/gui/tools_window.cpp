#include "tools_window.h"
#include "shown_text.h"

#include "app/app_settings.h"
#include "function_generator_dialog.h"
#include "import/audio_format.h"
#include "prompter.h"
#include "store/catalogue_connection.h"
#include "store/catalogue_error.h"
#include "store/classification.h"
#include "store/sql_quote.h"
#include "text/text_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tunebay {

namespace {

constexpr int kNoGenre = 255;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QComboBox* editableList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    return list;
}

} // namespace

CToolsWindow::CToolsWindow(CAppSettings& settings, CCatalogueConnection& connection,
                           const std::string& applicationDirectory,
                           const std::string& userDataDirectory, IPrompter& prompter,
                           QWidget* parent)
    : QDialog(parent), m_settings(settings), m_connection(connection),
      m_applicationDirectory(applicationDirectory), m_userDataDirectory(userDataDirectory),
      m_prompter(prompter) {
    setWindowTitle(tr("Tools"));
    setModal(false);
    m_exceptions = LoadPreferredCapitalizeExceptions(applicationDirectory, userDataDirectory);
    if (!m_exceptions.errorMessage.empty())
        m_prompter.Message(qt(m_exceptions.errorMessage), PromptIcon::Error);

    const char* names[6] = {QT_TR_NOOP("1. Auto-identify Media"),
                            QT_TR_NOOP("2. Correct Names"),
                            QT_TR_NOOP("3. Capitalize Names"),
                            QT_TR_NOOP("4. Set Property"),
                            QT_TR_NOOP("5. MP3 tag"),
                            QT_TR_NOOP("6. Rename Filename")};
    for (int i = 0; i < 6; ++i)
        m_tool[i] = new QCheckBox(tr(names[i]), this);

    auto* layout = new QVBoxLayout(this);

    // 1. Identification and its options.
    m_identifyMissing = new QCheckBox(tr("Fill in only missing properties"), this);
    m_identifyAsk = new QCheckBox(tr("Ask/Show Errors"), this);
    auto* identifyRow = new QHBoxLayout;
    identifyRow->addWidget(m_tool[0]);
    identifyRow->addWidget(m_identifyMissing);
    identifyRow->addWidget(m_identifyAsk);
    identifyRow->addStretch(1);
    layout->addLayout(identifyRow);

    // 2. Correct Names with its hint.
    auto* correctHint = new QLabel(
        tr("(Replace underscore with space, correction of double space, remove space at begin and "
           "end, remove '!!s' and (#) at end, decode '%xx' and much more...)"),
        this);
    correctHint->setWordWrap(true);
    auto* correctRow = new QHBoxLayout;
    correctRow->addWidget(m_tool[1], 0, Qt::AlignTop);
    correctRow->addWidget(correctHint, 1);
    layout->addLayout(correctRow);

    // 3. Capitalize Names with its mode and the exception list.
    m_capitalizeMode = new QComboBox(this);
    for (const char* label : kCapitalizeModeLabels)
        m_capitalizeMode->addItem(ShownText(label));
    m_edit = new QPushButton(tr("Edit"), this);
    if (m_exceptions.list && m_exceptions.errorMessage.empty())
        m_edit->setText(tr("Edit (%1)").arg(m_exceptions.list->size()));
    auto* capitalizeRow = new QHBoxLayout;
    capitalizeRow->addWidget(m_tool[2]);
    capitalizeRow->addWidget(m_capitalizeMode);
    capitalizeRow->addWidget(m_edit);
    capitalizeRow->addStretch(1);
    layout->addLayout(capitalizeRow);

    // 4. Set Property: a row per property with its Set and Ask boxes.
    layout->addWidget(m_tool[3]);
    auto* properties = new QGridLayout;
    properties->setContentsMargins(20, 0, 0, 0);
    m_title = new QLineEdit(this);
    m_group = editableList(this);
    m_package = editableList(this);
    m_published = new QLineEdit(this);
    m_published->setMaxLength(4);
    m_genre = new QComboBox(this);
    m_comment = new QLineEdit(this);
    const char* labels[6] = {QT_TR_NOOP("Title"),     QT_TR_NOOP("Group"), QT_TR_NOOP("Package"),
                             QT_TR_NOOP("Published"), QT_TR_NOOP("Genre"), QT_TR_NOOP("Comment")};
    QWidget* fields[6] = {m_title, m_group, m_package, m_published, m_genre, m_comment};
    for (int row = 0; row < 6; ++row) {
        m_set[row] = new QCheckBox(tr("Set"), this);
        m_ask[row] = new QCheckBox(tr("Ask"), this);
        properties->addWidget(new QLabel(tr(labels[row]), this), row, 0);
        properties->addWidget(fields[row], row, 1);
        properties->addWidget(m_set[row], row, 2);
        properties->addWidget(m_ask[row], row, 3);
    }
    properties->setColumnStretch(1, 1);
    layout->addLayout(properties);
    for (QLineEdit* field : {m_title, m_group->lineEdit(), m_package->lineEdit(), m_comment})
        new FieldFunctionDecorator(field);

    // 5. MP3 tag and 6. Rename Filename.
    m_tagAction = new QComboBox(this);
    m_tagAction->addItems(
        {tr("Write"), tr("Delete all (v1, v2, Lyric...)"), tr("Delete all except v1")});
    auto* tagRow = new QHBoxLayout;
    tagRow->addWidget(m_tool[4]);
    tagRow->addWidget(m_tagAction);
    tagRow->addStretch(1);
    layout->addLayout(tagRow);
    m_renameStyle = new QComboBox(this);
    m_renameStyle->addItems({tr("WinStyle (lowercase Ext.)"), tr("UnixStyle (lowercase Ext.)")});
    auto* renameRow = new QHBoxLayout;
    renameRow->addWidget(m_tool[5]);
    renameRow->addWidget(m_renameStyle);
    renameRow->addWidget(new QLabel(tr("(%Group - %Title)"), this));
    renameRow->addStretch(1);
    layout->addLayout(renameRow);

    // The hint and the Apply button with its small up/down control.
    m_apply = new QPushButton(tr("Apply"), this);
    m_apply->setDefault(true);
    m_more = new QToolButton(this);
    m_more->setArrowType(Qt::UpArrow);
    m_more->setToolTip(tr("Apply && Refresh"));
    m_less = new QToolButton(this);
    m_less->setArrowType(Qt::DownArrow);
    m_less->setToolTip(tr("Apply"));
    for (QToolButton* arrow : {m_more, m_less})
        arrow->setFixedSize(16, 12);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(m_more);
    arrows->addWidget(m_less);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("* for Function Generator double click"), this));
    bottom->addStretch(1);
    bottom->addWidget(m_apply);
    bottom->addLayout(arrows);
    layout->addLayout(bottom);

    connect(m_capitalizeMode, &QComboBox::currentIndexChanged, this,
            &CToolsWindow::updateEditButton);
    connect(m_edit, &QPushButton::clicked, this, &CToolsWindow::editExceptions);
    connect(m_group, &QComboBox::activated, this, &CToolsWindow::groupChosen);
    connect(m_apply, &QPushButton::clicked, this, &CToolsWindow::applyClicked);
    connect(m_more, &QToolButton::clicked, this, [this] { SetRefresh(true); });
    connect(m_less, &QToolButton::clicked, this, [this] { SetRefresh(false); });

    FillLists();
    load();
}

CToolsWindow::~CToolsWindow() {
    store();
}

void CToolsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit visibilityChanged(true);
}

void CToolsWindow::hideEvent(QHideEvent* event) {
    // The settings are written when the program ends; the window keeps them up to date.
    store();
    QDialog::hideEvent(event);
    emit visibilityChanged(false);
}

void CToolsWindow::load() {
    const CAppSettings& s = m_settings;
    const int ticks[6] = {s.ToolsAutoIdentify, s.ToolsCorrect,  s.ToolsCapitalize,
                          s.ToolsProberty,     s.ToolsWriteTag, s.ToolsRename};
    for (int i = 0; i < 6; ++i)
        m_tool[i]->setChecked(ticks[i] != 0);
    m_identifyMissing->setChecked(s.ToolsAutoIdentifyMissing != 0);
    m_identifyAsk->setChecked(s.ToolsAutoIdentifyAsk != 0);
    m_capitalizeMode->setCurrentIndex(std::clamp(s.ToolsCapitalizeType, 0, 2));
    m_title->setText(qt(s.ToolsTitle));
    m_group->setEditText(qt(s.ToolsGroup));
    m_package->setEditText(qt(s.ToolsPackage));
    m_published->setText(qt(s.ToolsYear));
    m_genre->setCurrentIndex(std::max(0, m_genre->findData(s.ToolsGenre)));
    m_comment->setText(qt(s.ToolsComment));
    const int sets[6] = {s.ToolsTitleSet, s.ToolsGroupSet, s.ToolsPackageSet,
                         s.ToolsYearSet,  s.ToolsGenreSet, s.ToolsCommentSet};
    const int asks[6] = {s.ToolsTitleAsk, s.ToolsGroupAsk, s.ToolsPackageAsk,
                         s.ToolsYearAsk,  s.ToolsGenreAsk, s.ToolsCommentAsk};
    for (int row = 0; row < 6; ++row) {
        m_set[row]->setChecked(sets[row] != 0);
        m_ask[row]->setChecked(asks[row] != 0);
    }
    m_tagAction->setCurrentIndex(std::clamp(s.ToolsTagAction, 0, 2));
    m_renameStyle->setCurrentIndex(std::clamp(s.ToolsRenameStyle, 0, 1));
    updateEditButton();
}

void CToolsWindow::store() {
    CAppSettings& s = m_settings;
    int* ticks[6] = {&s.ToolsAutoIdentify, &s.ToolsCorrect,  &s.ToolsCapitalize,
                     &s.ToolsProberty,     &s.ToolsWriteTag, &s.ToolsRename};
    for (int i = 0; i < 6; ++i)
        *ticks[i] = m_tool[i]->isChecked() ? 1 : 0;
    s.ToolsAutoIdentifyMissing = m_identifyMissing->isChecked() ? 1 : 0;
    s.ToolsAutoIdentifyAsk = m_identifyAsk->isChecked() ? 1 : 0;
    s.ToolsCapitalizeType = m_capitalizeMode->currentIndex();
    s.ToolsTitle = m_title->text().toStdString();
    s.ToolsGroup = m_group->currentText().toStdString();
    s.ToolsPackage = m_package->currentText().toStdString();
    s.ToolsYear = m_published->text().toStdString();
    if (m_genre->currentIndex() >= 0)
        s.ToolsGenre = m_genre->currentData().toInt();
    s.ToolsComment = m_comment->text().toStdString();
    int* sets[6] = {&s.ToolsTitleSet, &s.ToolsGroupSet, &s.ToolsPackageSet,
                    &s.ToolsYearSet,  &s.ToolsGenreSet, &s.ToolsCommentSet};
    int* asks[6] = {&s.ToolsTitleAsk, &s.ToolsGroupAsk, &s.ToolsPackageAsk,
                    &s.ToolsYearAsk,  &s.ToolsGenreAsk, &s.ToolsCommentAsk};
    for (int row = 0; row < 6; ++row) {
        *sets[row] = m_set[row]->isChecked() ? 1 : 0;
        *asks[row] = m_ask[row]->isChecked() ? 1 : 0;
    }
    s.ToolsTagAction = m_tagAction->currentIndex();
    s.ToolsRenameStyle = m_renameStyle->currentIndex();
}

ToolsJob CToolsWindow::Job() {
    store();
    ToolsJob job = ToolsJobFromSettings(m_settings);
    if (m_genre->currentIndex() < 0)
        job.genreSet = false;
    job.refresh = m_refresh;
    job.exceptions = m_exceptions.list ? &*m_exceptions.list : nullptr;
    return job;
}

void CToolsWindow::FillLists() {
    const QString group = m_group->currentText();
    const QString package = m_package->currentText();
    const int genre = m_genre->currentIndex() >= 0 ? m_genre->currentData().toInt() : -1;
    m_group->clear();
    m_genre->clear();
    if (m_connection.IsOpen()) {
        try {
            for (ResultSet rows =
                     m_connection.Execute("SELECT lID, sName FROM tblGenre ORDER BY sName");
                 !rows.IsEof(); rows.MoveNext())
                m_genre->addItem(qt(rows.GetText(1)), rows.GetInt(0));
            for (ResultSet rows = m_connection.Execute("SELECT sName FROM tblGroup ORDER BY sName");
                 !rows.IsEof(); rows.MoveNext())
                m_group->addItem(qt(rows.GetText(0)));
            // The tag action writes each format's own tag; its name says MP3 only while the
            // catalogue holds no other audio.
            const bool otherAudio =
                !m_connection
                     .Execute("SELECT lID FROM tblMedia WHERE lMediaType>1 AND lMediaType<=" +
                              std::to_string(kLastAudioFormat) + " LIMIT 1")
                     .IsEof();
            m_tool[4]->setText(otherAudio ? tr("5. Tag") : tr("5. MP3 tag"));
        } catch (const CatalogueError&) {
            // The lists only offer choices; the texts can still be typed.
        }
    }
    if (m_genre->count() == 0)
        m_genre->addItem(QStringLiteral("-"), kNoGenre);
    m_genre->setCurrentIndex(std::max(0, m_genre->findData(genre)));
    m_group->setEditText(group);
    m_package->setEditText(package);
}

void CToolsWindow::groupChosen() {
    const QString package = m_package->currentText();
    m_package->clear();
    try {
        for (const std::string& name :
             GroupPackageNames(m_connection, m_group->currentText().toStdString()))
            m_package->addItem(qt(name));
    } catch (const CatalogueError&) {
    }
    m_package->setEditText(package);
}

void CToolsWindow::updateEditButton() {
    m_edit->setEnabled(m_capitalizeMode->currentIndex() == kCapitalizeFirstLetters);
}

void CToolsWindow::editExceptions() {
    m_prompter.Message(ShownText(kMessageRestartForExceptions), PromptIcon::Information);
    std::string error;
    const std::string path =
        PrepareUserCapitalizeExceptions(m_applicationDirectory, m_userDataDirectory, error);
    if (path.empty()) {
        m_prompter.Message(qt(error), PromptIcon::Error);
        return;
    }
    if (!m_prompter.OpenWithDesktop(qt(path)))
        m_prompter.Message(ShownText(kMessageNoAssociatedApplication), PromptIcon::Information);
}

void CToolsWindow::SetRefresh(bool refresh) {
    m_refresh = refresh;
    SetRunning(m_running);
}

void CToolsWindow::SetRunning(bool running) {
    m_running = running;
    m_apply->setText(running ? tr("Abort") : m_refresh ? tr("Apply && Refresh") : tr("Apply"));
}

} // namespace tunebay
