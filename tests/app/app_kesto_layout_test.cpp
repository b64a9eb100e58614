// The main window's mouse gestures and layout under the offscreen platform:
// volume and seek dragging, the status bar, edge snapping and the header's
// meter styles.

#include "app/header_layout.h"
#include "app/status_panels.h"
#include "app/window_snap.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/volume.h"

#include "app_window_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace kesto;
using namespace kesto::test;

namespace {

const QString kLongFile = QStringLiteral("45:44 / 62:05 / -16:21");
const QString kShortFile = QStringLiteral("0:03:25 / 0:06:00 / -0:02:75");
const QString kVeryLongFile = QStringLiteral("123:45 / 200:00 / -76:15");

struct Part {
    const char* name;
    QWidget* widget;
};

// Every part of the header that draws something, by name.
std::vector<Part> headerParts(TAppKesto& w) {
    return {{"Progres", w.Progres},
            {"LabelTime", w.LabelTime},
            {"LabelVolume", w.LabelVolume},
            {"LevelMeter6", w.LevelMeter6},
            {"LevelMeter14", w.LevelMeter14},
            {"PanelLevelMeter14", w.PanelLevelMeter14},
            {"VolumeProcesBar", w.VolumeProcesBar},
            {"PlayBar", w.PlayBar}};
}

// Empty when no two shown parts of the header overlap and each lies inside
// it; otherwise what is wrong.
QString headerClashes(TAppKesto& w) {
    QString clashes;
    const QRect panel = w.ProgressPanel->rect();
    std::vector<Part> shown;
    for (const Part& p : headerParts(w))
        if (p.widget->isVisible() && p.widget->parentWidget() == w.ProgressPanel)
            shown.push_back(p);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QRect a = shown[i].widget->geometry();
        if (!panel.contains(a))
            clashes += QStringLiteral("%1 leaves the header; ").arg(shown[i].name);
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            if (a.intersects(shown[j].widget->geometry()))
                clashes += QStringLiteral("%1 over %2; ").arg(shown[i].name, shown[j].name);
    }
    return clashes;
}

// True when every menu of the bar shows, none behind the overflow button.
bool wholeMenuBar(TAppKesto& w) {
    QMenuBar* bar = w.menuBar();
    for (QAction* menu : bar->actions())
        if (!bar->rect().contains(bar->actionGeometry(menu)) || bar->actionGeometry(menu).isEmpty())
            return false;
    const auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    return !(more && more->isVisible());
}

} // namespace

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
        // Wide enough for the time read-out beside the wide meter's scale.
        f.window->resize(480, 300);
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

    void headerLabelsNeverOverlap_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("volumeKeyHeld");
        QTest::newRow("no meter") << QByteArray("[Window]\nVUStyle=0\n") << kLongFile << false;
        QTest::newRow("6 LEDs") << QByteArray("[Window]\nVUStyle=1\n") << kLongFile << false;
        QTest::newRow("6 LEDs, short file")
            << QByteArray("[Window]\nVUStyle=1\n") << kShortFile << false;
        QTest::newRow("14 LEDs") << QByteArray("[Window]\nVUStyle=2\n") << kLongFile << false;
        QTest::newRow("14 LEDs, a long film")
            << QByteArray("[Window]\nVUStyle=2\n") << kVeryLongFile << false;
        QTest::newRow("14 LEDs, + held")
            << QByteArray("[Window]\nVUStyle=2\n") << kLongFile << true;
        QTest::newRow("style out of range")
            << QByteArray("[Window]\nVUStyle=7\n") << kLongFile << false;
        QTest::newRow("no transport bar")
            << QByteArray("[Window]\nVUStyle=1\nPlayBar=0\n") << kShortFile << false;
        QTest::newRow("no transport bar, 14 LEDs")
            << QByteArray("[Window]\nVUStyle=2\nPlayBar=0\n") << kLongFile << false;
    }
    void headerLabelsNeverOverlap() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, time);
        QFETCH(bool, volumeKeyHeld);
        Fixture f(ini);
        TAppKesto& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setTimeLabel(time.toStdString());
        if (volumeKeyHeld) {
            w.ListScreen->setFocus();
            QTest::keyPress(w.ListScreen, Qt::Key_Plus, Qt::KeypadModifier);
            QVERIFY(w.VolumeProcesBar->isVisible());
        }
        const int narrowest = w.minimumSizeHint().width();
        QVERIFY(narrowest <= 160);
        for (int width = narrowest; width <= 640; ++width) {
            w.resize(width, 300);
            QApplication::processEvents();
            const QString clashes = headerClashes(w);
            QVERIFY2(clashes.isEmpty(),
                     qPrintable(QStringLiteral("at %1 px: %2").arg(width).arg(clashes)));
            // What the time read-out shows is its whole text or its leading
            // parts, never a number cut short.
            const QString shown = w.LabelTime->isVisible() ? w.LabelTime->shownText() : QString();
            QVERIFY2(time.startsWith(shown) && (shown.isEmpty() || shown == time ||
                                                time.mid(shown.size()).startsWith(" / ")),
                     qPrintable(QStringLiteral("at %1 px: \"%2\"").arg(width).arg(shown)));
            QVERIFY(w.LabelTime->fontMetrics().horizontalAdvance(shown) <= w.LabelTime->width());
        }
        // Wide enough, everything is back in place.
        const bool volumeWanted = w.levelStyle() != VUStyle::FourteenLeds || volumeKeyHeld;
        QCOMPARE(w.LabelVolume->isVisible(), volumeWanted);
        QCOMPARE(w.PanelLevelMeter14->isVisible(),
                 w.levelStyle() == VUStyle::FourteenLeds && !volumeKeyHeld);
        QCOMPARE(w.LabelTime->shownText(), time);
        if (volumeKeyHeld)
            QTest::keyRelease(w.ListScreen, Qt::Key_Plus, Qt::KeypadModifier);
    }

    // The read-out changes every second: it repaints itself alone, on the
    // window's own background, never the window under it.
    void aNewTimeRepaintsTheReadOutAlone() {
        Fixture f;
        TAppKesto& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setTimeLabel(kLongFile.toStdString());
        QApplication::processEvents();
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* e) override {
                count += e->type() == QEvent::Paint;
                return false;
            }
        } under, label;
        w.installEventFilter(&under);
        w.ProgressPanel->installEventFilter(&under);
        w.LabelTime->installEventFilter(&label);
        w.setTimeLabel("45:45 / 62:05 / -16:20");
        QTRY_COMPARE(label.count, 1);
        QApplication::processEvents();
        QCOMPARE(under.count, 0);
        // Right of the text the read-out shows the window's background.
        const QImage shot = w.screen()->grabWindow(w.winId()).toImage();
        const QPoint right =
            w.LabelTime->mapTo(&w, QPoint(w.LabelTime->width() - 1, w.LabelTime->height() / 2));
        QCOMPARE(QColor(shot.pixel(right)), w.palette().color(QPalette::Window));
    }

    void firstStartShowsEveryMenuAndTheWholeTime_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("no settings") << QByteArray();
        QTest::newRow("no meter") << QByteArray("[Window]\nVUStyle=0\n");
        QTest::newRow("14 LEDs") << QByteArray("[Window]\nVUStyle=2\n");
    }
    void firstStartShowsEveryMenuAndTheWholeTime() {
        QFETCH(QByteArray, ini);
        Fixture f(ini);
        TAppKesto& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        qInfo("first start: %d px wide", w.width());
        QVERIFY2(wholeMenuBar(w), qPrintable(QString::number(w.width())));
        for (const QString& time : {kLongFile, kShortFile}) {
            w.setTimeLabel(time.toStdString());
            QVERIFY(w.LabelTime->isVisible());
            QCOMPARE(w.LabelTime->shownText(), time);
            QVERIFY(w.LabelTime->fontMetrics().horizontalAdvance(time) <= w.LabelTime->width());
            QVERIFY2(headerClashes(w).isEmpty(), qPrintable(headerClashes(w)));
            QCOMPARE(w.LabelVolume->isVisible(), w.levelStyle() != VUStyle::FourteenLeds);
            QCOMPARE(w.PanelLevelMeter14->isVisible(), w.levelStyle() == VUStyle::FourteenLeds);
        }
        // The first start is centred on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(std::abs(w.geometry().center().x() - screen.center().x()) <= 1);
    }

    void storedGeometryIsKept() {
        Fixture f("[Window]\nWidth=230\nHeight=300\nLeft=40\nTop=50\n");
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(f.window->geometry(), QRect(40, 50, 230, 300));
        // A stored width alone keeps its own centring.
        Fixture g("[Window]\nWidth=250\n");
        QCOMPARE(g.window->width(), 250);
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
