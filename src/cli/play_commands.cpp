// Playing the items of a scope: play.
#include "cli_context.h"
#include "player_process.h"
#include "scope_options.h"

#include "output/player_launch.h"
#include "store/catalogue_error.h"

#include <cstdlib>
#include <ostream>

namespace tunebay::cli {

namespace {

class PlayCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "play", "Play the items of a scope: one item directly, several through a playlist");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser->add_flag("--dry-run", m_dryRun,
                         "Print the player's program and arguments (one a line) and the playlist "
                         "it would get, and start nothing");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        CAppSettings& settings = context.settings;
        settings.ResolvePlayer();
        const int linkType = settings.PlayerLinkType;
        Selection selection;
        if (const int status = m_scope.Resolve(context, settings.ItemOrder, selection);
            status != kExitSuccess)
            return status;

        PlayTarget target;
        std::string playlistBytes;
        try {
            const int count = countUpToTwo(context.connection, selection);
            if (count == 0) {
                context.err << "No items to play.\n";
                return kExitReportedFailures;
            }
            if (count == 1) {
                target = *ReadSingleFile(context.connection, selection, linkType);
                if (const std::string missing =
                        MissingFileMessage(context.connection, target, linkType);
                    !missing.empty()) {
                    context.err << missing << "\n";
                    return kExitReportedFailures;
                }
            } else if (!writePlaylist(context, selection, linkType, target, playlistBytes)) {
                return kExitReportedFailures;
            }
        } catch (const CatalogueError&) {
            context.err << kMessageReadMediaFailed << "\n";
            return kExitReportedFailures;
        }

        const PlayerInvocation invocation = MakePlayerInvocation(settings, target.path);
        if (m_dryRun) {
            if (FindPlayerProgram(invocation.program).empty())
                return notFound(context, invocation);
            context.out << invocation.program << "\n";
            for (const std::string& argument : invocation.arguments)
                context.out << argument << "\n";
            if (target.playlist)
                context.out << "Playlist: " << target.path << " (" << playlistBytes.size()
                            << " bytes)\n"
                            << playlistBytes << "\n";
            return kExitSuccess;
        }
        switch (StartPlayer(invocation)) {
        case PlayerStart::Started:
            return kExitSuccess;
        case PlayerStart::NotFound:
            return notFound(context, invocation);
        case PlayerStart::Failed:
            break;
        }
        context.err << "The player could not be started.\n";
        return kExitReportedFailures;
    }

private:
    static int countUpToTwo(CCatalogueConnection& connection, Selection selection) {
        selection.columns = "SELECT tblItem.lID";
        int count = 0;
        for (ResultSet rows = RunSelection(connection, selection); !rows.IsEof() && count < 2;
             rows.MoveNext())
            ++count;
        return count;
    }

    // The playlist for the player; with --dry-run only its bytes are made, in a scratch folder.
    bool writePlaylist(CliContext& context, const Selection& selection, int linkType,
                       PlayTarget& target, std::string& bytes) const {
        std::string error;
        target.playlist = true;
        target.path = PlayerPlaylistPath(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"),
                                         error, !m_dryRun);
        bool written = false;
        if (!target.path.empty()) {
            if (m_dryRun) {
                const auto rendered = RenderPlayerPlaylist(context.connection, selection, linkType,
                                                           std::getenv("TMPDIR"));
                written = rendered.has_value();
                if (rendered)
                    bytes = *rendered;
            } else {
                written = WritePlayerPlaylist(context.connection, selection, linkType, target.path);
            }
        }
        if (!written) {
            context.err << kMessagePlaylistFailed;
            if (!error.empty())
                context.err << " (" << error << ")";
            context.err << "\n";
        }
        return written;
    }

    static int notFound(CliContext& context, const PlayerInvocation& invocation) {
        context.err << (invocation.custom ? kMessagePlayerNotFound : kMessageNoPlayer) << "\n";
        return kExitReportedFailures;
    }

    std::string m_catalogue;
    ScopeOptions m_scope;
    bool m_dryRun = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakePlayCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<PlayCommand>());
    return commands;
}

} // namespace tunebay::cli
