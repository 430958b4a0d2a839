// Play, Pause and Stop driven through the window: a file or the private playlist handed to the
// custom player's program, to the desktop, or over MPRIS to a running player (a stand-in player
// on a private bus), and the messages on the way.
#include "gui_tests.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "mpris_remote.h"
#include "support/memory_settings_store.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QAction>
#include <QDBusConnectionInterface>
#include <QItemSelectionModel>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

using namespace tunebay;
using namespace tunebay::test;
namespace fs = std::filesystem;

namespace {

// A message bus of the test's own, so no desktop session is needed or disturbed.
class PrivateBus {
public:
    PrivateBus() {
        // The bus's socket lives in the test's own folder, so nothing is left in /tmp when the
        // daemon is killed.
        const QString listen =
            "--address=unix:dir=" + QString::fromStdString(m_socketDir.path().string());
        m_daemon.start("dbus-daemon",
                       {"--session", "--nofork", "--nopidfile", listen, "--print-address=1"});
        if (!m_daemon.waitForStarted(5000)) {
            reason = "dbus-daemon cannot be started";
            return;
        }
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (address.isEmpty()) {
            reason = "dbus-daemon gave no address: " + m_daemon.readAllStandardError();
            return;
        }
        bus.emplace(QDBusConnection::connectToBus(address, "player-test"));
        if (!bus->isConnected())
            reason = "the private bus cannot be reached: " + bus->lastError().message();
    }
    ~PrivateBus() {
        bus.reset();
        QDBusConnection::disconnectFromBus("player-test");
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

    QString address;
    QString reason; // why no bus is there; empty when it is
    std::optional<QDBusConnection> bus;

private:
    TempDir m_socketDir;
    QProcess m_daemon;
};

// The stand-in player on the private bus, noting every call it receives.
class FakePlayer {
public:
    FakePlayer(PrivateBus& bus, const QString& name, bool canEditTracks)
        : m_log(QString::fromStdString(m_dir.file("calls.log").string())) {
        m_process.start(TUNEBAY_FAKE_MPRIS_PLAYER,
                        {bus.address, name, canEditTracks ? "1" : "0", m_log});
        const QString service = "org.mpris.MediaPlayer2." + name;
        for (int i = 0; i < 100 && !bus.bus->interface()->isServiceRegistered(service); ++i)
            QTest::qWait(50);
        registered = bus.bus->interface()->isServiceRegistered(service);
    }
    ~FakePlayer() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QStringList calls() const {
        return QString::fromStdString(readFile(m_log.toStdString()))
            .split('\n', Qt::SkipEmptyParts);
    }
    bool registered = false;

private:
    TempDir m_dir;
    QString m_log;
    QProcess m_process;
};

// Two real files in a catalogue, the second stored under a volume label, and a private runtime
// folder for the playlist.
struct PlayShelf {
    TempCatalogue catalogue;
    TempDir files;
    TempDir runtime;
    std::vector<int> ids;

    PlayShelf() {
        ::chmod(runtime.path().c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        CatalogueBuilder builder(catalogue.connection);
        for (const std::string name : {"a.mp3", "b.mp3"}) {
            std::ofstream(files.file(name)) << name;
            ItemFacts item = facts(name, "Duo");
            item.directory = files.path().string() + "/";
            item.fileName = name;
            const AddedItem added = builder.add(item);
            ids.push_back(added.itemId);
            if (name == "b.mp3")
                catalogue.connection.Execute("INSERT INTO tblOptional (lOptionalTypeID, lTableID, "
                                             "sValue) VALUES (4117, " +
                                             std::to_string(added.mediaId) + ", 'DISC 7')");
        }
    }
    QString playlistUri() const {
        return "file://" + QString::fromStdString(runtime.file("Tunebay.m3u").string());
    }
    QString fileUri(const char* name) const {
        return "file://" + QString::fromStdString(files.file(name).string());
    }
};

// A player program that writes its arguments to a file.
fs::path scriptPlayer(const TempDir& dir, const fs::path& seen) {
    const fs::path player = dir.write(
        "player.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + seen.string() + ".part\"\nmv \"" +
                         seen.string() + ".part\" \"" + seen.string() + "\"\n");
    fs::permissions(player, fs::perms::owner_all);
    return player;
}

} // namespace

class PlayerCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void theCommandsAreOfferedWithACustomPlayerOnly() {
        WindowFixture window;
        window.settings.Player = 1;
        window.frame->ApplySettings();
        QVERIFY(!window.frame->Action("Play")->isEnabled()); // no catalogue yet
        QVERIFY(!window.frame->Action("PlayerPause")->isEnabled());
        window.settings.Player = 2;
        window.settings.CustomPlayer = "\"vlc\" \"%1\"";
        window.frame->ApplySettings();
        QVERIFY(window.frame->Action("PlayerPause")->isEnabled());
        QVERIFY(window.frame->Action("PlayerStop")->isEnabled());

        // A custom player that is still to be looked for: the first press finds none, so the
        // buttons go out.
        MemorySettingsStore store;
        window.settings.CustomPlayer.clear();
        window.settings.Load(store, "/", [] { return std::string(); });
        window.frame->ApplySettings();
        window.frame->Action("PlayerPause")->trigger();
        QCOMPARE(window.settings.Player, 1);
        QVERIFY(!window.frame->Action("PlayerPause")->isEnabled());
        QVERIFY(!window.frame->Action("PlayerStop")->isEnabled());
    }

    void aRunningPlayerTakesAndPlaysThePlaylistAndIsPausedAndStopped() {
        PrivateBus bus;
        if (!bus.reason.isEmpty())
            QSKIP(qPrintable("no private D-Bus session bus for the MPRIS tests: " + bus.reason));
        PlayShelf shelf;
        FakePlayer player(bus, "fakeplayer.instance7", true);
        QVERIFY(player.registered);
        WindowFixture window;
        window.settings.Player = 2;
        window.settings.CustomPlayer = "\"/nowhere/fakeplayer\" \"%1\"";
        window.frame->PlayerRemote()->SetBus(*bus.bus);
        QVERIFY(window.open(shelf.catalogue.path()));

        window.frame->Action("Play")->trigger();
        window.frame->Action("PlayerPause")->trigger();
        window.frame->Action("PlayerStop")->trigger();
        QTRY_COMPARE(player.calls(),
                     QStringList({"OpenUri " + shelf.playlistUri(), "Play", "Pause", "Stop"}));
        QVERIFY(window.prompter.messages.isEmpty());
        const std::string playlist = readFile(shelf.runtime.file("Tunebay.m3u"));
        QVERIFY(playlist.find("/a.mp3\r\n") != std::string::npos);
        QVERIFY(playlist.find("/b.mp3\r\n") != std::string::npos);
        QCOMPARE(window.frame->StatusText(), QString());
    }

    void theAddFlagAddsToAnEditableTrackListElseStartsTheProgram() {
        PrivateBus bus;
        if (!bus.reason.isEmpty())
            QSKIP(qPrintable("no private D-Bus session bus for the MPRIS tests: " + bus.reason));
        PlayShelf shelf;
        {
            FakePlayer player(bus, "fakeplayer", true);
            QVERIFY(player.registered);
            WindowFixture window;
            window.settings.Player = 2;
            window.settings.CustomPlayer = "fakeplayer --enqueue %1";
            window.frame->PlayerRemote()->SetBus(*bus.bus);
            QVERIFY(window.open(shelf.catalogue.path()));
            window.frame->Play(shelf.ids[0]);
            QTRY_COMPARE(player.calls(),
                         QStringList({"AddTrack " + shelf.fileUri("a.mp3") +
                                      " /org/mpris/MediaPlayer2/TrackList/NoTrack false"}));
        }
        // A player that cannot edit its list is left to the command line, here a missing one.
        FakePlayer player(bus, "fakeplayer", false);
        QVERIFY(player.registered);
        WindowFixture window;
        window.settings.Player = 2;
        window.settings.CustomPlayer = "\"/nowhere/fakeplayer\" /ADD \"%1\"";
        window.frame->PlayerRemote()->SetBus(*bus.bus);
        QVERIFY(window.open(shelf.catalogue.path()));
        window.frame->Play(shelf.ids[0]);
        QCOMPARE(window.prompter.messages, QStringList({"Specified Player couldn't be found!"}));
        QVERIFY(player.calls().isEmpty());
    }

    void withoutARunningPlayerTheCommandIsStartedWithTheFile() {
        PlayShelf shelf;
        TempDir dir;
        const fs::path seen = dir.file("seen.txt");
        WindowFixture window;
        window.settings.Player = 2;
        window.settings.CustomPlayer = "\"" + scriptPlayer(dir, seen).string() + "\" --one \"%1\"";
        QVERIFY(window.open(shelf.catalogue.path()));
        window.frame->show();
        QVERIFY(QTest::qWaitForWindowActive(window.frame.get()));
        // One row selected in the list that has the focus: that file itself.
        window.frame->FocusItemList();
        CJukoraView* list = window.frame->ItemView();
        list->selectionModel()->select(list->model()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        window.frame->UseListSelection();
        QTRY_COMPARE(window.frame->SelectedCount(), 1);
        window.frame->Play();
        QTRY_VERIFY(fs::exists(seen));
        QCOMPARE(QString::fromStdString(readFile(seen)),
                 "--one\n" + QString::fromStdString(shelf.files.file("a.mp3").string()) + "\n");
        QVERIFY(window.prompter.messages.isEmpty());

        // A double-click or Enter on a row plays that row's item.
        fs::remove(seen);
        const int row = window.frame->ItemModel()->ItemId(0) == shelf.ids[1] ? 0 : 1;
        emit list->activated(list->model()->index(row, 0));
        QTRY_VERIFY(fs::exists(seen));
        QCOMPARE(QString::fromStdString(readFile(seen)),
                 "--one\n" + QString::fromStdString(shelf.files.file("b.mp3").string()) + "\n");
    }

    void aMissingFileOrPlayerIsReported() {
        PlayShelf shelf;
        WindowFixture window;
        window.settings.Player = 2;
        window.settings.CustomPlayer = "\"/nowhere/player\" \"%1\"";
        QVERIFY(window.open(shelf.catalogue.path()));
        window.frame->Play(shelf.ids[0]);
        fs::remove(shelf.files.file("b.mp3"));
        window.frame->Play(shelf.ids[1]);
        window.settings.Player = 1;
        window.prompter.openSucceeds = false;
        window.frame->Play(shelf.ids[0]);
        QCOMPARE(window.prompter.messages,
                 QStringList({"Specified Player couldn't be found!",
                              "Media file not found! Insert disk with VolumeName 'DISC 7'",
                              "There is no player associated with the given file name "
                              "extension!"}));
        QCOMPARE(window.prompter.opened,
                 QStringList({QString::fromStdString(shelf.files.file("a.mp3").string())}));
        QCOMPARE(window.prompter.icons.back(), PromptIcon::Information);
    }
};

int RunPlayerCommandsTests(int argc, char** argv) {
    PlayerCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "player_commands_test.moc"
