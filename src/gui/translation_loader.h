#pragma once

#include <QCoreApplication>

#include <string>

namespace tunebay {

// Installs the window's translation for the user's locale when one is installed
// (`<data>/translations/tunebay_<locale>.qm`, e.g. tunebay_de.qm), and Qt's own for the standard
// dialogs. Without one the window keeps its own texts. Returns whether a window translation was
// found.
bool InstallTranslations(QCoreApplication& application, const std::string& dataDirectory);

} // namespace tunebay
