// What the toolkit alone costs for what the playing window must do: a
// window of the player's size, a 20 ms timer, and a 139 by 12 strip that is
// repainted at once on every second tick, as the level meter's LEDs change
// about 25 times a second. bench/window_measure.sh runs it beside the player
// and mpg123, so the three CPU figures come from the same seconds.
//
//   toolkit_floor [--timer-only]

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstring>

namespace {

class Strip : public QWidget {
public:
    explicit Strip(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void step() {
        lit_ = !lit_;
        repaint();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), lit_ ? QColor(40, 110, 200) : QColor(20, 40, 80));
    }

private:
    bool lit_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // The player's own choice for small repaints (see player_app.cpp).
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    const bool paint = !(argc > 1 && std::strcmp(argv[1], "--timer-only") == 0);
    QWidget window;
    window.resize(310, 370);
    auto* strip = new Strip(&window);
    strip->setGeometry(166, 4, 139, 12);
    window.show();
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, &window, [&] {
        if (paint && ++ticks % 2 == 0)
            strip->step();
    });
    timer.start(20);
    return QApplication::exec();
}
