#pragma once

#include <QString>

#include <string>

namespace tunebay {

// The program's data directory (catalogue template, help page, exception list), ending in "/":
// share/tunebay/ beside the executable's bin/ folder, which is where both the build tree and an
// installed copy keep it.
std::string ProgramDataDirectory();

// The user's music folder (the desktop's, else the home folder), ending in "/".
std::string DefaultMusicFolder();

// A folder setting as the file choosers can start from it: the stored folder when it is an
// existing absolute directory, else the music folder (a stored "c:" from another system, or a
// folder since removed).
std::string UsableFolder(const std::string& stored);

// The user's own data directory for the program (the first catalogue, the editable copy of the
// exception list), ending in "/".
std::string UserDataDirectory();

// The desktop's default application for MP3 files as a player command line with "%1" for the
// file ("" when none is set up). Asks xdg-mime and reads the application's .desktop file.
std::string ProbeDefaultPlayer();

// Turns a .desktop file's Exec line into a player command: the program in double quotes, its
// arguments, and "%1" where the file goes; other field codes are dropped.
std::string PlayerCommandFromExec(const QString& exec);

} // namespace tunebay
