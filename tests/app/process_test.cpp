// The real program, started as a user starts it: the single-instance rule and
// the shutdown that writes the settings, across real processes.

#include "platform/instance_channel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <sys/stat.h>
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
        const quint32 dataBytes = 10 * 44100 * 4;
        QByteArray wav("RIFF");
        auto u32 = [&](quint32 v) {
            for (int i = 0; i < 4; ++i)
                wav.append(static_cast<char>((v >> (8 * i)) & 0xff));
        };
        auto u16 = [&](quint16 v) {
            wav.append(static_cast<char>(v & 0xff));
            wav.append(static_cast<char>(v >> 8));
        };
        u32(36 + dataBytes);
        wav.append("WAVEfmt ");
        u32(16);
        u16(1);
        u16(2);
        u32(44100);
        u32(44100 * 4);
        u16(4);
        u16(16);
        wav.append("data");
        u32(dataBytes);
        wav.append(QByteArray(dataBytes, '\0'));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wav);
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
        QVERIFY(text.contains("Width=310"));
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
