#pragma once

#include <QDBusVariant>
#include <QObject>

class QApplication;

namespace tunebay {

// Keeps the program's colours with the desktop's choice of a dark or light scheme. Desktops
// whose Qt integration already gives a dark palette are left to it; elsewhere (a GNOME desktop
// without Qt integration, a bare window manager) the scheme is read from the settings portal
// (org.freedesktop.appearance color-scheme) or a GTK theme named dark, and a dark scheme gets
// the Fusion style with a dark palette. A change made on the desktop is followed at once.
class DesktopColourScheme : public QObject {
    Q_OBJECT
public:
    explicit DesktopColourScheme(QApplication& application);

    // Whether the desktop asks for dark colours.
    static bool PrefersDark();

private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void apply(bool dark);

    QApplication& m_application;
    bool m_light = true; // the palette the style gave, before any change here
};

} // namespace tunebay
