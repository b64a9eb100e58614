// Process start and end: switches, the single-instance rule, then the player.

#include "app/paths.h"
#include "app/settings.h"
#include "app/startup.h"
#include "platform/instance_channel.h"
#include "platform/instance_server.h"

#include <QApplication>
#include <QMainWindow>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace kesto;
    // A relative path typed in a terminal means the terminal's folder, so it is
    // made absolute before the program folder becomes the current one.
    const std::string startupArgument =
        argc > 1 ? absoluteArgument(argv[1], currentWorkingDir()) : std::string();
    const AppPaths paths(resolveProgramFolderFromEnvironment());
    if (::chdir(paths.programFolder().c_str()) != 0) {
        // Every path the player keeps is absolute; a failed change is harmless.
    }

    Settings settings(paths.GetIniPath());
    const InstanceEndpoints endpoints = instanceEndpoints(paths.programFolder());
    if (HandleCommandLine(startupArgument, settings, endpoints, todayLocal()))
        return 0;
    InstanceLock lock(endpoints.lockPath);
    if (CheckSingleInstance(startupArgument, settings, lock, endpoints))
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName("Kesto");
    InstanceServer server;
    if (lock.held())
        server.listen(QString::fromStdString(endpoints.socketPath));
    QMainWindow window;
    window.setWindowTitle("Kesto 1.04b");
    QObject::connect(&server, &InstanceServer::quitRequested, &app, &QApplication::quit);
    window.show();
    return QApplication::exec();
}
