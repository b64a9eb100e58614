// The real program on a private session bus, driven by the desktop's own
// tools: playerctl, and dbus-send for the raw property.

#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class MprisTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QProcess bus;
    QString address;

    QProcessEnvironment environment(const QString& busAddress) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESTO_HOME", dir.filePath("home"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KESTO_AUDIO_OUTPUT", "null");
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        return env;
    }
    // A tool's answer, trimmed; empty when it failed.
    QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(environment(address));
        p.start(program, args);
        if (!p.waitForFinished(5000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString ctl(const QStringList& args) {
        return run("playerctl", QStringList{"-p", "kesto"} + args);
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() ||
            QStandardPaths::findExecutable("playerctl").isEmpty())
            QSKIP("dbus-daemon or playerctl is not installed");
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("run");
        QFile::setPermissions(dir.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForReadyRead(5000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        QVERIFY(address.startsWith("unix:"));
    }
    void cleanupTestCase() {
        bus.terminate();
        bus.waitForFinished();
    }

    void desktopControlsDriveThePlayer() {
        const std::string wav =
            kesto::test::wavFile(kesto::test::Samples(30 * 44100 * 2, 0), 44100, 2);
        kesto::test::writeFile(dir.filePath("a.wav").toStdString(), wav);
        kesto::test::writeFile(dir.filePath("b.wav").toStdString(), wav);
        QFile list(dir.filePath("home/Playlist.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write((dir.filePath("a.wav") + "\n" + dir.filePath("b.wav") + "\n").toUtf8());
        list.close();

        QProcess player;
        player.setProcessEnvironment(environment(address));
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(KESTO_BINARY, {dir.filePath("a.wav")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"status"}), QStringLiteral("Playing"), 10000);
        QCOMPARE(ctl({"metadata", "xesam:title"}), QStringLiteral("a.wav"));
        QCOMPARE(ctl({"metadata", "mpris:length"}), QStringLiteral("30000000"));

        ctl({"play-pause"});
        QTRY_COMPARE(ctl({"status"}), QStringLiteral("Paused"));
        // The raw property says the same.
        const QString raw =
            run("dbus-send", {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.kesto",
                              "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                              "string:org.mpris.MediaPlayer2.Player", "string:PlaybackStatus"});
        QVERIFY2(raw.contains("\"Paused\""), qPrintable(raw));
        ctl({"play-pause"});
        QTRY_COMPARE(ctl({"status"}), QStringLiteral("Playing"));

        ctl({"next"});
        QTRY_COMPARE(ctl({"metadata", "xesam:title"}), QStringLiteral("b.wav"));
        ctl({"position", "10"});
        QTRY_VERIFY(ctl({"position"}).toDouble() >= 10 && ctl({"position"}).toDouble() < 12);
        ctl({"volume", "0.5"});
        QTRY_COMPARE(ctl({"volume"}).toDouble(), 0.5);
        ctl({"stop"});
        QTRY_COMPARE(ctl({"status"}), QStringLiteral("Stopped"));

        ctl({"--", "open", QUrl::fromLocalFile(dir.filePath("a.wav")).toString()});
        QTRY_COMPARE(ctl({"metadata", "xesam:title"}), QStringLiteral("a.wav"));

        // Quit ends it the ordinary way, saving what the keys changed.
        run("dbus-send", {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.kesto",
                          "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"});
        QVERIFY(player.waitForFinished(5000));
        QCOMPARE(player.exitCode(), 0);
        QFile ini(dir.filePath("home/Kesto.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("Volume=500"));
    }

    void withoutABusThePlayerStillRuns() {
        QProcess player;
        player.setProcessEnvironment(environment("unix:path=" + dir.filePath("nobus")));
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(KESTO_BINARY, {});
        QVERIFY(!player.waitForFinished(1500)); // it runs
        ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
        QVERIFY(player.waitForFinished(5000));
        QCOMPARE(player.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(MprisTest)
#include "mpris_test.moc"
