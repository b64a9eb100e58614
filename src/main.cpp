// Process start: the argument, the maintenance switches, the single-instance
// rule, and only then the player.

#include "app/player_app.h"
#include "app/startup.h"
#include "platform/instance_channel.h"
#include "player/paths.h"
#include "player/settings.h"

#include <unistd.h>

int main(int argc, char** argv) {
    using namespace kesto;
    // A relative path typed in a terminal means the terminal's folder, so it is
    // made absolute before the program folder becomes the current one.
    const std::string startupArgument =
        argc > 1 ? absoluteArgument(argv[1], currentWorkingDir()) : std::string();
    const AppPaths paths(resolveProgramFolderFromEnvironment(), installedDataDir(executableDir()));
    if (::chdir(paths.programFolder().c_str()) != 0) {
        // Every path the player keeps is absolute; staying where we are is harmless.
    }

    Settings settings(paths.GetIniPath());
    const InstanceEndpoints endpoints = instanceEndpoints(paths.programFolder());
    if (HandleCommandLine(startupArgument, settings, endpoints, todayLocal()))
        return 0;
    if (classifySwitch(startupArgument) == CommandSwitch::SetRootPath)
        return runSetRootPath(argc, argv, paths);
    InstanceLock lock(endpoints.lockPath);
    if (CheckSingleInstance(startupArgument, settings, lock, endpoints))
        return 0;
    return runPlayer(argc, argv, paths, startupArgument, lock, endpoints);
}
