// The real program, started as a user starts it: the single-instance rule and
// the shutdown that writes the settings, across real processes.

#include "platform/instance_channel.h"
#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kesto;

class ProcessTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString home() const { return dir->filePath("home"); }
    QString ini() const { return dir->filePath("home/Kesto.ini"); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESTO_HOME", home());
        env.insert("XDG_RUNTIME_DIR", dir->filePath("run"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KESTO_AUDIO_OUTPUT", "null");
        return env;
    }

    std::unique_ptr<QProcess> start(const QStringList& args, const QString& workingDir = {}) {
        auto p = std::make_unique<QProcess>();
        if (!workingDir.isEmpty())
            p->setWorkingDirectory(workingDir);
        p->setProcessEnvironment(environment());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(KESTO_BINARY, args);
        return p;
    }

    // Ready means: its channel answers. Activation is harmless, so it is the probe.
    bool waitUntilListening(int timeoutMs = 5000) {
        const std::string socket = instanceEndpoints(home().toStdString()).socketPath;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (sendInstanceRequest(socket, InstanceRequest::Activate, "", 500))
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    // Runs a short-lived second process and returns its exit code, or -1 when
    // it was still running after `ms` (it became a player of its own).
    int runSecond(const QStringList& args, int ms = 3000, const QString& workingDir = {}) {
        auto p = start(args, workingDir);
        if (!p->waitForFinished(ms)) {
            p->kill();
            p->waitForFinished();
            return -1;
        }
        return p->exitCode();
    }

    void quitPlayer(QProcess& player) {
        QCOMPARE(runSecond({"-quit"}), 0);
        QVERIFY(player.waitForFinished(5000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
    }

    void writeIni(const QByteArray& text) {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray fileText(const QString& name) const {
        QFile f(dir->filePath("home/" + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The player listens on its channel, which it does before it makes its
    // window. The probe connects and says nothing, which the player ignores.
    bool waitForSocket(int timeoutMs = 5000) {
        const std::string socket = instanceEndpoints(home().toStdString()).socketPath;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        qstrncpy(addr.sun_path, socket.c_str(), sizeof addr.sun_path);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const bool listening =
                ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
            ::close(fd);
            if (listening)
                return true;
            ::usleep(1000);
        }
        return false;
    }

    // True when `p` ended with exit code 0 within `ms`.
    static bool endsWell(QProcess& p, int ms = 5000) {
        return p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    static void signal(QProcess& p, int number) {
        QCOMPARE(::kill(static_cast<pid_t>(p.processId()), number), 0);
    }

    // A later process has connected to the player's channel (and sends its
    // request right after): one of its sockets is connected. The player may
    // be stopped, so only the system can say.
    static bool waitListed(QProcess& p, int timeoutMs = 5000) {
        const QString fdDir = QStringLiteral("/proc/%1/fd").arg(p.processId());
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            QStringList inodes;
            for (const QFileInfo& fd : QDir(fdDir).entryInfoList(QDir::System)) {
                const QString target = fd.symLinkTarget().section('/', -1);
                if (target.startsWith("socket:["))
                    inodes << target.mid(8).chopped(1);
            }
            QFile unix("/proc/net/unix");
            if (!inodes.isEmpty() && unix.open(QIODevice::ReadOnly)) {
                // Num RefCount Protocol Flags Type St Inode [Path]; St 03: connected
                for (const QByteArray& line : unix.readAll().split('\n')) {
                    const QList<QByteArray> f = line.simplified().split(' ');
                    if (f.size() >= 7 && f[5] == "03" && inodes.contains(QString::fromLatin1(f[6])))
                        return true;
                }
            }
            QTest::qWait(5);
        }
        return false;
    }

    // Longer than any patience an earlier sender had before it gave up on a
    // silent player and became a second one.
    static constexpr int kLongerThanOldPatienceMs = 3500;

    // The output of a short X tool run, trimmed; empty when it failed.
    static QString runTool(const QString& tool, const QStringList& args) {
        QProcess p;
        // xprop writes UTF-8 text as it is only in a UTF-8 locale.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.start(tool, args);
        if (!p.waitForFinished(5000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Ten seconds of silence as a 16-bit stereo WAV file.
    static void writeSilentWav(const QString& path) {
        test::writeFile(path.toStdString(),
                        test::wavFile(test::Samples(10 * 44100 * 2, 0), 44100, 2));
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QDir(dir->path()).mkpath("home");
        QDir(dir->path()).mkpath("run");
        ::chmod(dir->filePath("run").toUtf8().constData(), 0700);
        // The channel lives in the runtime folder; ours must be the players'.
        qputenv("XDG_RUNTIME_DIR", dir->filePath("run").toUtf8());
    }

    void secondProcessHandsOverAndEnds() {
        auto player = start({});
        QVERIFY(waitUntilListening());
        QCOMPARE(runSecond({"/music/a.mp3"}), 0);
        // without an argument it only brings the player forward
        QCOMPARE(runSecond({}), 0);
        QCOMPARE(player->state(), QProcess::Running);
        quitPlayer(*player);
    }

    void multipleInstancesAllowsASecondPlayerOnlyWithoutAPath() {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nMultipleInstances=1\n");
        f.close();
        auto player = start({});
        QVERIFY(waitUntilListening());
        // a path still goes to the running player
        QCOMPARE(runSecond({"/music/b.mp3"}), 0);
        // a second player started and kept running
        QCOMPARE(runSecond({}, 1500), -1);
        quitPlayer(*player);
    }

    void quitEndsThePlayerWhichSavesItsSettings() {
        auto player = start({});
        QVERIFY(waitUntilListening());
        quitPlayer(*player);
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("[Window]"));
        // The first start's width: at least the old default, wider when
        // the menus and the time read-out need it.
        const QRegularExpressionMatch width =
            QRegularExpression(QStringLiteral("Width=(\\d+)")).match(QString::fromLatin1(text));
        QVERIFY(width.hasMatch());
        QVERIFY(width.captured(1).toInt() >= 310);
        QVERIFY(text.contains("Volume=1000"));
        // with no player left, -quit simply ends
        QCOMPARE(runSecond({"-quit"}, 1500), 0);
    }

    // What a window manager puts in the title bar and under a minimised
    // window: the caption alone, as X carries it, with nothing of Qt's
    // appended to it.
    void titleBarCarriesTheCaptionAlone() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display (./test.sh starts Xvfb)");
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        const QString xprop = QStandardPaths::findExecutable("xprop");
        if (xdotool.isEmpty() || xprop.isEmpty())
            QSKIP("needs xdotool and xprop");
        const QString first = dir->filePath("第一首.wav");
        const QString second = dir->filePath("second.wav");
        writeSilentWav(first);
        writeSilentWav(second);
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nPlayMode=1\n"); // repeat the file: it stays the caption
        f.close();

        auto player = std::make_unique<QProcess>();
        QProcessEnvironment env = environment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        player->setProcessEnvironment(env);
        player->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player->start(KESTO_BINARY, {first});
        QVERIFY(waitUntilListening());

        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = runTool(xdotool, {"search", "--onlyvisible", "--pid",
                                                              QString::number(player->processId())})
                                                .section('\n', 0, 0))
                                      .isEmpty(),
                                 5000);
        const auto names = [&] {
            return runTool(xprop, {"-id", window, "_NET_WM_NAME", "_NET_WM_ICON_NAME"});
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            names(),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"第一首.wav - Kesto\"\n"
                           "_NET_WM_ICON_NAME(UTF8_STRING) = \"第一首.wav - "
                           "Kesto\""),
            5000);
        // A second caption replaces the first, it is not added to it.
        QCOMPARE(runSecond({second}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(
            names(),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"second.wav - Kesto\"\n"
                           "_NET_WM_ICON_NAME(UTF8_STRING) = \"second.wav - "
                           "Kesto\""),
            5000);
        quitPlayer(*player);
    }

    void handedOverPathsReachThePlaylist() {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nEnqueueOption=1\n"); // add to the list, do not play
        f.close();
        auto player = start({});
        QVERIFY(waitUntilListening());
        QCOMPARE(runSecond({"/music/a.mp3"}), 0);
        QCOMPARE(runSecond({"x"}), 0);
        // A relative path means the folder of the terminal it was typed in.
        QDir(dir->path()).mkpath("shell");
        QCOMPARE(runSecond({"song.mp3"}, 3000, dir->filePath("shell")), 0);

        // The playlist and then the settings are written as the player ends.
        const int watch = inotify_init1(IN_NONBLOCK);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, home().toUtf8().constData(),
                                  IN_MOVED_TO | IN_CLOSE_WRITE) >= 0);
        quitPlayer(*player);
        QStringList order;
        char buf[4096];
        for (ssize_t n; (n = ::read(watch, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                const QString name = QString::fromUtf8(e->name);
                if ((name == "Playlist.txt" || name == "Kesto.ini") && !order.contains(name))
                    order << name;
                p += sizeof(inotify_event) + e->len;
            }
        }
        ::close(watch);
        QCOMPARE(order, (QStringList{"Playlist.txt", "Kesto.ini"}));

        QFile list(dir->filePath("home/Playlist.txt"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QString expected = QStringLiteral("/music/a.mp3\r\n") +
                                 dir->filePath("shell/song.mp3") + QStringLiteral("\r\n");
        // The one-character text never became an entry.
        QCOMPARE(QString::fromUtf8(list.readAll()), expected);
    }

    // Requests that come while the player creates its window (here a folder
    // scan, held up by stopping the process) are kept and carried out in
    // order once it is ready; a quit too.
    void requestsDuringStartUpWaitForTheWindow() {
        writeIni("[General]\nEnqueueOption=1\n"); // add to the list, do not play
        for (int i = 0; i < 300; ++i)
            QDir(dir->path()).mkpath(QStringLiteral("big/%1/sub").arg(i));
        const QString song = dir->filePath("big/0/sub/song.wav");
        writeSilentWav(song);

        auto player = start({dir->filePath("big")});
        QVERIFY(waitForSocket());
        signal(*player, SIGSTOP); // still creating its window
        auto one = start({"/music/one.mp3"});
        QVERIFY(waitListed(*one));
        auto two = start({"/music/two.mp3"});
        QVERIFY(waitListed(*two));
        signal(*player, SIGCONT);
        QVERIFY(endsWell(*one));
        QVERIFY(endsWell(*two));
        quitPlayer(*player);
        QCOMPARE(fileText("Playlist.txt"),
                 song.toUtf8() + "\r\n/music/one.mp3\r\n/music/two.mp3\r\n");

        // -quit during start-up ends the player once it is up, with its shutdown.
        QFile::remove(dir->filePath("home/Playlist.txt"));
        player = start({dir->filePath("big")});
        QVERIFY(waitForSocket());
        signal(*player, SIGSTOP);
        auto quit = start({"-quit"});
        QVERIFY(waitListed(*quit));
        signal(*player, SIGCONT);
        QVERIFY(endsWell(*quit));
        QVERIFY(endsWell(*player));
        QVERIFY(QFile::exists(dir->filePath("home/Playlist.txt")));
    }

    // A player that does not answer for longer than a sender used to wait
    // (stopped here; a long scan or a modal box in use) still gets the path
    // and the quit; no second player starts meanwhile.
    void aBusyPlayerGetsEveryRequestAndNoSecondPlayer() {
        writeIni("[General]\nEnqueueOption=1\n");
        auto player = start({});
        QVERIFY(waitUntilListening());
        signal(*player, SIGSTOP);
        auto path = start({"/music/late.mp3"});
        QVERIFY(waitListed(*path));
        auto plain = start({});
        QVERIFY(waitListed(*plain));
        auto quit = start({"-quit"});
        QVERIFY(waitListed(*quit));
        QTest::qWait(kLongerThanOldPatienceMs);
        QCOMPARE(path->state(), QProcess::Running);
        signal(*player, SIGCONT);
        QVERIFY2(endsWell(*path), "the path went to the running player");
        QVERIFY2(endsWell(*plain), "a plain start only brought it forward");
        QVERIFY(endsWell(*quit));
        QVERIFY2(endsWell(*player), "-quit reached the running player");
        QCOMPARE(fileText("Playlist.txt"), QByteArray("/music/late.mp3\r\n"));
    }

    // Ended from outside (a logout, Ctrl+C, a closed terminal): the ordinary
    // shutdown still writes this run's playlist and settings.
    void terminationSignalsRunTheShutdown() {
        for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
            QFile::remove(ini());
            QFile::remove(dir->filePath("home/Playlist.txt"));
            writeIni("[General]\nEnqueueOption=1\nPlayMode=4\n");
            auto player = start({});
            QVERIFY(waitUntilListening());
            QCOMPARE(runSecond({"/music/kept.mp3"}), 0);
            signal(*player, number);
            QVERIFY2(endsWell(*player), qPrintable(QString::number(number)));
            QCOMPARE(fileText("Playlist.txt"), QByteArray("/music/kept.mp3\r\n"));
            const QByteArray settings = fileText("Kesto.ini");
            for (const char* key :
                 {"Width=", "Height=", "Volume=1000", "PlayMode=4", "Maximized=0", "Track="})
                QVERIFY2(settings.contains(key), key);
        }

        // A second signal while the first is still pending ends at once.
        QFile::remove(dir->filePath("home/Playlist.txt"));
        auto player = start({});
        QVERIFY(waitUntilListening());
        signal(*player, SIGSTOP);
        signal(*player, SIGINT);
        signal(*player, SIGTERM);
        signal(*player, SIGCONT);
        QVERIFY(player->waitForFinished(5000));
        QCOMPARE(player->exitStatus(), QProcess::CrashExit);
        QVERIFY2(!QFile::exists(dir->filePath("home/Playlist.txt")), "no shutdown ran");
    }

    // The X display going away (the end of a desktop session) ends the
    // toolkit; the shutdown's writing still happens.
    void theDisplayGoingAwayRunsTheShutdown() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            QSKIP("needs Xvfb");
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.setChildProcessModifier([fds] {
            ::close(fds[0]);
            ::dup2(fds[1], 3);
        });
        server.start(xvfb, {"-displayfd", "3", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        ::close(fds[1]);
        QByteArray display;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            display += c;
        ::close(fds[0]);
        QVERIFY2(!display.isEmpty(), "Xvfb gave no display");

        writeIni("[General]\nEnqueueOption=1\n");
        auto player = std::make_unique<QProcess>();
        QProcessEnvironment env = environment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", ":" + QString::fromLatin1(display));
        player->setProcessEnvironment(env);
        player->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player->start(KESTO_BINARY, {});
        QVERIFY(waitUntilListening());
        QCOMPARE(runSecond({"/music/kept.mp3"}), 0);
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
        QVERIFY(player->waitForFinished(5000));
        QCOMPARE(fileText("Playlist.txt"), QByteArray("/music/kept.mp3\r\n"));
        QVERIFY(fileText("Kesto.ini").contains("[Window]") &&
                fileText("Kesto.ini").contains("Width="));
    }

    // The association switches are work for a moment, not a player: no window,
    // no lock, and the playlist a player would rewrite at exit stays as it was.
    void associationSwitchesEndAtOnceAndLeaveThePlaylist() {
        const QByteArray playlist = "/music/a.mp3\n/music/b.ogg\n";
        QFile f(dir->filePath("home/Playlist.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(playlist);
        f.close();
        qputenv("XDG_CONFIG_HOME", dir->filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", dir->filePath("data").toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        for (const char* sw : {"-reg", "-unreg"}) {
            QElapsedTimer t;
            t.start();
            QCOMPARE(runSecond({sw}, 1000), 0);
            QVERIFY2(t.elapsed() < 1000, sw);
            QCOMPARE(fileText("Playlist.txt"), playlist);
            QVERIFY(!waitForSocket(0));
            QCOMPARE(QFile::exists(dir->filePath("data/applications/kesto.desktop")),
                     QByteArray(sw) == "-reg");
        }
        // -unreg found every type ours and recorded the user's wish as gone.
        QVERIFY(fileText("Kesto.ini").contains("[Associations]"));
        QVERIFY(!fileText("Kesto.ini").contains("=1"));

        // A player started with the wish on takes the media types back, and
        // only those.
        writeIni("[Associations]\nmp3=1\npls=1\n");
        auto player = start({});
        QVERIFY(waitUntilListening());
        quitPlayer(*player);
        QFile list(dir->filePath("config/mimeapps.list"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QByteArray defaults = list.readAll();
        QVERIFY(defaults.contains("audio/mpeg=kesto.desktop;"));
        QVERIFY(!defaults.contains("audio/x-scpls"));
    }

    void readOnlySettingsSurviveTheShutdown() {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Window]\nWidth=400\n");
        f.close();
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QFile list(dir->filePath("home/Playlist.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("/kept/one.mp3\r\n");
        list.close();
        QVERIFY(list.setPermissions(QFileDevice::ReadOwner));
        auto player = start({});
        QVERIFY(waitUntilListening());
        QCOMPARE(runSecond({"/music/new.mp3"}), 0);
        quitPlayer(*player);
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("/kept/one.mp3\r\n"));
        QCOMPARE(runSecond({"-setglobalhotkeys"}), 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[Window]\nWidth=400\n"));
    }
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "process_test.moc"
