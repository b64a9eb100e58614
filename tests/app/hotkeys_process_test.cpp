// The real program on the test's X display: the stored media keys and a
// combination fire from anywhere, and nothing fires while the preferences
// are open.

#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kesto;

namespace {
std::string silentWav(int seconds) {
    return test::wavFile(test::Samples(std::size_t(seconds) * 44100 * 2, 0), 44100, 2);
}
} // namespace

class HotkeysProcessTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESTO_HOME", dir.filePath("home"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("KESTO_AUDIO_OUTPUT", "null");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        return env;
    }
    static bool xdotool(const QStringList& args) { return QProcess::execute("xdotool", args) == 0; }
    // True once a window of that exact title exists.
    static bool windowTitled(const QString& title, int ms = 5000) {
        QProcess p;
        p.start("timeout", {QString::number(ms / 1000.0), "xdotool", "search", "--sync", "--name",
                            "^" + QRegularExpression::escape(title) + "$"});
        return p.waitForFinished(ms + 2000) && p.exitCode() == 0;
    }

private Q_SLOTS:
    void keysReachThePlayerFromAnywhere() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs an X display and xdotool");
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("run");
        QFile::setPermissions(dir.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            test::writeFile(dir.filePath(name).toStdString(), silentWav(30));
        QFile list(dir.filePath("home/Playlist.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            list.write((dir.filePath(name) + "\n").toUtf8());
        list.close();

        QProcess setup;
        setup.setProcessEnvironment(environment());
        setup.start(KESTO_BINARY, {"-setglobalhotkeys"});
        QVERIFY(setup.waitForFinished(5000));
        // Volume up on Ctrl+Alt+U besides the media keys, from a volume of 500.
        QFile ini(dir.filePath("home/Kesto.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QByteArray text = ini.readAll();
        ini.close();
        QVERIFY(text.contains("5=0000-175"));
        text.replace("5=0000-175", "5=0110-85");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(text + "[General]\nVolume=500\n");
        ini.close();

        QProcess player;
        player.setProcessEnvironment(environment());
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(KESTO_BINARY, {dir.filePath("a.wav")});
        QVERIFY(windowTitled("a.wav - Kesto"));

        QVERIFY(xdotool({"key", "XF86AudioNext"}));
        QVERIFY(windowTitled("b.wav - Kesto"));
        QVERIFY(xdotool({"key", "ctrl+alt+u"}));

        // With the preferences open the keys do nothing.
        QVERIFY(xdotool({"search", "--name", "^b.wav - Kesto$", "windowfocus", "--sync"}));
        QVERIFY(xdotool({"key", "F6"}));
        QVERIFY(windowTitled(QString::fromUtf8("设置")));
        QVERIFY(xdotool({"key", "XF86AudioNext"}));
        QTest::qWait(500);
        QVERIFY(!windowTitled("c.wav - Kesto", 1000));
        QVERIFY(xdotool({"key", "Escape"}));
        // Closed again, they work again.
        QTest::qWait(300);
        QVERIFY(xdotool({"key", "XF86AudioNext"}));
        QVERIFY(windowTitled("c.wav - Kesto"));

        QProcess quit;
        quit.setProcessEnvironment(environment());
        quit.start(KESTO_BINARY, {"-quit"});
        QVERIFY(quit.waitForFinished(5000));
        QVERIFY(player.waitForFinished(5000));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("Volume=530"));
    }
};

QTEST_GUILESS_MAIN(HotkeysProcessTest)
#include "hotkeys_process_test.moc"
