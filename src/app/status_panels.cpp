#include "app/status_panels.h"

#include <QMouseEvent>
#include <QPainter>

namespace kesto {

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize StatusPanels::sizeHint() const {
    return {200, fontMetrics().height() + 6};
}

int StatusPanels::panelRight(int panel) const {
    int x = 0;
    for (int i = 0; i <= panel && i < kPanels; ++i)
        x += widths_[static_cast<std::size_t>(i)];
    return x;
}

void StatusPanels::setText(int panel, const QString& text) {
    if (panel < 0 || panel >= kPanels || texts_[static_cast<std::size_t>(panel)] == text)
        return;
    texts_[static_cast<std::size_t>(panel)] = text;
    update();
}

void StatusPanels::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    int x = 0;
    for (int i = 0; i < kPanels; ++i) {
        const int w = widths_[static_cast<std::size_t>(i)];
        if (w <= 0)
            continue;
        const QRect r(x, 2, w - 2, height() - 3);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   texts_[static_cast<std::size_t>(i)]);
        x += w;
    }
}

void StatusPanels::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(event->position().toPoint().x(), event->button());
}

} // namespace kesto
