#pragma once

#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

class CAppSettings;

inline constexpr const char* kStatusLoadingPlayer =
    TB_TRANSLATE_NOOP("Tunebay", "Loading player...");
inline constexpr const char* kPlayerPlaylistName = "Tunebay.m3u";
inline constexpr const char* kMessagePlaylistFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't create playlist file!");
inline constexpr const char* kMessagePlayerNotFound =
    TB_TRANSLATE_NOOP("Tunebay", "Specified Player couldn't be found!");
inline constexpr const char* kMessageNoPlayer = TB_TRANSLATE_NOOP(
    "Tunebay", "There is no player associated with the given file name extension!");
inline constexpr const char* kMessageMediaAccessDenied =
    TB_TRANSLATE_NOOP("Tunebay", "The operating system denied access to media file!");
inline constexpr const char* kMessageMediaNotFound =
    TB_TRANSLATE_NOOP("Tunebay", "Media file not found!");
inline constexpr const char* kMessageReadMediaFailed = TB_TRANSLATE_NOOP(
    "Tunebay", "Unknown error occurred while retrieving media filename for player!");
// The program behind the desktop's "open" action for a file.
inline constexpr const char* kDesktopOpenProgram = "xdg-open";

// What Play hands to the player: one media file, or the temporary playlist of several.
struct PlayTarget {
    std::string path; // a file path, or a web address with link type 3
    bool playlist = false;
    int mediaId = 0; // a single file's media row: the key of the volume lookup
};

// The select list that reads a single file: file name, directory in the link type's form, media
// id, network folder.
std::string SingleFileSelectList(int linkType);

// The first row of the selection as a single file to play, a local file where this machine has
// it; nothing when the selection is empty. Throws CatalogueError.
std::optional<PlayTarget> ReadSingleFile(CCatalogueConnection& connection, Selection selection,
                                         int linkType);

// Where the temporary playlist goes: `runtimeDir` (the session's private folder) when it is an
// absolute folder of this user that nobody else may enter, else a folder of this user's own in
// `tempDir` (made with mode 0700 when missing, refused when it is a link, another user's, or open
// to others). Empty, with `error` set, when neither can be used. Without `makeFolder` a missing
// folder is not made (a trial run that writes nothing names the path all the same).
std::string PlayerPlaylistPath(const char* runtimeDir, const char* tempDir, std::string& error,
                               bool makeFolder = true);

// Writes the selection's playlist to `path` with the M3U exporter, local files named where this
// machine has them. An old file at the path is
// replaced by a new one of this user's alone; a link standing there is removed, never written
// through. False when the file cannot be written.
bool WritePlayerPlaylist(CCatalogueConnection& connection, Selection selection, int linkType,
                         const std::string& path);

// The bytes WritePlayerPlaylist would write, made in a scratch folder under `tempDir` that is
// removed again. Empty when they cannot be made.
std::optional<std::string> RenderPlayerPlaylist(CCatalogueConnection& connection,
                                                Selection selection, int linkType,
                                                const char* tempDir);

// Why a single file cannot be handed over: empty when it is there (or is a web address, which
// cannot be checked), else the message to show. A missing file names the volume that holds it
// when the catalogue knows its label. Throws CatalogueError.
std::string MissingFileMessage(CCatalogueConnection& connection, const PlayTarget& target,
                               int linkType);
// "Media file not found!", with the stored volume label of the media row when there is one.
std::string MediaNotFoundMessage(CCatalogueConnection& connection, int mediaId);

// A custom player command line taken apart: the program and its arguments, "%1" still in them.
// A program between double quotes may hold blanks; the rest is split at blanks, double quotes
// grouping words, and is never given to a shell.
struct PlayerCommandLine {
    std::string program;
    std::vector<std::string> arguments;
};
PlayerCommandLine SplitPlayerCommand(std::string_view commandLine);

// Whether the command line asks to add to the player's list rather than to play at once: one of
// its arguments is "/add" or "--enqueue" (in any case).
bool HasAddFlag(std::string_view commandLine);

// The program and arguments that play `target`: the custom player's with "%1" replaced, or the
// desktop's "open" action for the standard player. Call CAppSettings::ResolvePlayer first.
struct PlayerInvocation {
    std::string program;
    std::vector<std::string> arguments;
    bool custom = false;
    bool addFlag = false;
};
PlayerInvocation MakePlayerInvocation(const CAppSettings& settings, const std::string& target);

// The address a player is given a local file by: "file://" and the path, byte for byte, with
// everything but letters, digits, "/" and "-._~" percent-encoded. A web address stays as it is.
std::string PlayerUri(const std::string& target, int linkType);

// The file name of a program ("/usr/bin/vlc" → "vlc"), as a running player's bus name carries it.
std::string ProgramBaseName(std::string_view program);

} // namespace tunebay
