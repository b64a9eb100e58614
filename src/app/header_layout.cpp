#include "app/header_layout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace kesto {

namespace {

constexpr int kWideMeterWidth = 143;
constexpr int kScaleWidth = 144;
constexpr int kGap = 4;
const QString kPartSeparator = QStringLiteral(" / ");

QChar widestDigit(const QFontMetrics& metrics) {
    QChar widest = QLatin1Char('0');
    for (char c = '1'; c <= '9'; ++c)
        if (metrics.horizontalAdvance(QLatin1Char(c)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(c);
    return widest;
}

int digitsAtWidest(const QFontMetrics& metrics, QString text) {
    const QChar widest = widestDigit(metrics);
    for (QChar& c : text)
        if (c.isDigit())
            c = widest;
    return metrics.horizontalAdvance(text);
}

} // namespace

HeaderPlan planHeader(const HeaderInput& in) {
    HeaderPlan plan;
    const int w = in.width;
    const int b = in.border;
    plan.levelMeter6 = QRect(w - 16 - 2, 2, 16, 37);
    // Its width is the volume gestures' business (the bar takes part of it).
    plan.levelMeter14 = QRect(w - kWideMeterWidth - 1, 2, kWideMeterWidth, 16);
    plan.scale = QRect(plan.levelMeter14.x(), 22, kScaleWidth, 16);

    // The seek bar ends where the meter begins.
    int seekRight = w;
    int rowRight = w; // the lower row's right end, left of anything reaching down into it
    switch (in.style) {
    case 0:
        plan.volume = QRect(w - in.volumeWidth - b, 23, in.volumeWidth, 16);
        break;
    case 1:
        seekRight = plan.levelMeter6.x() - b;
        rowRight = plan.levelMeter6.x();
        plan.volume = QRect(plan.levelMeter6.x() - in.volumeWidth - b, 23, in.volumeWidth, 16);
        break;
    case 2:
    case 3:
        seekRight = plan.levelMeter14.x() - b;
        if (in.volumeBarShown)
            rowRight = plan.levelMeter6.x();
        plan.volume = QRect(plan.levelMeter6.x() - in.volumeWidth - 4, 23, in.volumeWidth, 16);
        break;
    default:
        // Where the read-out stood before any style was applied.
        plan.volume = QRect(plan.levelMeter6.x() - in.volumeWidth - 4, 23, in.volumeWidth, 16);
        break;
    }
    plan.progres = QRect(0, 2, std::max(0, seekRight), 16);

    // The time read-out comes first; a label at the right that would leave
    // it less than it needs gives way.
    const int timeEnd = in.timeLeft + in.timeNeed + kGap;
    const auto fits = [&](const QRect& r) {
        return r.x() >= timeEnd && r.right() < rowRight;
    };
    plan.scaleShown = in.scaleWanted && fits(plan.scale);
    plan.volumeShown = in.volumeWanted && fits(plan.volume);
    if (plan.volumeShown && plan.scaleShown && plan.volume.intersects(plan.scale))
        plan.scaleShown = false; // the scale is the first to go
    int timeRight = rowRight - kGap;
    if (plan.volumeShown)
        timeRight = std::min(timeRight, plan.volume.x() - kGap);
    if (plan.scaleShown)
        timeRight = std::min(timeRight, plan.scale.x() - kGap);
    plan.time = QRect(in.timeLeft, 24, std::max(0, timeRight - in.timeLeft), 16);
    plan.timeShown = plan.time.width() > 0;
    plan.complete = plan.time.width() >= in.timeNeed && plan.scaleShown == in.scaleWanted &&
                    plan.volumeShown == in.volumeWanted;
    return plan;
}

int timeTextNeed(const QFontMetrics& metrics, const QString& text) {
    return std::max(digitsAtWidest(metrics, QStringLiteral("00:00 / 00:00 / -00:00")),
                    digitsAtWidest(metrics, text));
}

int widestTimeTextNeed(const QFontMetrics& metrics) {
    return digitsAtWidest(metrics, QStringLiteral("0:00:00 / 0:00:00 / -0:00:00"));
}

QString TimeLabel::shownText() const {
    const QString whole = text();
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    if (metrics.horizontalAdvance(whole) <= room)
        return whole;
    QStringList parts = whole.split(kPartSeparator);
    // A status line (connecting, recording) is one text, better cut short
    // than gone; a time read-out loses whole parts, never half a number.
    if (parts.size() == 1)
        return metrics.elidedText(whole, Qt::ElideRight, room);
    while (parts.size() > 1) {
        parts.removeLast();
        const QString shorter = parts.join(kPartSeparator);
        if (metrics.horizontalAdvance(shorter) <= room)
            return shorter;
    }
    return {};
}

TimeLabel::TimeLabel(QWidget* parent) : QLabel(parent) {
    // It changes every second while the rest of the header holds still: its
    // own background, so a new text does not repaint the window under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimeLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().brush(QPalette::Window));
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), static_cast<int>(alignment()), shownText());
}

} // namespace kesto
