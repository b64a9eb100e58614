#include "app/status_panels.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kesto {

namespace {
// Room a panel keeps around its text: the bevel and the text's inset.
constexpr int kTextMargin = 8;
} // namespace

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize StatusPanels::sizeHint() const {
    return {200, fontMetrics().height() + 6};
}

int StatusPanels::panelWidth(int panel) const {
    const auto i = static_cast<std::size_t>(panel);
    const int design = designWidths_.at(i);
    if (design <= 0)
        return 0;
    if (panel == kPanels - 1)
        return std::max(design, width() - panelRight(panel - 1));
    return std::max(design, fontMetrics().horizontalAdvance(texts_[i]) + kTextMargin);
}

int StatusPanels::panelRight(int panel) const {
    int x = 0;
    for (int i = 0; i <= panel && i < kPanels; ++i)
        x += panelWidth(i);
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
        const int w = panelWidth(i);
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
