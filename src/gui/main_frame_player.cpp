// The window's player commands: Play, and Pause and Stop of a running player.
#include "item_icon_view.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "main_frame.h"
#include "mpris_remote.h"
#include "player_process.h"
#include "prompter.h"
#include "shown_text.h"
#include "theme_icons.h"

#include "store/catalogue_error.h"

#include <QAction>
#include <QFile>
#include <QToolBar>

#include <cstdlib>

namespace tunebay {

void CMainFrame::createPlayerCommands() {
    m_mpris = new MprisRemote(this);
    auto* pause = new QAction(tr("Pause"), this);
    pause->setStatusTip(tr("Pauses the player."));
    pause->setIcon(PlayerIcon(PlayerGlyph::Pause));
    auto* stop = new QAction(tr("Stop"), this);
    stop->setStatusTip(tr("Stops the player."));
    stop->setIcon(PlayerIcon(PlayerGlyph::Stop));
    m_actions.insert("PlayerPause", pause);
    m_actions.insert("PlayerStop", stop);
    if (auto* bar = findChild<QToolBar*>("Toolbar")) {
        bar->insertAction(m_actions["Refresh"], pause);
        bar->insertAction(m_actions["Refresh"], stop);
    }
    connect(m_actions["Play"], &QAction::triggered, this, [this] { Play(); });
    connect(pause, &QAction::triggered, this, &CMainFrame::PausePlayer);
    connect(stop, &QAction::triggered, this, &CMainFrame::StopPlayer);
    // A double-click or Enter on a row plays that item.
    auto playRow = [this](const QModelIndex& index) {
        if (index.isValid())
            Play(m_itemModel->ItemId(index.row()));
    };
    connect(m_itemView, &QAbstractItemView::activated, this, playRow);
    connect(m_iconView, &QAbstractItemView::activated, this, playRow);
    updatePlayerButtons();
}

void CMainFrame::updatePlayerButtons() {
    const bool custom = m_settings.Player == 2;
    m_actions["PlayerPause"]->setEnabled(custom);
    m_actions["PlayerStop"]->setEnabled(custom);
}

void CMainFrame::resolvePlayer() {
    m_settings.ResolvePlayer();
    updatePlayerButtons();
}

void CMainFrame::Play(std::optional<int> itemId) {
    if (!m_document.IsOpen())
        return;
    showStatusNow(ShownText(kStatusLoadingPlayer));
    resolvePlayer();
    const int linkType = m_settings.PlayerLinkType;
    try {
        Selection selection;
        const bool single = itemId || (m_selected <= 1 && listHasFocus());
        if (itemId) {
            const int id = *itemId;
            ItemIdSelection(std::span(&id, 1), m_settings.ItemOrder, selection);
        } else if (!buildSelection(selection)) {
            SetStatusText({});
            return;
        }
        PlayTarget target;
        if (single) {
            const auto file = ReadSingleFile(m_connection, std::move(selection), linkType);
            if (!file) {
                SetStatusText({});
                return;
            }
            target = *file;
            if (const std::string missing = MissingFileMessage(m_connection, target, linkType);
                !missing.empty()) {
                m_prompter.Message(ShownText(missing), PromptIcon::Information);
                SetStatusText({});
                return;
            }
        } else {
            std::string error;
            target.playlist = true;
            target.path =
                PlayerPlaylistPath(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), error);
            if (target.path.empty() ||
                !WritePlayerPlaylist(m_connection, std::move(selection), linkType, target.path)) {
                m_prompter.Message(ShownText(kMessagePlaylistFailed), PromptIcon::Error);
                SetStatusText({});
                return;
            }
        }
        handToPlayer(target);
    } catch (const CatalogueError&) {
        m_prompter.Message(ShownText(kMessageReadMediaFailed), PromptIcon::Error);
    }
    SetStatusText({});
}

void CMainFrame::handToPlayer(const PlayTarget& target) {
    if (m_settings.Player != 2) {
        if (!m_prompter.OpenWithDesktop(QFile::decodeName(QByteArray::fromStdString(target.path))))
            m_prompter.Message(ShownText(kMessageNoPlayer), PromptIcon::Information);
        return;
    }
    const PlayerInvocation invocation = MakePlayerInvocation(m_settings, target.path);
    // A player of that program already running takes the files itself.
    if (const QString service = m_mpris->FindPlayer(invocation.program);
        !service.isEmpty() &&
        m_mpris->HandOver(service,
                          QString::fromStdString(PlayerUri(target.path, m_settings.PlayerLinkType)),
                          invocation.addFlag))
        return;
    switch (StartPlayer(invocation)) {
    case PlayerStart::Started:
        return;
    case PlayerStart::NotFound:
        m_prompter.Message(ShownText(kMessagePlayerNotFound), PromptIcon::Information);
        return;
    case PlayerStart::Failed:
        m_prompter.Message(tr("The player could not be started."), PromptIcon::Information);
        return;
    }
}

QString CMainFrame::runningPlayer() {
    resolvePlayer();
    if (m_settings.Player != 2)
        return {};
    return m_mpris->FindPlayer(SplitPlayerCommand(m_settings.CustomPlayer).program);
}

void CMainFrame::PausePlayer() {
    if (const QString service = runningPlayer(); !service.isEmpty())
        m_mpris->Pause(service);
}

void CMainFrame::StopPlayer() {
    if (const QString service = runningPlayer(); !service.isEmpty())
        m_mpris->Stop(service);
}

} // namespace tunebay
