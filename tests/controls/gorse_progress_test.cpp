// The gauge's geometry, checked on the pixels it paints.

#include "controls/gorse_progress.h"

#include <QPaintEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using kesto::TGorseProgress;

namespace {

const QColor kBack(10, 20, 30);
const QColor kBar(200, 100, 50);
const QColor kTop(1, 2, 3);
const QColor kBottom(250, 251, 252);

void colour(TGorseProgress& g) {
    g.setBackgroundColor(kBack);
    g.setBarColor(kBar);
    g.setFrameTopColor(kTop);
    g.setFrameBottomColor(kBottom);
}

// A stereo LED meter as the player sets one up, channels 2 pixels apart.
void ledMeter(TGorseProgress& g, QSize size, TGorseProgress::Orientation orientation, int leds,
              int ledWidth, int gap) {
    g.resize(size);
    colour(g);
    g.setOrientation(orientation);
    g.setBarType(TGorseProgress::brStereoLeds);
    g.setMax(leds);
    g.setLedWidth(ledWidth);
    g.setLedSeperation(gap);
    g.setStereoSeperation(2);
}

// The 14-LED meter: 143 by 16, LEDs 9 wide with 1 between them.
void wideMeter(TGorseProgress& g) {
    ledMeter(g, {143, 16}, TGorseProgress::pbHorizontal, 14, 9, 1);
}

QImage image(TGorseProgress& g) {
    return g.grab().toImage();
}

// Counts paint events and remembers the last painted rectangle.
struct PaintWatch : QObject {
    int paints = 0;
    QRect last;
    QRegion region;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
            last = static_cast<QPaintEvent*>(e)->rect();
            region = static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

} // namespace

class GorseProgressTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wideMeterFillsItsInsideExactly() {
        TGorseProgress g;
        wideMeter(g);
        g.setPosition(14);
        g.setPosition2(14);
        QCOMPARE(g.innerRect(), QRect(2, 2, 139, 12));
        const QImage img = image(g);
        // Top channel row (inside y 0..4), bottom channel row (inside y 7..11).
        for (int y : {2, 10}) {
            for (int x = 0; x < 139; ++x) {
                const bool gap = x % 10 == 9;
                QCOMPARE(QColor(img.pixel(2 + x, y)), gap ? kBack : kBar);
            }
        }
        // Between the channels: half = (12 - 2) / 2 = 5 rows each, two rows of gap.
        QCOMPARE(QColor(img.pixel(3, 2 + 5)), kBack);
        QCOMPARE(QColor(img.pixel(3, 2 + 6)), kBack);
        QCOMPARE(QColor(img.pixel(3, 2 + 7)), kBar);

        g.setPosition(3);
        g.setPosition2(0);
        const QImage three = image(g);
        QCOMPARE(QColor(three.pixel(2 + 28, 2)), kBar);
        // fourth LED dark
        QCOMPARE(QColor(three.pixel(2 + 30, 2)), kBack);
        // right channel dark
        QCOMPARE(QColor(three.pixel(2 + 3, 10)), kBack);
    }

    void smallMeterGrowsFromTheBottom() {
        TGorseProgress g;
        ledMeter(g, {16, 37}, TGorseProgress::pbVertical, 7, 3, 2);
        g.setPosition(2);
        g.setPosition2(7);
        const QImage img = image(g);
        const QRect in = g.innerRect(); // 12 wide, 33 high
        QCOMPARE(in, QRect(2, 2, 12, 33));
        const int bottom = in.bottom();
        // Left channel: LEDs 0 and 1 cover rows bottom..bottom-2 and bottom-5..bottom-7.
        QCOMPARE(QColor(img.pixel(in.left(), bottom)), kBar);
        QCOMPARE(QColor(img.pixel(in.left(), bottom - 3)), kBack);
        QCOMPARE(QColor(img.pixel(in.left(), bottom - 5)), kBar);
        QCOMPARE(QColor(img.pixel(in.left(), bottom - 10)), kBack);
        // Right channel full: 7 LEDs of 3 with gaps of 2 reach 33 rows exactly.
        QCOMPARE(QColor(img.pixel(in.right(), in.top())), kBar);
        QCOMPARE(QColor(img.pixel(in.right(), in.top() + 3)), kBack);
    }

    void verticalBarFillsSeventeenOfTwentyNine() {
        TGorseProgress g;
        g.resize(17, 33);
        colour(g);
        g.setOrientation(TGorseProgress::pbVertical);
        g.setPosition(60);
        const QImage img = image(g);
        const QRect in = g.innerRect();
        QCOMPARE(in.height(), 29);
        int lit = 0;
        for (int y = in.top(); y <= in.bottom(); ++y)
            lit += QColor(img.pixel(in.left() + 3, y)) == kBar;
        QCOMPARE(lit, 17);
        QCOMPARE(QColor(img.pixel(in.left(), in.bottom())), kBar);
        QCOMPARE(QColor(img.pixel(in.left(), in.bottom() - 17)), kBack);
    }

    void seekBarAndFrame() {
        TGorseProgress g;
        g.resize(121, 16);
        colour(g);
        g.setMax(200000); // milliseconds of a long file
        g.setPosition(100000);
        const QImage img = image(g);
        // 117 inner pixels, half of them lit: 58.
        int lit = 0;
        for (int x = 0; x < 121; ++x)
            lit += QColor(img.pixel(x, 8)) == kBar;
        QCOMPARE(lit, 117 * 100000 / 200000);
        QCOMPARE(QColor(img.pixel(0, 0)), kTop);
        QCOMPARE(QColor(img.pixel(0, 8)), kTop);
        QCOMPARE(QColor(img.pixel(60, 0)), kTop);
        QCOMPARE(QColor(img.pixel(120, 8)), kBottom);
        QCOMPARE(QColor(img.pixel(60, 15)), kBottom);
        // the border gap
        QCOMPARE(QColor(img.pixel(1, 1)), kBack);
    }

    void stereoBarHidesATinyRightChannel() {
        TGorseProgress g;
        g.resize(100, 16);
        colour(g);
        g.setBarType(TGorseProgress::brStereo);
        g.setPosition(50);
        g.setPosition2(2); // 96 * 2 / 100 = 1 pixel: not above BorderWidth + 1
        QImage img = image(g);
        QCOMPARE(QColor(img.pixel(2, 3)), kBar);
        QCOMPARE(QColor(img.pixel(2, 11)), kBack);
        g.setPosition2(10);
        img = image(g);
        QCOMPARE(QColor(img.pixel(2, 11)), kBar);
        // 96 * 10 / 100 = 9 pixels
        QCOMPARE(QColor(img.pixel(2 + 9, 11)), kBack);
    }

    void positionsAreClampedAndFollowMax() {
        TGorseProgress g;
        QSignalSpy spy(&g, &TGorseProgress::changed);
        g.setPosition(-5);
        QCOMPARE(g.Position(), 0);
        // Only an equal value is ignored; -5 differs before it is clamped.
        QCOMPARE(spy.count(), 1);
        g.setPosition(500);
        QCOMPARE(g.Position(), 100);
        g.setPosition2(80);
        g.setMax(50);
        QCOMPARE(g.Position(), 50);
        QCOMPARE(g.Position2(), 50);
        g.setMax(70);
        // raising Max leaves positions alone
        QCOMPARE(g.Position(), 50);
    }

    void levelsArePaintedBeforeTheCallReturns() {
        TGorseProgress g;
        wideMeter(g);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QTest::qWait(20);
        PaintWatch watch;
        g.installEventFilter(&watch);
        QSignalSpy spy(&g, &TGorseProgress::changed);

        // No event loop runs between the call and the checks.
        g.setLevels(3, 20);
        QCOMPARE(watch.paints, 1);
        // Only round the LEDs that changed: the first three of the upper row
        // and the whole lower row.
        QCOMPARE(watch.region, QRegion(2, 2, 139, 12));
        QCOMPARE(g.Position(), 3);
        QCOMPARE(g.Position2(), 14);
        QCOMPARE(spy.count(), 2);
        g.setLevels(3, 14);
        QCOMPARE(watch.paints, 1);
        QCOMPARE(spy.count(), 2);
        g.setLevels(4, 14);
        QCOMPARE(watch.paints, 2);
        QCOMPARE(watch.region, QRegion(2 + 3 * 10, 2, 10, 5));
        QCOMPARE(spy.count(), 3);
        // The third LED of the upper row is lit, the fifth is not.
        const QImage img = image(g);
        QCOMPARE(QColor(img.pixel(2 + 2 * 10 + 4, 4)), kBar);
        QCOMPARE(QColor(img.pixel(2 + 4 * 10 + 4, 4)), kBack);
        QTest::qWait(30);
        QCOMPARE(watch.paints, 2 + 1); // the grab above paints once more
        // Both channels change: one rectangle from the upper row's fourth LED
        // to the end of the lower row's fourteenth.
        g.setLevels(3, 13);
        QCOMPARE(watch.region, QRegion(2 + 3 * 10, 2, 139 - 3 * 10, 12));
    }

    // The meter paints only the LEDs that change, so what is on screen after
    // any run of levels must be what a whole paint of the last ones gives.
    void paintingTheChangedLedsLeavesTheWholePicture() {
        for (const auto orientation : {TGorseProgress::pbHorizontal, TGorseProgress::pbVertical}) {
            TGorseProgress g;
            if (orientation == TGorseProgress::pbHorizontal)
                wideMeter(g);
            else
                ledMeter(g, {16, 37}, orientation, 7, 3, 2);
            g.show();
            QVERIFY(QTest::qWaitForWindowExposed(&g));
            const qint64 top = g.Max();
            const std::pair<qint64, qint64> steps[] = {
                {top, 0}, {top - 1, 1}, {2, top}, {3, top - 1}, {0, 0}, {1, top}, {top, 2}};
            for (const auto& [left, right] : steps) {
                g.setLevels(left, right);
                const QImage onScreen = g.screen()->grabWindow(g.winId()).toImage();
                QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32),
                         image(g).convertToFormat(QImage::Format_RGB32));
            }
        }
    }

    void unchangedPositionCostsNothing() {
        TGorseProgress g;
        g.resize(121, 16);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        PaintWatch watch;
        g.installEventFilter(&watch);
        QSignalSpy spy(&g, &TGorseProgress::changed);

        g.setPosition(40);
        QTRY_COMPARE(watch.paints, 1);
        QCOMPARE(spy.count(), 1);
        // a position change repaints only the inside
        QCOMPARE(watch.last, g.innerRect());

        g.setPosition(40);
        QTest::qWait(50);
        QCOMPARE(watch.paints, 1);
        QCOMPARE(spy.count(), 1);

        // A seek bar counting milliseconds: a step smaller than a pixel is
        // reported but not painted; a step that moves the bar is painted.
        g.setMax(200000);
        QTRY_COMPARE(watch.paints, 2);
        g.setPosition(100000);
        QTRY_COMPARE(watch.paints, 3);
        g.setPosition(100500); // 117 px for 200 s: 1,709 ms per pixel
        QTest::qWait(50);
        QCOMPARE(watch.paints, 3);
        QCOMPARE(spy.count(), 3);
        g.setPosition(102000);
        QTRY_COMPARE(watch.paints, 4);
    }

    void borderWidthMustFit() {
        TGorseProgress g;
        g.resize(20, 10);
        g.setBorderWidth(0);
        QCOMPARE(g.BorderWidth(), 1);
        g.setBorderWidth(10);
        // not smaller than the height
        QCOMPARE(g.BorderWidth(), 1);
        g.setBorderWidth(3);
        QCOMPARE(g.BorderWidth(), 3);
        QCOMPARE(g.innerRect(), QRect(4, 4, 12, 2));
        g.setBorderWidth(4);
        // no room left: nothing but the frame
        QVERIFY(g.innerRect().isEmpty());
    }

    void percentCaptionIsDrawn() {
        TGorseProgress g;
        g.resize(49, 17);
        colour(g);
        g.setCaptionColor(Qt::white);
        g.setCaptionType(TGorseProgress::ctPercent);
        g.setPosition(0);
        const QImage img = image(g);
        int white = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                white +=
                    QColor(img.pixel(x, y)).lightness() > 200 && QColor(img.pixel(x, y)) != kBottom;
        QVERIFY(white > 5);
        g.setMax(0);
        // no division by a zero range
        QVERIFY(!g.grab().isNull());
    }
};

QTEST_MAIN(GorseProgressTest)
#include "gorse_progress_test.moc"
