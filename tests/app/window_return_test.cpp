// The main window when the user's attention goes and comes back: a seek
// held while the window loses the keyboard, the ways back from the tray,
// and a start without any sound output.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/output.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTest>

#include <functional>

using namespace kesto;
using namespace kesto::test;

namespace {

// Sets an environment variable for as long as it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

void shownAndActive(QWidget& w) {
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        qFatal("window not active");
}

} // namespace

class WindowReturnTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Holding an arrow (or the seek bar) and going to another window: the
    // release goes there. The seek ends where the bar stands, and at the
    // end of the file the next one still starts.
    void aSeekHeldWhileTheWindowLosesTheKeyboardEnds() {
        QTemporaryDir music;
        const std::string a = writeTone(music, "a.wav", 2);
        const std::string b = writeTone(music, "b.wav", 2);
        struct Case {
            const char* name;
            std::function<void(TAppKesto&)> hold;
        };
        const Case cases[] = {
            {"an arrow key",
             [](TAppKesto& w) {
                 QTest::keyPress(w.ListScreen, Qt::Key_Right);
             }},
            {"the seek bar's button",
             [](TAppKesto& w) {
                 QTest::mousePress(w.Progres, Qt::LeftButton, {},
                                   QPoint(w.Progres->width() - 1, 8));
             }},
        };
        for (const Case& c : cases) {
            Fixture f;
            shownAndActive(*f.window);
            playFirst(f, {a, b});
            f.window->ListScreen->setFocus();
            c.hold(*f.window);
            QVERIFY2(f.player->transport.Seeking, c.name);
            QWidget elsewhere;
            shownAndActive(elsewhere);
            QVERIFY2(!f.player->transport.Seeking, c.name);
            QTRY_COMPARE(f.player->playlist.PlayingEntry, b);
            StopPlayback(*f.player, true);
        }
    }

    // Every way back into view from the tray takes the icon away and brings
    // the meter back to the sound, not only the tray's own.
    void everyWayBackFromTheTrayRestoresAlike() {
        QTemporaryDir music;
        const std::string song = writeTone(music, "song.wav", 12);
        const std::string dropped = writeTone(music, "dropped.wav", 1);
        struct Case {
            const char* name;
            std::function<void(TAppKesto&)> back;
        };
        const Case cases[] = {
            {"the tray's open item",
             [](TAppKesto& w) {
                 w.TrayPopupMenu->findChild<QAction*>(QStringLiteral("TrayOpen"))->trigger();
             }},
            {"a second start",
             [](TAppKesto& w) {
                 w.receiveHandOver(QString());
             }},
            {"an activation request",
             [](TAppKesto& w) {
                 w.ForceForegroundWindow();
             }},
            {"a drop",
             [&](TAppKesto& w) {
                 QMimeData data;
                 data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
                 QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                                 Qt::NoModifier);
                 static_cast<QObject&>(w).event(&drop);
             }},
        };
        for (const Case& c : cases) {
            Fixture f;
            TAppKesto& w = *f.window;
            w.runDeferredStartup(); // makes the tray icon
            auto* tray = w.findChild<QSystemTrayIcon*>();
            QVERIFY(tray);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            playFirst(f, {song});
            QTRY_VERIFY(f.player->level.HeldLeft > 0);
            w.hideToTray();
            QVERIFY2(!w.isVisible() && tray->isVisible(), c.name);

            c.back(w);
            QVERIFY2(w.isVisible(), c.name);
            QTRY_VERIFY2(!tray->isVisible(), c.name);
            QVERIFY2(tickTimers(w).level->isActive(), c.name);
            QTRY_VERIFY2(f.player->level.HeldLeft > 0, c.name);
            StopPlayback(*f.player, true);
        }
    }

    // No sound server: one start with a path says once that the sound
    // device cannot be opened, and blames no file.
    void aStartWithoutSoundSaysSoOnce() {
        QTemporaryDir music;
        const std::string song = writeTone(music, "song.wav", 1);
        const ScopedEnv output("KESTO_AUDIO_OUTPUT", "pulse");
        const ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/kesto-no-sound-server");
        Fixture f({}, song);
        f.window->runDeferredStartup();
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].first, MessageKind::Warning);
        QCOMPARE(f.messages[0].second, QStringLiteral("无法打开声卡驱动。"));
        QCOMPARE(f.player->playlist.PlaylistEntries.back(), song);
    }
};

QTEST_MAIN(WindowReturnTest)
#include "window_return_test.moc"
