#include "options_import_page.h"

#include "import/audio_format.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tunebay {

namespace {
constexpr int kPortMin = 0;
constexpr int kPortMax = 65535;
} // namespace

COptionsImportPage::COptionsImportPage(QWidget* parent) : OptionsPage(parent) {
    recurse = new QCheckBox(tr("Recurse subdirectories when importing folders"), this);
    loadTag = new QCheckBox(tr("Load ID3 tag"), this);
    loadFromFileName =
        new QCheckBox(tr("Load group and title from filename (%Group - %Title)"), this);
    songNameFromFileName = new QCheckBox(tr("Load songname from filename"), this);
    songNameFromFileName->setChecked(true);
    correctNames =
        new QCheckBox(tr("Correct Names extracted from filename (see tools dialog)"), this);
    fingerprint = new QCheckBox(tr("Generate TRM fingerprint"), this);
    proxy = new QLineEdit(this);
    proxyPort = new QLineEdit(this);
    proxyPort->setMaximumWidth(70);
    apiKey = new QLineEdit(this);
    extensions = new QLineEdit(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(recurse);
    // The extensions a folder import takes; "Allow all files" on the general page takes every
    // file instead.
    layout->addWidget(new QLabel(tr("File types imported from folders (separated by ';')"), this));
    layout->addWidget(extensions);
    layout->addSpacing(6);
    layout->addWidget(loadTag);
    layout->addWidget(loadFromFileName);
    layout->addWidget(songNameFromFileName);
    layout->addWidget(correctNames);
    layout->addSpacing(6);
    layout->addWidget(fingerprint);
    layout->addWidget(new QLabel(tr("HTTP Proxy"), this));
    auto* proxyRow = new QHBoxLayout;
    proxyRow->addWidget(proxy);
    proxyRow->addWidget(new QLabel(tr(":"), this));
    proxyRow->addWidget(proxyPort);
    layout->addLayout(proxyRow);
    // The lookup service wants a client key; without one identification cannot run.
    layout->addWidget(new QLabel(tr("AcoustID client key"), this));
    layout->addWidget(apiKey);
    layout->addStretch(1);
}

void COptionsImportPage::Load(const CAppSettings& settings) {
    recurse->setChecked(settings.RecurseSubDirs != 0);
    loadTag->setChecked((settings.ImportSource & 1) != 0);
    loadFromFileName->setChecked((settings.ImportSource & 2) != 0);
    songNameFromFileName->setChecked(true);
    correctNames->setChecked(settings.ImportApplyTools != 0);
    fingerprint->setChecked(settings.ImportGenerateTRM != 0);
    proxy->setText(QString::fromStdString(settings.MusicBrainzProxyURL));
    proxyPort->setText(QString::number(settings.MusicBrainzProxyPort));
    apiKey->setText(QString::fromStdString(settings.MusicBrainzApiKey));
    extensions->setText(QString::fromStdString(
        JoinImportExtensions(ParseImportExtensions(settings.ImportExtensions))));
}

bool COptionsImportPage::Validate(QString& message) const {
    int port = 0;
    if (!ReadRangedNumber(proxyPort->text(), kPortMin, kPortMax, port)) {
        message = RangeMessage(kPortMin, kPortMax);
        return false;
    }
    return true;
}

void COptionsImportPage::Store(CAppSettings& settings) const {
    settings.RecurseSubDirs = recurse->isChecked() ? 1 : 0;
    // Only the two bits of this page change; any others stay.
    int source = settings.ImportSource & ~3;
    if (loadTag->isChecked())
        source |= 1;
    if (loadFromFileName->isChecked())
        source |= 2;
    settings.ImportSource = source;
    settings.ImportApplyTools = correctNames->isChecked() ? 1 : 0;
    settings.ImportGenerateTRM = fingerprint->isChecked() ? 1 : 0;
    settings.MusicBrainzProxyURL = proxy->text().toStdString();
    ReadRangedNumber(proxyPort->text(), kPortMin, kPortMax, settings.MusicBrainzProxyPort);
    settings.MusicBrainzApiKey = apiKey->text().trimmed().toStdString();
    settings.ImportExtensions =
        JoinImportExtensions(ParseImportExtensions(extensions->text().toStdString()));
}

QString ImportFileFilter(const CAppSettings& settings) {
    if (settings.AllowAllFiles != 0)
        return COptionsImportPage::tr("All Files (*.*)");
    QStringList patterns;
    for (const std::string& extension : ParseImportExtensions(settings.ImportExtensions))
        patterns << "*." + QString::fromStdString(extension);
    return COptionsImportPage::tr("Audio Files (%1)").arg(patterns.join(' '));
}

} // namespace tunebay
