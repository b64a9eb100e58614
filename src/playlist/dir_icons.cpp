#include "playlist/dir_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kesto {

namespace {

// Drawn on a 32-pixel grid; the icon scales it down for the tree's 16 pixels.
QPixmap drawIcon(DirIcon which) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    switch (which) {
    case DirIcon::Folder: {
        QPainterPath tab;
        tab.moveTo(3, 9);
        tab.lineTo(3, 6);
        tab.lineTo(12, 6);
        tab.lineTo(15, 9);
        p.setBrush(QColor(214, 170, 60));
        p.drawPath(tab);
        p.setBrush(QColor(240, 200, 90));
        p.drawRoundedRect(QRectF(3, 9, 26, 18), 2, 2);
        break;
    }
    case DirIcon::Drive:
        p.setBrush(QColor(200, 205, 212));
        p.drawRoundedRect(QRectF(2, 10, 28, 14), 3, 3);
        p.setBrush(QColor(60, 180, 80));
        p.drawEllipse(QPointF(24, 17), 2, 2);
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.drawLine(QPointF(6, 17), QPointF(18, 17));
        break;
    case DirIcon::Optical:
        p.setBrush(QColor(215, 220, 235));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setBrush(QColor(170, 190, 230));
        p.drawEllipse(QPointF(16, 16), 6, 6);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 2, 2);
        break;
    }
    return pixmap;
}

} // namespace

QIcon dirIcon(DirIcon which) {
    return QIcon(drawIcon(which));
}

} // namespace kesto
