#pragma once

#include "platform/instance_channel.h"
#include "player/paths.h"

#include <string>

namespace kesto {

// Runs the player: application, window, event loop, then the shutdown steps.
// Returns the process's exit code.
int runPlayer(int& argc, char** argv, const AppPaths& paths, const std::string& startupArgument,
              InstanceLock& lock, const InstanceEndpoints& endpoints);

// The "-setrootpath" switch: the music-folder set-up with the desktop's folder
// dialog, then the process ends.
int runSetRootPath(int& argc, char** argv, const AppPaths& paths);

} // namespace kesto
