// Grabs on a real X server (the test display): a binding fires whoever has
// the focus, and one another client holds already is refused.

#include "prefs/global_hotkeys.h"

#include "player/settings.h"
#include "support/temp_dir.h"

#include <QProcess>
#include <QTest>

using namespace kesto;

class GlobalHotkeysTest : public QObject {
    Q_OBJECT

    static bool press(const QString& keys) {
        return QProcess::execute("xdotool", {"key", keys}) == 0;
    }

private Q_SLOTS:
    void init() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("no X display");
        if (QProcess::execute("xdotool", {"version"}) != 0)
            QSKIP("xdotool is not installed");
    }

    void bindingsFireAndAnotherClientsAreRefused() {
        std::vector<int> fired;
        GlobalHotkeys ours([&](int id) { fired.push_back(id); }, true);
        QVERIFY(ours.available());
        const Hotkey next{false, false, false, false, 176};
        const Hotkey combo{false, true, true, false, 'K'};
        QVERIFY(ours.registerHotkey(3, next));
        QVERIFY(ours.registerHotkey(10, combo));

        QVERIFY(press("XF86AudioNext"));
        QTRY_COMPARE(fired, std::vector<int>{3});
        // Num Lock on must not break the binding.
        QVERIFY(press("Num_Lock"));
        QVERIFY(press("ctrl+alt+k"));
        QVERIFY(press("Num_Lock"));
        QTRY_COMPARE(fired, (std::vector<int>{3, 10}));

        // Another client: its grab of the same combination fails, and
        // ours is untouched by that failure.
        GlobalHotkeys other([](int) {}, true);
        QVERIFY(!other.registerHotkey(0, combo));
        QVERIFY(other.registerHotkey(0, Hotkey{false, true, true, true, 'K'}));
        QVERIFY(press("ctrl+alt+k"));
        QTRY_COMPARE(fired.size(), std::size_t(3));

        // Released, the combination is free for the other client.
        ours.unregisterHotkey(10);
        QVERIFY(other.registerHotkey(1, combo));
    }

    void storedBindingsRegisterInOrderAndReportFailures() {
        test::TempDir dir;
        Settings s(dir.file("Kesto.ini"));
        s.writeString("Global hotkeys", "2", "0110-76");
        s.writeString("Global hotkeys", "4", "0000-");  // unassigned
        s.writeString("Global hotkeys", "5", "0110-7"); // no such key anywhere
        GlobalHotkeys blocker([](int) {}, true);
        QVERIFY(blocker.registerHotkey(0, Hotkey{false, true, true, false, 'L'}));
        GlobalHotkeys ours([](int) {}, true);
        std::vector<int> failed;
        RegisterAllHotkeys(ours, s, [&](int n) { failed.push_back(n); });
        QCOMPARE(failed, (std::vector<int>{2, 5}));
    }

    void withoutXNothingIsGrabbed() {
        GlobalHotkeys none([](int) {}, false);
        QVERIFY(!none.available());
        QVERIFY(!none.registerHotkey(1, Hotkey{false, false, false, false, 179}));
    }
};

QTEST_GUILESS_MAIN(GlobalHotkeysTest)
#include "global_hotkeys_test.moc"
