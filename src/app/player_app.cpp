#include "app/player_app.h"

#include "app/settings.h"
#include "app/settings_startup.h"
#include "platform/instance_server.h"
#include "platform/memory.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>

namespace kesto {

int runPlayer(int& argc, char** argv, const AppPaths& paths, const std::string& startupArgument,
              InstanceLock& lock, const InstanceEndpoints& endpoints) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kesto");

    // Listen before the window exists: a request that arrives while we start
    // waits in the socket and is handled once the event loop runs.
    InstanceServer server;
    if (lock.held())
        server.listen(QString::fromStdString(endpoints.socketPath));

    Settings settings(paths.GetIniPath());
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const StartupValues start = LoadAtStart(settings, !startupArgument.empty(),
                                            {screen.width(), screen.height()}, GetTempDir());

    QMainWindow window;
    window.setWindowTitle(QString::fromStdString(start.versionCaption));
    window.setGeometry(start.geometry.left, start.geometry.top, start.geometry.width,
                       start.geometry.height);
    QApplication::setApplicationDisplayName(QString::fromStdString(start.versionCaption));

    const auto bringToFront = [&window] {
        window.show();
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.raise();
        window.activateWindow();
    };
    QObject::connect(&server, &InstanceServer::activateRequested, &window, bringToFront);
    QObject::connect(&server, &InstanceServer::handOver, &window, bringToFront);
    QObject::connect(&server, &InstanceServer::quitRequested, &app, &QApplication::quit);

    window.show();
    TrimWorkingSet();
    const int code = QApplication::exec();

    window.hide();
    ExitValues exit;
    exit.maximized = window.isMaximized();
    exit.startedWithPath = !startupArgument.empty();
    const QRect g = window.normalGeometry();
    exit.normalGeometry = {g.left(), g.top(), g.width(), g.height()};
    exit.viewFormat = start.viewFormat;
    exit.lastOpenedDir = start.lastOpenedDir;
    exit.lastOpenedDrive = start.lastOpenedDrive;
    exit.playMode = start.playMode;
    exit.volume = start.volume;
    SaveOnExit(settings, exit);
    return code;
}

} // namespace kesto
