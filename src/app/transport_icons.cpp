#include "app/transport_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kesto {

namespace {

QPixmap canvas(int size) {
    QPixmap pix(size, size);
    pix.fill(Qt::transparent);
    return pix;
}

void triangle(QPainter& p, qreal x, qreal y, qreal w, qreal h, bool right) {
    QPainterPath path;
    if (right) {
        path.moveTo(x, y);
        path.lineTo(x + w, y + h / 2);
        path.lineTo(x, y + h);
    } else {
        path.moveTo(x + w, y);
        path.lineTo(x, y + h / 2);
        path.lineTo(x + w, y + h);
    }
    path.closeSubpath();
    p.drawPath(path);
}

} // namespace

QIcon transportIcon(TransportIcon which) {
    QPixmap pix = canvas(16);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    switch (which) {
    case TransportIcon::Play:
        triangle(p, 4, 2, 9, 12, true);
        break;
    case TransportIcon::Pause:
        p.drawRect(QRectF(3.5, 2.5, 3.5, 11));
        p.drawRect(QRectF(9, 2.5, 3.5, 11));
        break;
    case TransportIcon::Stop:
        p.drawRect(QRectF(3, 3, 10, 10));
        break;
    case TransportIcon::Previous:
        p.drawRect(QRectF(2, 3, 2, 10));
        triangle(p, 4, 3, 5, 10, false);
        triangle(p, 9, 3, 5, 10, false);
        break;
    case TransportIcon::Next:
        triangle(p, 2, 3, 5, 10, true);
        triangle(p, 7, 3, 5, 10, true);
        p.drawRect(QRectF(12, 3, 2, 10));
        break;
    case TransportIcon::Record:
        p.setBrush(QColor(0xC8, 0x20, 0x20));
        p.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    }
    return QIcon(pix);
}

QIcon applicationIcon() {
    QPixmap pix = canvas(32);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x30, 0x58));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    const int heights[] = {12, 20, 8};
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRectF(7 + i * 7, 26 - heights[i], 5, heights[i]), QColor(0xFF, 0xB0, 0x40));
    return QIcon(pix);
}

} // namespace kesto
