#include "desktop_colour_scheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <optional>

namespace tunebay {

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kPortalSettings = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kColourScheme = "color-scheme";
// The portal's values: 0 no preference, 1 prefer dark, 2 prefer light.
constexpr uint kPreferDark = 1;

// A variant as the portal sends it, unwrapped from however many D-Bus variants hold it.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

// The portal's colour scheme, or nothing when there is no portal to ask.
std::optional<uint> portalColourScheme() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalSettings, "Read");
    call << QString::fromLatin1(kAppearance) << QString::fromLatin1(kColourScheme);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const uint scheme = unwrap(reply.arguments().front()).toUInt(&ok);
    return ok ? std::optional<uint>(scheme) : std::nullopt;
}

QPalette darkPalette() {
    const QColor window(0x2b, 0x2d, 0x30);
    const QColor base(0x1e, 0x1f, 0x22);
    const QColor text(0xe8, 0xe8, 0xe8);
    const QColor dimmed(0x80, 0x80, 0x80);
    const QColor highlight(0x2a, 0x6f, 0xb8);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dimmed);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Light, window.lighter(150));
    palette.setColor(QPalette::Midlight, window.lighter(125));
    palette.setColor(QPalette::Mid, window.darker(120));
    palette.setColor(QPalette::Dark, window.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Link, highlight.lighter(140));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, dimmed);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(130));
    return palette;
}

} // namespace

DesktopColourScheme::DesktopColourScheme(QApplication& application)
    : QObject(&application), m_application(application) {
    m_light = QApplication::palette().color(QPalette::Window).lightness() >= 128;
    if (m_light)
        apply(PrefersDark());
    QDBusConnection::sessionBus().connect(kPortalService, kPortalPath, kPortalSettings,
                                          "SettingChanged", this,
                                          SLOT(onSettingChanged(QString, QString, QDBusVariant)));
}

bool DesktopColourScheme::PrefersDark() {
    if (const auto scheme = portalColourScheme())
        return *scheme == kPreferDark;
    const QString gtkTheme = qEnvironmentVariable("GTK_THEME").toLower();
    return gtkTheme.endsWith(QLatin1String(":dark")) || gtkTheme.endsWith(QLatin1String("-dark"));
}

void DesktopColourScheme::onSettingChanged(const QString& group, const QString& key,
                                           const QDBusVariant& value) {
    if (group != QLatin1String(kAppearance) || key != QLatin1String(kColourScheme) || !m_light)
        return;
    apply(unwrap(value.variant()).toUInt() == kPreferDark);
}

void DesktopColourScheme::apply(bool dark) {
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    } else {
        QApplication::setPalette(QApplication::style()->standardPalette());
    }
}

} // namespace tunebay
