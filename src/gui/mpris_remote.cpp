#include "mpris_remote.h"

#include "output/player_launch.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace tunebay {

namespace {

const QString kPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kTrackListInterface = QStringLiteral("org.mpris.MediaPlayer2.TrackList");
constexpr int kCallTimeoutMs = 3000;

} // namespace

MprisRemote::MprisRemote(QObject* parent) : QObject(parent) {}

QDBusConnection& MprisRemote::bus() const {
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    return *m_bus;
}

QString MprisRemote::FindPlayer(const std::string& program) const {
    const QString name = QString::fromStdString(ProgramBaseName(program));
    if (name.isEmpty() || !bus().isConnected() || !bus().interface())
        return {};
    const QDBusReply<QStringList> names = bus().interface()->registeredServiceNames();
    if (!names.isValid())
        return {};
    const QString exact = kPrefix + name;
    for (const QString& service : names.value()) {
        if (service.compare(exact, Qt::CaseInsensitive) == 0 ||
            service.startsWith(exact + '.', Qt::CaseInsensitive))
            return service;
    }
    return {};
}

bool MprisRemote::HandOver(const QString& service, const QString& uri, bool add) const {
    if (add) {
        // Without an editable track list, adding is left to the player's own command line.
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << kTrackListInterface << QStringLiteral("CanEditTracks");
        const QDBusMessage editable = bus().call(get, QDBus::Block, kCallTimeoutMs);
        if (editable.type() != QDBusMessage::ReplyMessage || editable.arguments().isEmpty() ||
            !editable.arguments().first().value<QDBusVariant>().variant().toBool())
            return false;
        QDBusMessage addTrack = QDBusMessage::createMethodCall(
            service, kObjectPath, kTrackListInterface, QStringLiteral("AddTrack"));
        addTrack << uri
                 << QVariant::fromValue(QDBusObjectPath(
                        QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))
                 << false;
        return bus().call(addTrack, QDBus::Block, kCallTimeoutMs).type() ==
               QDBusMessage::ReplyMessage;
    }
    QDBusMessage open = QDBusMessage::createMethodCall(service, kObjectPath, kPlayerInterface,
                                                       QStringLiteral("OpenUri"));
    open << uri;
    if (bus().call(open, QDBus::Block, kCallTimeoutMs).type() != QDBusMessage::ReplyMessage)
        return false;
    // A paused player loads the new list and stays paused (mpv does): start it. The list has
    // been taken either way, so a player that refuses Play still counts as having it.
    call(service, "Play");
    return true;
}

bool MprisRemote::call(const QString& service, const char* method) const {
    const QDBusMessage message = QDBusMessage::createMethodCall(
        service, kObjectPath, kPlayerInterface, QString::fromLatin1(method));
    return bus().call(message, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace tunebay
