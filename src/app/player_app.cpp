#include "app/player_app.h"

#include "app/app_kesto.h"
#include "app/set_root_path.h"
#include "platform/folder_dialog.h"
#include "platform/instance_server.h"
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

} // namespace

int runPlayer(int& argc, char** argv, const AppPaths& paths, const std::string& startupArgument,
              InstanceLock& lock, const InstanceEndpoints& endpoints) {
    preferSocketRepaints();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesto"));
    QApplication::setStyle(new HintTimingStyle);
    installChineseToolkitTexts(app);

    // Listen before the window exists: a request that arrives while we start
    // waits in the socket and is handled once the event loop runs.
    InstanceServer server;
    if (lock.held())
        server.listen(QString::fromStdString(endpoints.socketPath));

    TAppKesto window;
    Player player(paths, window);
    window.create(player, startupArgument);

    QObject::connect(&server, &InstanceServer::handOver, &window, &TAppKesto::receiveHandOver);
    QObject::connect(&server, &InstanceServer::activateRequested, &window,
                     &TAppKesto::ForceForegroundWindow);
    QObject::connect(&server, &InstanceServer::quitRequested, &app, &QApplication::quit);

    window.show();
    // The deferred start-up work runs once the event loop does.
    QTimer::singleShot(0, &window, [&window] { window.runDeferredStartup(); });
    const int code = QApplication::exec();

    // Shutdown, in order: hide, the default playlist, the settings, the timers,
    // then the sound device.
    window.hide();
    WritePlaylist(player.playlist, paths.GetPlaylistPath(), PlaylistFormat::Text);
    saveOnExit(player.settings, window.exitValues());
    window.stopTimers();
    player.audio.Free();
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
