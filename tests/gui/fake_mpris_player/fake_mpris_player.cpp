// A stand-in media player for the window's tests: it takes a name on the given bus, offers the
// MPRIS calls the window uses, and writes each call it receives as a line to a log file.
//   fake_mpris_player BUS_ADDRESS NAME CAN_EDIT_TRACKS(0|1) LOG_FILE
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

class CallLog : public QObject {
public:
    CallLog(const QString& path, QObject* parent) : QObject(parent), m_file(path) {
        m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }
    void write(const QString& line) { m_file.write((line + '\n').toUtf8()); }

private:
    QFile m_file;
};

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
public:
    explicit RootAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QString identity() const { return QStringLiteral("Fake player"); }
    bool hasTrackList() const { return true; }
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
public:
    PlayerAdaptor(QObject* parent, CallLog* log) : QDBusAbstractAdaptor(parent), m_log(log) {}
public slots:
    void OpenUri(const QString& uri) { m_log->write("OpenUri " + uri); }
    void Play() { m_log->write("Play"); }
    void Pause() { m_log->write("Pause"); }
    void Stop() { m_log->write("Stop"); }

private:
    CallLog* m_log;
};

class TrackListAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.TrackList")
    Q_PROPERTY(bool CanEditTracks READ canEditTracks)
public:
    TrackListAdaptor(QObject* parent, CallLog* log, bool canEdit)
        : QDBusAbstractAdaptor(parent), m_log(log), m_canEdit(canEdit) {}
    bool canEditTracks() const { return m_canEdit; }
public slots:
    void AddTrack(const QString& uri, const QDBusObjectPath& after, bool setAsCurrent) {
        m_log->write("AddTrack " + uri + " " + after.path() + " " +
                     (setAsCurrent ? "true" : "false"));
    }

private:
    CallLog* m_log;
    bool m_canEdit;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 5) {
        std::fputs("usage: fake_mpris_player BUS_ADDRESS NAME CAN_EDIT_TRACKS LOG_FILE\n", stderr);
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "fake");
    QObject player;
    auto* log = new CallLog(QString::fromLocal8Bit(argv[4]), &player);
    new RootAdaptor(&player);
    new PlayerAdaptor(&player, log);
    new TrackListAdaptor(&player, log, QByteArray(argv[3]) == "1");
    if (!bus.isConnected() || !bus.registerObject("/org/mpris/MediaPlayer2", &player) ||
        !bus.registerService("org.mpris.MediaPlayer2." + QString::fromLocal8Bit(argv[2]))) {
        std::fputs("fake_mpris_player: cannot take the name on the bus\n", stderr);
        return 1;
    }
    return application.exec();
}

#include "fake_mpris_player.moc"
