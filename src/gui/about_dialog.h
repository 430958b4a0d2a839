#pragma once

#include <QDialog>

namespace tunebay {

// "About Tunebay": the program's name and version, the maker's notice, and the licence.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// "License": the distribution terms, read-only.
class LicenseDialog : public QDialog {
    Q_OBJECT
public:
    explicit LicenseDialog(QWidget* parent = nullptr);
};

// The distribution terms the licence dialog shows.
QString LicenseText();

} // namespace tunebay
