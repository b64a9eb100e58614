#include "app/player_app.h"

#include "app/app_kesto.h"
#include "app/set_root_path.h"
#include "app/stall_probe.h"
#include "platform/folder_dialog.h"
#include "platform/instance_server.h"
#include "platform/termination_signals.h"
#include "playback/transport.h"
#include "player/player.h"
#include "player/settings_startup.h"
#include "playlist/playlist_files.h"
#include "tools/message_boxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <QProxyStyle>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace kesto {

namespace {

// Hints show quickly and stay long enough to be read.
class HintTimingStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 200;
        if (hint == SH_ToolTip_FallAsleepDelay)
            return 60000;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// The toolkit's own dialogs (file and folder choosers) speak the player's language.
void installChineseToolkitTexts(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

// The level meter repaints a small strip up to 50 times a second. Through
// X11 shared memory every repaint first waits for a round trip to the
// server; sending the few pixels over the socket costs less (measured: a
// third less CPU while playing, full list repaints 3 % slower). A user's
// own setting wins.
void preferSocketRepaints() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

// The shutdown steps, in order: hide, the default playlist, the settings,
// the timers, then the sound device. They run once, however the player ends.
class Shutdown {
public:
    Shutdown(TAppKesto& window, Player& player, const AppPaths& paths)
        : window_(window), player_(player), paths_(paths) {}

    void run() {
        if (done_)
            return;
        done_ = true;
        window_.hide();
        finish();
    }
    // The process is exiting underneath us (the toolkit ends it when the X
    // display goes away): everything but the hiding, which needs the display.
    void runWithoutDisplay() {
        if (done_)
            return;
        done_ = true;
        finish();
    }
    // What the shutdown writes, without ending anything: the desktop asks
    // for it before it ends the session.
    void saveState() {
        WritePlaylist(player_.playlist, paths_.GetPlaylistPath(), PlaylistFormat::Text);
        saveOnExit(player_.settings, window_.exitValues());
    }

private:
    void finish() {
        saveState();
        window_.stopTimers();
        // A radio worker still connecting is let go before the engine frees
        // its streams; the player joins it when it ends.
        player_.stream.workers.requestStopAll();
        player_.audio.Free();
    }

    TAppKesto& window_;
    Player& player_;
    const AppPaths& paths_;
    bool done_ = false;
};

// std::exit runs only plain functions, so the one the player registers finds
// the running player's shutdown here; it is set only while the event loop
// runs over a live window and player.
Shutdown* shutdownAtExit = nullptr;

void runShutdownAtExit() {
    if (shutdownAtExit)
        shutdownAtExit->runWithoutDisplay();
}

struct ShutdownAtExit {
    explicit ShutdownAtExit(Shutdown& shutdown) {
        static const bool registered = std::atexit(runShutdownAtExit) == 0;
        (void)registered;
        shutdownAtExit = &shutdown;
    }
    ~ShutdownAtExit() { shutdownAtExit = nullptr; }
    ShutdownAtExit(const ShutdownAtExit&) = delete;
    ShutdownAtExit& operator=(const ShutdownAtExit&) = delete;
};

} // namespace

int runPlayer(int& argc, char** argv, const AppPaths& paths, const std::string& startupArgument,
              InstanceLock& lock, const InstanceEndpoints& endpoints) {
    preferSocketRepaints();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesto"));
    QApplication::setStyle(new HintTimingStyle);
    installChineseToolkitTexts(app);
    // From here on a termination signal ends the player the ordinary way.
    TerminationSignals termination;

    // Listen before the window exists, so that a later start finds us, but
    // keep what arrives until the window is ready: creating it may run a
    // long folder scan, and nothing could take a request meanwhile. The
    // senders wait for their answer.
    InstanceServer server;
    server.hold();
    if (lock.held() && !server.listen(QString::fromStdString(endpoints.socketPath)))
        lock.release(); // nobody could reach us; later starts must not wait for us

    TAppKesto window;
    Player player(paths, window);
    Shutdown shutdown(window, player, paths);

    // A signal or a quit request ends every event loop at once, a modal
    // box's too (QApplication::quit would wait for the windows to agree). An
    // event loop only ends while it runs, so an end asked for while the
    // window is still being created is carried out once it is ready.
    bool endRequested = false;
    const auto requestEnd = [&endRequested] {
        endRequested = true;
        QCoreApplication::exit(0);
    };
    QObject::connect(&termination, &TerminationSignals::received, &app, requestEnd);

    window.create(player, startupArgument);
    // Measures the event loop's stalls when a long run asks for it.
    const std::unique_ptr<StallProbe> stallProbe(StallProbe::fromEnvironment(nullptr));

    QObject::connect(&server, &InstanceServer::handOver, &window, &TAppKesto::receiveHandOver);
    QObject::connect(&server, &InstanceServer::activateRequested, &window,
                     &TAppKesto::ForceForegroundWindow);
    QObject::connect(&server, &InstanceServer::quitRequested, &app, requestEnd);
    // However the loop ends (also by the desktop session's end), nothing more
    // is taken on, and the shutdown runs at once.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&server, &shutdown] {
        server.close();
        shutdown.run();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&shutdown] { shutdown.saveState(); });

    if (!endRequested)
        window.show();
    // The deferred start-up work runs once the event loop does; the kept
    // requests follow it, in the order they came.
    QTimer::singleShot(0, &window, [&] {
        if (!endRequested)
            window.runDeferredStartup();
        if (endRequested)
            QCoreApplication::exit(0);
        else
            server.deliver();
    });
    int code = 0;
    {
        const ShutdownAtExit atExit(shutdown);
        code = QApplication::exec();
    }
    shutdown.run();
    return code;
}

int runSetRootPath(int& argc, char** argv, const AppPaths& paths) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesto"));
    installChineseToolkitTexts(app);
    Settings settings(paths.GetIniPath());
    runSetRootPathSwitch(settings,
                         {[] {
                              return BrowseForFolder(QString::fromUtf8(kSetRootPathCaption),
                                                     QString::fromUtf8(kSetRootPathPrompt))
                                  .toStdString();
                          },
                          [](const std::string& text) {
                              messageBoxOk(nullptr, BoxKind::Information,
                                           QString::fromStdString(text).replace(QLatin1Char('\r'),
                                                                                QLatin1Char('\n')));
                          }});
    return 0;
}

} // namespace kesto
