#include "controls/gorse_progress.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kesto {

TGorseProgress::TGorseProgress(QWidget* parent) : QWidget(parent) {
    const QPalette pal = palette();
    background_ = pal.color(QPalette::Button);
    bar_ = pal.color(QPalette::Highlight);
    frameTop_ = pal.color(QPalette::Dark);
    frameBottom_ = pal.color(QPalette::Light);
    captionColor_ = pal.color(QPalette::WindowText);
    // Every pixel is ours: no system background under the paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(150, 16);
}

void TGorseProgress::setMax(qint64 value) {
    // The status tick restates the maximum many times a second.
    if (value == max_)
        return;
    max_ = value;
    position_ = std::min(position_, max_);
    position2_ = std::min(position2_, max_);
    repaintAll();
}

bool TGorseProgress::storePosition(qint64& field, qint64 value) {
    if (value == field)
        return false;
    const qint64 before = field;
    field = std::clamp<qint64>(value, 0, std::max<qint64>(max_, 0));
    Q_EMIT changed();
    // The seek bar moves by a millisecond at a time but by a pixel only every
    // few hundred: repaint only when the picture changes.
    return drawnExtent(before) != drawnExtent(field);
}

void TGorseProgress::setPositionOf(qint64& field, qint64 value) {
    if (storePosition(field, value))
        update(innerRect());
}

void TGorseProgress::setLevels(qint64 first, qint64 second) {
    const qint64 firstBefore = position_, secondBefore = position2_;
    const bool firstMoved = storePosition(position_, first);
    const bool secondMoved = storePosition(position2_, second);
    if (!firstMoved && !secondMoved)
        return;
    if (barType_ != brStereoLeds) {
        repaint(innerRect());
        return;
    }
    // A meter on a steady tone gains or loses one LED per channel a tick:
    // painting and sending only those few pixels is most of its cost saved.
    // One rectangle round both channels' changes, not a region of two: the
    // raster engine fills through a region clip span by span, at several
    // times the cost of the few pixels between the channels.
    QRect changed;
    if (firstMoved)
        changed |= ledsBetween(0, firstBefore, position_);
    if (secondMoved)
        changed |= ledsBetween(1, secondBefore, position2_);
    repaint(changed);
}

QRect TGorseProgress::ledsBetween(int channel, qint64 a, qint64 b) const {
    const QRect inner = innerRect();
    if (inner.isEmpty())
        return {};
    const bool horizontal = orientation_ == pbHorizontal;
    const int thickness = horizontal ? inner.height() : inner.width();
    const int half = (thickness - stereoSeparation_) / 2;
    const int from = channel == 0 ? 0 : half + stereoSeparation_;
    const int to = channel == 0 ? half : thickness;
    const qint64 step = ledStep();
    const qint64 start = std::min(a, b) * step;
    const qint64 len = std::abs(a - b) * step;
    QRect along;
    if (horizontal)
        along = QRect(static_cast<int>(start), from, static_cast<int>(len), to - from);
    else
        along = QRect(from, static_cast<int>(inner.height() - start - len), to - from,
                      static_cast<int>(len));
    return along.translated(inner.topLeft()) & inner;
}

qint64 TGorseProgress::drawnExtent(qint64 position) const {
    // LED meters count LEDs, and a caption shows the value itself.
    if (barType_ == brStereoLeds || captionType_ != ctNone || max_ <= 0)
        return position;
    const QRect inner = innerRect();
    const qint64 length = orientation_ == pbHorizontal || barType_ == brClassicWindows
                              ? inner.width()
                              : inner.height();
    return length * position / max_;
}

void TGorseProgress::setPosition(qint64 value) {
    setPositionOf(position_, value);
}
void TGorseProgress::setPosition2(qint64 value) {
    setPositionOf(position2_, value);
}

void TGorseProgress::setBackgroundColor(const QColor& c) {
    background_ = c;
    repaintAll();
}
void TGorseProgress::setBarColor(const QColor& c) {
    bar_ = c;
    repaintAll();
}
void TGorseProgress::setFrameTopColor(const QColor& c) {
    frameTop_ = c;
    repaintAll();
}
void TGorseProgress::setFrameBottomColor(const QColor& c) {
    frameBottom_ = c;
    repaintAll();
}
void TGorseProgress::setCaptionColor(const QColor& c) {
    captionColor_ = c;
    repaintAll();
}
void TGorseProgress::setBarType(BarType t) {
    barType_ = t;
    repaintAll();
}
void TGorseProgress::setBorderWidth(int width) {
    borderWidth_ = (width > 0 && width < this->width() && width < height()) ? width : 1;
    repaintAll();
}
void TGorseProgress::setCaption(const QString& text) {
    caption_ = text;
    repaintAll();
}
void TGorseProgress::setCaptionType(CaptionType t) {
    captionType_ = t;
    repaintAll();
}
void TGorseProgress::setOrientation(Orientation o) {
    orientation_ = o;
    repaintAll();
}
void TGorseProgress::setStereoSeperation(int pixels) {
    stereoSeparation_ = pixels;
    repaintAll();
}
void TGorseProgress::setLedSeperation(int pixels) {
    ledSeparation_ = pixels;
    repaintAll();
}
void TGorseProgress::setLedWidth(int pixels) {
    ledWidth_ = pixels;
    repaintAll();
}

QRect TGorseProgress::innerRect() const {
    const int w = width(), h = height();
    const int edge = 2 * borderWidth_ + 2;
    if (w == 0 || h == 0 || edge >= w || edge >= h)
        return {};
    return {borderWidth_ + 1, borderWidth_ + 1, w - edge, h - edge};
}

void TGorseProgress::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect inner = innerRect();
    // A position change asks for the inside only; everything else gets the frame too.
    if (!inner.contains(event->rect())) {
        const int r = width() - 1, b = height() - 1;
        p.fillRect(rect(), background_);
        p.setPen(frameTop_);
        p.drawLine(0, b, 0, 0);
        p.drawLine(0, 0, r, 0);
        p.setPen(frameBottom_);
        p.drawLine(r, 0, r, b);
        p.drawLine(r, b, 0, b);
    }
    if (inner.isEmpty())
        return;
    p.setClipRect(inner);
    p.translate(inner.topLeft());
    const QRect damage = event->rect().translated(-inner.topLeft()) & QRect(QPoint(), inner.size());
    p.fillRect(damage, background_);
    paintBar(p, inner.width(), inner.height(), damage);
    if (captionType_ != ctNone)
        paintCaption(p, inner.height());
}

void TGorseProgress::paintBar(QPainter& p, int w, int h, const QRect& damage) const {
    const bool horizontal = orientation_ == pbHorizontal;
    const int length = horizontal ? w : h;
    const int thickness = horizontal ? h : w;
    const auto scaled = [&](qint64 pos) -> int {
        if (pos == 0 || max_ == 0)
            return 0;
        return static_cast<int>(static_cast<qint64>(length) * pos / max_);
    };
    // A run of `len` pixels along the bar from its start (left, or bottom when
    // vertical), across from `from` to `to`.
    const auto fillAlong = [&](int start, int len, int from, int to) {
        if (len <= 0 || to <= from)
            return;
        if (horizontal)
            p.fillRect(start, from, len, to - from, bar_);
        else
            p.fillRect(from, h - start - len, to - from, len, bar_);
    };

    switch (barType_) {
    case brNormal:
        fillAlong(0, scaled(position_), 0, thickness);
        break;
    case brClassicWindows: {
        if (max_ == 0)
            break;
        const auto e = static_cast<double>(static_cast<qint64>(w) * position_ / max_);
        const int block = static_cast<int>(std::trunc(height() / 1.55));
        if (block <= 0)
            break;
        const int count = static_cast<int>(std::trunc(e / block + 0.9999999));
        for (int i = 0; i < count; ++i) {
            if (width() < block * i)
                continue;
            const int right = std::min((i + 1) * block - 2, w);
            if (right > block * i)
                p.fillRect(block * i, 0, right - block * i, h, bar_);
        }
        break;
    }
    case brStereo: {
        const int c = scaled(position_);
        const int o = scaled(position2_);
        const int half = (thickness - stereoSeparation_) / 2;
        if (c > 0)
            fillAlong(0, c, 0, half);
        if (o > borderWidth_ + 1)
            fillAlong(0, o, half + stereoSeparation_, thickness);
        break;
    }
    case brStereoLeds: {
        const int half = (thickness - stereoSeparation_) / 2;
        const int step = ledStep();
        // Only the LEDs under the damage: a tick repaints one or two of them.
        const int nearest = horizontal ? damage.left() : h - 1 - damage.bottom();
        const int furthest = horizontal ? damage.right() : h - 1 - damage.top();
        const qint64 first = std::max(nearest, 0) / step;
        const qint64 last = std::max(furthest, 0) / step;
        for (qint64 i = first; i < position_ && i <= last; ++i)
            fillAlong(static_cast<int>(i) * step, ledWidth_, 0, half);
        for (qint64 i = first; i < position2_ && i <= last; ++i)
            fillAlong(static_cast<int>(i) * step, ledWidth_, half + stereoSeparation_, thickness);
        break;
    }
    }
}

void TGorseProgress::paintCaption(QPainter& p, int h) const {
    QString text;
    switch (captionType_) {
    case ctCustom:
        text = caption_;
        break;
    case ctPercent:
        // A bar without a range is at nothing per cent of it.
        text = QString::number(max_ > 0 ? position_ * 100 / max_ : 0) + QStringLiteral(" %");
        break;
    case ctValue:
        text = QString::number(position_) + QStringLiteral(" / ") + QString::number(max_);
        break;
    case ctNone:
        return;
    }
    const QFontMetrics fm(font());
    p.setPen(captionColor_);
    p.drawText(1, (h - fm.height()) / 2 + fm.ascent(), QStringLiteral(" ") + text);
}

} // namespace kesto
