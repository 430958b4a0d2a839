#pragma once

#include "output/player_launch.h"

#include <string>

namespace tunebay {

// The executable a player program names: a path with a slash as it stands, a bare name looked up
// in PATH. Empty when there is no executable file there.
std::string FindPlayerProgram(const std::string& program);

enum class PlayerStart { Started, NotFound, Failed };

// Starts the player as a process of its own, never waited for and never through a shell;
// NotFound when the program is not there, Failed when it cannot be started.
PlayerStart StartPlayer(const PlayerInvocation& invocation);

} // namespace tunebay
