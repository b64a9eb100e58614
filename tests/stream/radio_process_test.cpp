// The real program on a real station: icecast on loopback (./test.sh starts
// it), the player given the station's address on the command line. It plays,
// and a title the station announces becomes the window's title.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdint>
#include <cstring>

class RadioProcessTest : public QObject {
    Q_OBJECT

    static QString runTool(const QString& tool, const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.start(tool, args);
        if (!p.waitForFinished(5000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // The loudest sample the WAV output has written so far.
    static int loudest(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray bytes = f.readAll();
        int peak = 0;
        for (qsizetype i = 44; i + 1 < bytes.size(); i += 2) {
            std::int16_t s = 0;
            std::memcpy(&s, bytes.constData() + i, 2);
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        return peak;
    }

private Q_SLOTS:
    void stationPlaysAndItsTitleBecomesTheCaption() {
        const QString port = qEnvironmentVariable("KESTO_ICECAST_PORT");
        if (port.isEmpty())
            QSKIP("needs the test icecast (./test.sh starts it)");
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display (./test.sh starts Xvfb)");
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        const QString xprop = QStandardPaths::findExecutable("xprop");
        const QString curl = QStandardPaths::findExecutable("curl");
        if (xdotool.isEmpty() || xprop.isEmpty() || curl.isEmpty())
            QSKIP("needs xdotool, xprop and curl");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("run");
        const QString sound = dir.filePath("heard.wav");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESTO_HOME", dir.filePath("home"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("KESTO_AUDIO_OUTPUT", "wav:" + sound);
        QProcess player;
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(KESTO_BINARY, {"http://127.0.0.1:" + port + "/live"});
        QVERIFY(player.waitForStarted());

        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = runTool(xdotool, {"search", "--onlyvisible", "--pid",
                                                              QString::number(player.processId())})
                                                .section('\n', 0, 0))
                                      .isEmpty(),
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(loudest(sound) > 3000, 10000);

        // A title of our own, so an earlier run's cannot pass for it.
        const QString song = QStringLiteral("Kesto_Test_%1").arg(player.processId());
        const QString admin = qEnvironmentVariable("KESTO_ICECAST_ADMIN", "admin:kestoadmin");
        QCOMPARE(
            QProcess::execute(curl, {"-sf", "-o", "/dev/null", "-u", admin,
                                     "http://127.0.0.1:" + port +
                                         "/admin/metadata?mount=/live&mode=updinfo&song=" + song}),
            0);
        const QString expected = QString(song).replace('_', ' ') + " - Kesto";
        QTRY_COMPARE_WITH_TIMEOUT(runTool(xprop, {"-id", window, "WM_NAME"}),
                                  "WM_NAME(STRING) = \"" + expected + "\"", 15000);

        QCOMPARE(::kill(static_cast<pid_t>(player.processId()), SIGTERM), 0);
        QVERIFY(player.waitForFinished(5000));
        QCOMPARE(player.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(RadioProcessTest)
#include "radio_process_test.moc"
