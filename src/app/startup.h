#pragma once

// The first decisions of a process: run a maintenance switch and end, hand the
// argument to the player that already runs and end, or become the player.

#include "platform/instance_channel.h"
#include "player/settings.h"

#include <string>
#include <string_view>

namespace kesto {

enum class CommandSwitch {
    None,
    Quit,
    Reg,
    Unreg,
    SetLastUpdateCheck,
    SetGlobalHotkeys,
    SetRootPath
};

// Exact, case-sensitive, whole-text comparison: "-QUIT" is a path.
CommandSwitch classifySwitch(std::string_view argument);

// Executes a maintenance switch; true means the process ends now. The
// music-folder set-up ("-setrootpath") needs dialogs: it is left to the
// caller, which sees CommandSwitch::SetRootPath and runs it with a window
// toolkit (this returns false for it).
// "-quit" goes to the running player however long it takes to answer (it may
// be busy or still starting); with no player running it does nothing.
bool HandleCommandLine(const std::string& argument, Settings& settings,
                       const InstanceEndpoints& endpoints, Date today);

// True when another player took the argument (or was only brought to the
// front) and this process ends. False: this process is the player; when it
// holds the lock it keeps it in `lock`. While a player holds the lock, the
// request waits for it as long as it takes, silently: a busy player must not
// get a second one beside it (only a start without a path may run one, and
// only when `MultipleInstances` says so).
bool CheckSingleInstance(const std::string& argument, Settings& settings, InstanceLock& lock,
                         const InstanceEndpoints& endpoints);

Date todayLocal();

} // namespace kesto
