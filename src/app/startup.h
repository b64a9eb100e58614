#pragma once

// The first decisions of a process: run a maintenance switch and end, hand the
// argument to the player that already runs and end, or become the player.

#include "platform/instance_channel.h"
#include "player/settings.h"

#include <string>
#include <string_view>

namespace kesto {

enum class CommandSwitch { None, Quit, SetLastUpdateCheck, SetGlobalHotkeys, SetRootPath };

// Exact, case-sensitive, whole-text comparison: "-QUIT" is a path.
CommandSwitch classifySwitch(std::string_view argument);

// How long a second process waits for a player whose lock is taken but whose
// channel is not listening yet (it may still be starting).
inline constexpr int kHandOverPatienceMs = 3000;

// Executes a maintenance switch; true means the process ends now. The
// music-folder set-up ("-setrootpath") needs dialogs: it is left to the
// caller, which sees CommandSwitch::SetRootPath and runs it with a window
// toolkit (this returns false for it).
bool HandleCommandLine(const std::string& argument, Settings& settings,
                       const InstanceEndpoints& endpoints, Date today,
                       int patienceMs = kHandOverPatienceMs);

// True when another player took the argument (or was only brought to the
// front) and this process ends. False: this process is the player; when it
// holds the lock it keeps it in `lock`.
bool CheckSingleInstance(const std::string& argument, Settings& settings, InstanceLock& lock,
                         const InstanceEndpoints& endpoints, int patienceMs = kHandOverPatienceMs);

Date todayLocal();

} // namespace kesto
