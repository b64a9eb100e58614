// The sleep timer window with its clock driven by the test, and the real
// power-off request sent to a private bus where a stand-in logind records it.

#include "tools/sleep_timer_form.h"

#include "app/app_window_fixture.h"
#include "platform/power_off.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

// Answers PowerOff on the private bus and remembers each call's argument.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QList<bool> calls;
public Q_SLOTS:
    void PowerOff(bool interactive) { calls << interactive; }
};

namespace {

struct Ends {
    int fades = 0;
    int exits = 0;
    int powerOffs = 0;
};

// The form of the main window's command, its ends recorded.
TTimer_Form& timerOf(Fixture& f, Ends& ends) {
    TTimer_Form* form = nullptr;
    QTimer::singleShot(0, [&] {
        form = f.window->timerForm();
        form->reject();
    });
    f.window->actions().SleepTimerAc->trigger(); // made on first use
    form = f.window->timerForm();
    form->startFade = [&ends] {
        ++ends.fades;
    };
    form->finishProgram = [&ends] {
        ++ends.exits;
    };
    form->powerOff = [&ends] {
        ++ends.powerOffs;
    };
    return *form;
}

// Opens the window, types `minutes`, starts, then runs `work` while it is up.
void countdown(Fixture& f, TTimer_Form& form, const QString& minutes, std::function<void()> work) {
    QTimer::singleShot(0, [&form, minutes, work] {
        QTRY_VERIFY(form.isVisible());
        QCOMPARE(form.Edit1->text(), QStringLiteral("30"));
        QCOMPARE(form.Button1->text(), QStringLiteral("启动  "));
        form.Edit1->setText(minutes);
        QTest::keyClick(form.Edit1, Qt::Key_Return);
        work();
        if (form.isVisible())
            form.reject();
    });
    f.window->actions().SleepTimerAc->trigger();
}

} // namespace

class SleepTimerFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsDownFadesAndEnds() {
        Fixture f;
        Ends ends;
        TTimer_Form& form = timerOf(f, ends);
        QCOMPARE(form.windowTitle(), QStringLiteral("休眠定时器"));
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);

        countdown(f, form, QStringLiteral("30"), [&] {
            QCOMPARE(form.Edit1->text(), QStringLiteral("30"));
            QVERIFY(form.Timer1->isActive());
            QCOMPARE(form.Timer1->interval(), 1000);
            QCOMPARE(form.Button1->text(), QStringLiteral("取消   "));
            QVERIFY(!form.Edit1->isEnabled());
            form.Timer1Timer();
            QCOMPARE(form.Edit1->text(), QStringLiteral("29"));
        });
        QCOMPARE(f.messages.back().second, QStringLiteral("休眠定时器被终止。"));

        countdown(f, form, QStringLiteral("1"), [&] {
            for (int second = 1; second < 60; ++second)
                form.Timer1Timer();
            QVERIFY(form.isVisible());
            form.Timer1Timer();
            QVERIFY(!form.isVisible());
        });
        QCOMPARE(ends.fades, 1);
        QCOMPARE(ends.exits, 1);
        QCOMPARE(ends.powerOffs, 0);

        // With the box checked, "0" ends at the first tick: no fade, no exit,
        // the power-off request once.
        const auto messages = f.messages.size();
        form.CheckBox1->setChecked(true);
        countdown(f, form, QStringLiteral("0"), [&] {
            form.Timer1Timer();
            QVERIFY(!form.isVisible());
        });
        QCOMPARE(ends.fades, 1);
        QCOMPARE(ends.exits, 1);
        QCOMPARE(ends.powerOffs, 1);
        QCOMPARE(f.messages.size(), messages); // a finished countdown says nothing
        QVERIFY(form.CheckBox1->isChecked());  // the box keeps its state
    }

    void escapeCancelsAndBadMinutesDoNotStart() {
        Fixture f;
        Ends ends;
        TTimer_Form& form = timerOf(f, ends);
        countdown(f, form, QStringLiteral("abc"), [&] {
            QVERIFY(!form.Timer1->isActive());
            QCOMPARE(f.messages.back().second, QStringLiteral("输入无效。"));
            QVERIFY(form.Edit1->isEnabled());
        });
        const auto messages = f.messages.size();
        QCOMPARE(f.messages.size(), messages); // closing an idle window says nothing

        // Escape after the fade began: the message, and nothing more happens.
        countdown(f, form, QStringLiteral("1"), [&] {
            for (int second = 1; second <= 12; ++second)
                form.Timer1Timer();
            QTest::keyClick(&form, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            QVERIFY(!form.Timer1->isActive());
        });
        QCOMPARE(f.messages.back().second, QStringLiteral("休眠定时器被终止。"));
        QCOMPARE(ends.fades, 1);
        QCOMPARE(ends.exits + ends.powerOffs, 0);
    }

    void theFadeSlidesTheOutputToSilence() {
        Fixture f;
        playFirst(f, {writeTone(f.dir, "long.wav", 5)});
        const AudioHandle output = f.player->feed.OutputStream.load();
        QVERIFY(output != 0);
        const int before = f.player->audio.ChannelGetAttributes(output)->volume;
        QVERIFY(before > 0);
        startSleepFade(*f.player);
        QTRY_VERIFY_WITH_TIMEOUT(f.player->audio.ChannelGetAttributes(output)->volume < before,
                                 3000);
    }

    void powerOffReachesLogindOnTheBus() {
        // A private bus of our own; never the machine's system bus.
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        QVERIFY(daemon.waitForStarted());
        QTRY_VERIFY(daemon.canReadLine());
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        {
            QDBusConnection service =
                QDBusConnection::connectToBus(address, QStringLiteral("kesto-logind"));
            QVERIFY(service.isConnected());
            FakeLogind logind;
            QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                           QDBusConnection::ExportAllSlots));
            QVERIFY(service.registerService(QStringLiteral("org.freedesktop.login1")));
            QDBusConnection client =
                QDBusConnection::connectToBus(address, QStringLiteral("kesto-player"));
            QList<bool> answers;
            requestPowerOff(client, [&answers](bool accepted) { answers << accepted; });
            QTRY_COMPARE(answers, QList<bool>{true});
            QCOMPARE(logind.calls, QList<bool>{false}); // once, not interactive

            // Nobody owns the name any more: refused, and nothing else happens.
            service.unregisterService(QStringLiteral("org.freedesktop.login1"));
            requestPowerOff(client, [&answers](bool accepted) { answers << accepted; });
            QTRY_COMPARE(answers, (QList<bool>{true, false}));
            QCOMPARE(logind.calls.size(), 1);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("kesto-logind"));
        QDBusConnection::disconnectFromBus(QStringLiteral("kesto-player"));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished());
    }
};

QTEST_MAIN(SleepTimerFormTest)
#include "sleep_timer_form_test.moc"
