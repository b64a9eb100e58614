// The playlist's list control: how far the wheel and the touchpad scroll it.

#include "controls/gorse_listbox.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <vector>

using kesto::TGorseListbox;

namespace {

struct Turn {
    int angle = 0; // eighths of a degree, 120 a notch; towards the user is negative
    int pixels = 0;
    Qt::KeyboardModifiers mods;
};

void send(TGorseListbox& list, const Turn& t) {
    const QPointF at(10, 10);
    QWheelEvent e(at, list.viewport()->mapToGlobal(at), QPoint(0, t.pixels), QPoint(0, t.angle),
                  Qt::NoButton, t.mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &e);
}

std::vector<Turn> times(int n, Turn t) {
    return std::vector<Turn>(static_cast<std::size_t>(n), t);
}

std::vector<Turn> operator+(std::vector<Turn> a, const std::vector<Turn>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Turn>)

class GorseListboxTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wheelAndTouchpadStepsAddUpToLines_data() {
        QTest::addColumn<int>("startTop");
        QTest::addColumn<std::vector<Turn>>("turns");
        QTest::addColumn<int>("top");
        const Qt::KeyboardModifiers none;
        QTest::newRow("one notch: 8 lines") << 0 << times(1, {-120, 0, none}) << 8;
        QTest::newRow("eight eighths: one notch") << 0 << times(8, {-15, 0, none}) << 8;
        QTest::newRow("sixteen eighths: two notches") << 0 << times(16, {-15, 0, none}) << 2 * 8;
        QTest::newRow("two notches at once") << 0 << times(1, {-240, 0, none}) << 16;
        QTest::newRow("a fifth of a notch, five times") << 0 << times(5, {-24, 0, none}) << 8;
        QTest::newRow("back up by eighths") << 40 << times(8, {15, 0, none}) << 32;
        QTest::newRow("Shift: 3 lines a notch") << 0 << times(8, {-15, 0, Qt::ShiftModifier}) << 3;
        QTest::newRow("Ctrl: 80 lines a notch")
            << 0 << times(4, {-30, 0, Qt::ControlModifier}) << 80;
        // The list's lines are 16 pixels high.
        QTest::newRow("pixels: whole lines") << 0 << times(1, {-120, -48, none}) << 3;
        QTest::newRow("pixels: fractions add up") << 0 << times(8, {-1, -4, none}) << 2;
        QTest::newRow("pixels up") << 10 << times(4, {0, 8, none}) << 8;
        // Pushing past the first line stores nothing for later.
        QTest::newRow("no travel kept past the top")
            << 0 << times(10, {15, 0, none}) + times(8, {-15, 0, none}) << 8;
        QTest::newRow("past the last page") << 0 << times(1, {-120 * 200, 0, none}) << 1000 - 20;
    }
    void wheelAndTouchpadStepsAddUpToLines() {
        QFETCH(int, startTop);
        QFETCH(std::vector<Turn>, turns);
        QFETCH(int, top);
        TGorseListbox list;
        list.setItemHeight(16);
        list.setCount(1000);
        list.resize(200, 20 * 16 + 2 * list.frameWidth());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.visibleRows(), 20);
        list.setTopIndex(startTop);
        for (const Turn& t : turns)
            send(list, t);
        QCOMPARE(list.topIndex(), top);
        // The selection never moves with the wheel.
        QVERIFY(list.selectedIndexes().empty());
    }
};

QTEST_MAIN(GorseListboxTest)
#include "gorse_listbox_test.moc"
