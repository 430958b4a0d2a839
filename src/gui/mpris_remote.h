#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

namespace tunebay {

// Remote control of a running media player over MPRIS: files handed to it instead of starting
// another copy, and its Pause and Stop. Every call waits a short while at most, so a player that
// hangs cannot freeze the window.
class MprisRemote : public QObject {
    Q_OBJECT
public:
    // Over the session bus, reached on first use (a window that never plays never connects).
    explicit MprisRemote(QObject* parent = nullptr);

    // Another bus to talk over (tests use a private one).
    void SetBus(const QDBusConnection& bus) { m_bus = bus; }

    // The bus name of a running player that `program` names: "org.mpris.MediaPlayer2." and the
    // program's file name, alone or with an instance suffix, case aside. Empty when none runs.
    QString FindPlayer(const std::string& program) const;

    // Hands `uri` to the player: added to its track list when `add` is set and the player can
    // edit its list (its playback left as it is), else opened and played, also by a player that
    // was paused. False when the player did not take it (then the caller starts the player
    // program instead).
    bool HandOver(const QString& service, const QString& uri, bool add) const;

    // Pause or Stop of the player's Player interface; false when the call failed.
    bool Pause(const QString& service) const { return call(service, "Pause"); }
    bool Stop(const QString& service) const { return call(service, "Stop"); }

private:
    bool call(const QString& service, const char* method) const;
    QDBusConnection& bus() const;

    mutable std::optional<QDBusConnection> m_bus;
};

} // namespace tunebay
