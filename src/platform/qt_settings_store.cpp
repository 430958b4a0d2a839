#include "qt_settings_store.h"

#include "app/product.h"

#include <QStandardPaths>

namespace tunebay {

namespace {

QString key(std::string_view section, std::string_view name) {
    const QString value = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (section.empty())
        return value;
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + "/" + value;
}

} // namespace

// QSettings would name a user-scope INI file "Tunebay.ini"; the file is "Tunebay.conf".
QtSettingsStore::QtSettingsStore()
    : QtSettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/%1/%2.conf").arg(kCompanyName, kProductName)) {}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

std::optional<std::string> QtSettingsStore::Read(std::string_view section,
                                                 std::string_view name) const {
    const QVariant value = m_settings->value(key(section, name));
    // A list (an unquoted value with commas in the file) is not a single value of either kind.
    if (!value.isValid() || value.typeId() == QMetaType::QStringList)
        return std::nullopt;
    return value.toString().toStdString();
}

void QtSettingsStore::WriteInt(std::string_view section, std::string_view name, int value) {
    m_settings->setValue(key(section, name), value);
}

void QtSettingsStore::WriteText(std::string_view section, std::string_view name,
                                std::string_view value) {
    m_settings->setValue(key(section, name),
                         QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

bool QtSettingsStore::Sync() {
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

} // namespace tunebay
