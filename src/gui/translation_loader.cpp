#include "translation_loader.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tunebay {

bool InstallTranslations(QCoreApplication& application, const std::string& dataDirectory) {
    const QLocale locale;
    // Both translators are children of the application, so they live as long as it does.
    auto* qt = new QTranslator(&application);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    auto* own = new QTranslator(&application);
    const QString folder = QString::fromStdString(dataDirectory) + QStringLiteral("translations");
    if (!own->load(locale, QStringLiteral("tunebay"), QStringLiteral("_"), folder)) {
        delete own;
        return false;
    }
    QCoreApplication::installTranslator(own);
    return true;
}

} // namespace tunebay
