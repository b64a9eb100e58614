#include "app/startup.h"

#include "player/paths.h"
#include "player/settings_startup.h"
#include "prefs/associations.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace kesto {

CommandSwitch classifySwitch(std::string_view argument) {
    if (argument == "-quit")
        return CommandSwitch::Quit;
    if (argument == "-reg")
        return CommandSwitch::Reg;
    if (argument == "-unreg")
        return CommandSwitch::Unreg;
    if (argument == "-setlastupdatecheck")
        return CommandSwitch::SetLastUpdateCheck;
    if (argument == "-setglobalhotkeys")
        return CommandSwitch::SetGlobalHotkeys;
    if (argument == "-setrootpath")
        return CommandSwitch::SetRootPath;
    return CommandSwitch::None;
}

Date todayLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    using namespace std::chrono;
    return sys_days{year{tm.tm_year + 1900} / month{static_cast<unsigned>(tm.tm_mon + 1)} /
                    day{static_cast<unsigned>(tm.tm_mday)}};
}

namespace {

// Sends the request while a player holds the lock. Returns true once a player
// took it; false when no player holds the lock any more, and then this process
// holds it. A player that is still starting does not listen yet, a stopped one
// does not answer: both are waited for. Only an unanswered request is sent
// again, and the player never carries out one it did not answer.
bool deliverWhileLocked(InstanceLock& lock, const InstanceEndpoints& endpoints,
                        InstanceRequest request, std::string_view argument) {
    const auto playerRuns = [&lock] {
        return !lock.tryAcquire();
    };
    for (;;) {
        if (sendInstanceRequest(endpoints.socketPath, request, argument, playerRuns))
            return true;
        if (!playerRuns())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

bool HandleCommandLine(const std::string& argument, Settings& settings,
                       const InstanceEndpoints& endpoints, Date today) {
    switch (classifySwitch(argument)) {
    case CommandSwitch::None:
    case CommandSwitch::SetRootPath:
        return false;
    case CommandSwitch::Quit: {
        InstanceLock probe(endpoints.lockPath);
        if (!probe.tryAcquire())
            deliverWhileLocked(probe, endpoints, InstanceRequest::Quit, {});
        return true;
    }
    case CommandSwitch::Reg:
    case CommandSwitch::Unreg: {
        FileAssociations associations(DesktopPlaces::fromEnvironment(), executablePath(), settings);
        if (classifySwitch(argument) == CommandSwitch::Reg)
            claimAllTypes(associations);
        else
            releaseClaimedTypes(associations);
        return true;
    }
    case CommandSwitch::SetLastUpdateCheck:
        settings.writeLastVersionCheck(today);
        return true;
    case CommandSwitch::SetGlobalHotkeys:
        writeDefaultGlobalHotkeys(settings);
        return true;
    }
    return false;
}

bool CheckSingleInstance(const std::string& argument, Settings& settings, InstanceLock& lock,
                         const InstanceEndpoints& endpoints) {
    if (lock.tryAcquire())
        return false;
    if (argument.empty()) {
        if (settings.readBool("General", "MultipleInstances", false))
            return false;
        return deliverWhileLocked(lock, endpoints, InstanceRequest::Activate, {});
    }
    return deliverWhileLocked(lock, endpoints, InstanceRequest::HandOver, argument);
}

} // namespace kesto
