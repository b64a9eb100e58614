// The main window's mouse gestures and layout under the offscreen platform:
// volume and seek dragging, the status bar, edge snapping and the header's
// meter styles.

#include "app/status_panels.h"
#include "app/window_snap.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/volume.h"

#include "app_window_fixture.h"

#include <QLabel>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

class AppKestoLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void volumeDragArithmetic() {
        QCOMPARE(volumeAfterDrag(500, 300, 290, 290), 680); // 50 % + 10 px = 68 %
        QCOMPARE(volumeAfterDrag(500, 300, 310, 310), 320);
        // the top of the screen is 100 %
        QCOMPARE(volumeAfterDrag(500, 300, 200, 0), 1000);
        QCOMPARE(volumeAfterDrag(500, 300, 1300, 1300), 0);

        Fixture f("[Window]\nVUStyle=1\n");
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        SetVolume(*f.player, 500);
        f.player->transport.MuteRestore = 300;
        QLabel* label = f.window->LabelVolume;
        const QPoint at(label->width() / 2, label->height() / 2);
        QTest::mousePress(label, Qt::LeftButton, {}, at);
        QVERIFY(f.window->VolumeProcesBar->isVisible());
        QVERIFY(!f.window->LevelMeter6->isVisible());
        QTest::mouseMove(label, at - QPoint(0, 10));
        QCOMPARE(f.player->transport.Volume, 680);
        QCOMPARE(label->text(), QStringLiteral("68 %"));
        QTest::mouseRelease(label, Qt::LeftButton, {}, at - QPoint(0, 10));
        // a drag ends a pending soft mute
        QCOMPARE(f.player->transport.MuteRestore, -1);
        QVERIFY(f.window->LevelMeter6->isVisible());
    }

    void statusBarStepsThePlayMode() {
        Fixture f;
        f.window->show();
        StatusPanels* bar = f.window->StatusBar1;
        const int y = bar->height() / 2;
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(100, y));
        QCOMPARE(toInt(f.player->transport.PlayMode), 1);
        QTest::mouseClick(bar, Qt::RightButton, {}, QPoint(100, y));
        QTest::mouseClick(bar, Qt::RightButton, {}, QPoint(100, y));
        // back from 0 wraps to 4
        QCOMPARE(toInt(f.player->transport.PlayMode), 4);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(100, y));
        QCOMPARE(toInt(f.player->transport.PlayMode), 0);
        for (int x : {10, 75, 150, 200})
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, y));
        // other panels and the edges do nothing
        QCOMPARE(toInt(f.player->transport.PlayMode), 0);
        QVERIFY(f.window->actions().ModeAc1->isChecked());
    }

    void statusPanelsShowTheirTextWhole() {
        Fixture f;
        f.window->resize(310, 370);
        f.window->show();
        StatusPanels* bar = f.window->StatusBar1;
        const int y = bar->height() / 2;
        bar->setText(1, QString::fromStdString(countPanelText(4)));
        QCOMPARE(bar->panelRight(1), 75);
        QCOMPARE(bar->panelRight(2), 150);
        // the state panel reaches the right edge, room for a progress text
        QCOMPARE(bar->panelRight(3), bar->width());
        QVERIFY(bar->panelWidth(3) > 125);

        const QString count = QString::fromStdString(countPanelText(100000));
        bar->setText(1, count);
        QVERIFY(bar->panelWidth(1) > bar->fontMetrics().horizontalAdvance(count) + 4);
        QCOMPARE(bar->panelRight(3), bar->width());
        // the play-mode panel moved along: a press on the widened count
        // panel does nothing, one just past it steps the mode
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->panelRight(1) - 2, y));
        QCOMPARE(toInt(f.player->transport.PlayMode), 0);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->panelRight(1) + 2, y));
        QCOMPARE(toInt(f.player->transport.PlayMode), 1);
    }

    void snapsWithinTenPixels() {
        const QRect area(0, 0, 1280, 770);
        QCOMPARE(snapToWorkArea({10, 300, 300, 400}, area), QPoint(0, 300));
        QCOMPARE(snapToWorkArea({11, 300, 300, 400}, area), QPoint(11, 300));
        QCOMPARE(snapToWorkArea({-10, 300, 300, 400}, area), QPoint(0, 300));
        // right edge
        QCOMPARE(snapToWorkArea({970, 300, 300, 400}, area), QPoint(980, 300));
        QCOMPARE(snapToWorkArea({969, 300, 300, 400}, area), QPoint(969, 300));
        QCOMPARE(snapToWorkArea({500, 8, 300, 400}, area), QPoint(500, 0));
        // bottom edge
        QCOMPARE(snapToWorkArea({500, 361, 300, 400}, area), QPoint(500, 370));
        QCOMPARE(snapToWorkArea({500, 359, 300, 400}, area), QPoint(500, 359));
    }

    void meterStylesLayOutTheHeader() {
        Fixture f;
        f.window->resize(400, 300);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        TAppKesto& w = *f.window;
        const int client = w.ProgressPanel->width();

        w.SetVUStyle(VUStyle::None);
        QVERIFY(w.LabelVolume->isVisible() && !w.LevelMeter6->isVisible() &&
                !w.LevelMeter14->isVisible());
        QCOMPARE(w.Progres->width(), client);
        QCOMPARE(w.LabelVolume->geometry().right() + 1, client);
        QVERIFY(w.actions().Level1Ac->isChecked());

        w.SetVUStyle(VUStyle::SevenLeds);
        QVERIFY(w.LevelMeter6->isVisible() && w.LabelVolume->isVisible());
        QCOMPARE(w.Progres->width(), w.LevelMeter6->x());
        QCOMPARE(w.LabelVolume->geometry().right() + 1, w.LevelMeter6->x());
        QVERIFY(w.actions().Level2Ac->isChecked() && !w.actions().Level1Ac->isChecked());

        w.SetVUStyle(VUStyle::FourteenLeds);
        QVERIFY(w.LevelMeter14->isVisible() && w.PanelLevelMeter14->isVisible());
        QVERIFY(!w.LabelVolume->isVisible());
        QCOMPARE(w.LevelMeter14->geometry().right() + 2, client);
        QCOMPARE(w.Progres->width(), w.LevelMeter14->x());
        QCOMPARE(w.PanelLevelMeter14->x(), w.LevelMeter14->x());
        QCOMPARE(f.player->settings.readInt("Window", "VUStyle", -1), 2);

        // While + is held, the volume bar stands in for part of the wide meter.
        w.ListScreen->setFocus();
        QTest::keyPress(w.ListScreen, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(w.VolumeProcesBar->isVisible() && w.LabelVolume->isVisible());
        QCOMPARE(w.LevelMeter14->width(), 139 - w.VolumeProcesBar->width());
        QTest::keyRelease(w.ListScreen, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(!w.VolumeProcesBar->isVisible());
        QCOMPARE(w.LevelMeter14->width(), 143);

        // A number the file holds that no meter has gets the default meter.
        w.SetVUStyle(vuStyleFromInt(7));
        QVERIFY(w.LevelMeter6->isVisible() && !w.LevelMeter14->isVisible());
        QVERIFY(w.actions().Level2Ac->isChecked() && !w.actions().Level3Ac->isChecked());
    }

    void seekBarFollowsTheMouseAndSeeksOnRelease() {
        QTemporaryDir music;
        const std::string a = writeTone(music, "a.wav", 20);
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        TGorseProgress* bar = f.window->Progres;
        const int y = bar->height() / 2;
        // Nothing to seek in: a press does nothing.
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, y));
        QVERIFY(!f.player->transport.Seeking);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, y));

        f.player->playlist.PlaylistEntries = {a};
        OpenEntry(*f.player, 0);
        QVERIFY(f.player->transport.DeviceReady);
        QCOMPARE(f.player->mirror.SeekBarMax, 20000);
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 4, y));
        QVERIFY(f.player->transport.Seeking);
        QTest::mouseMove(bar, QPoint(bar->width() / 2, y));
        QCOMPARE(f.player->mirror.SeekBarPosition, 10000);
        QCOMPARE(f.window->LabelTime->text(), QStringLiteral("0:10 / 0:20 / -0:10"));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, y));
        QVERIFY(!f.player->transport.Seeking);
        // The file plays on from the middle.
        QVERIFY(std::abs(BytesToMs(*f.player, FilePosition(*f.player)) - 10000) < 500);
        StopPlayback(*f.player, true);
    }
};

QTEST_MAIN(AppKestoLayoutTest)
#include "app_kesto_layout_test.moc"
