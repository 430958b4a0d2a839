#pragma once

#include "options_page.h"

class QCheckBox;
class QLineEdit;

namespace tunebay {

// "Import": what an import reads from each file, and the proxy of the fingerprint lookup.
class COptionsImportPage : public OptionsPage {
    Q_OBJECT
public:
    explicit COptionsImportPage(QWidget* parent = nullptr);
    void Load(const CAppSettings& settings) override;
    bool Validate(QString& message) const override;
    void Store(CAppSettings& settings) const override;

    QCheckBox* recurse = nullptr;
    QCheckBox* loadTag = nullptr;
    QCheckBox* loadFromFileName = nullptr;
    QCheckBox* songNameFromFileName = nullptr;
    QCheckBox* correctNames = nullptr;
    QCheckBox* fingerprint = nullptr;
    QLineEdit* proxy = nullptr;
    QLineEdit* proxyPort = nullptr;
    QLineEdit* apiKey = nullptr;
    QLineEdit* extensions = nullptr;
};

// The file dialogs' filter for files to import: every file when all files are allowed, else
// the audio files of the `ImportExtensions` list.
QString ImportFileFilter(const CAppSettings& settings);

} // namespace tunebay
