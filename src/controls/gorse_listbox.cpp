#include "controls/gorse_listbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kesto {

TGorseListbox::TGorseListbox(QWidget* parent) : QAbstractScrollArea(parent) {
    background_ = palette().color(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
}

void TGorseListbox::setBackground(const QColor& c) {
    background_ = c;
    viewport()->update();
}

void TGorseListbox::setCount(int count) {
    count_ = std::max(0, count);
    selected_.assign(static_cast<std::size_t>(count_), 0);
    selectedCount_ = 0;
    focused_ = -1;
    anchor_ = -1;
    updateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void TGorseListbox::setItemHeight(int pixels) {
    itemHeight_ = std::max(1, pixels);
    updateScrollRange();
    viewport()->update();
}

int TGorseListbox::visibleRows() const {
    return viewport()->height() / itemHeight_;
}

void TGorseListbox::updateScrollRange() {
    const int visible = std::max(1, visibleRows());
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(visible);
    bar->setRange(0, std::max(0, count_ - visible));
}

int TGorseListbox::topIndex() const {
    return verticalScrollBar()->value();
}

void TGorseListbox::setTopIndex(int index) {
    verticalScrollBar()->setValue(std::max(0, index));
}

void TGorseListbox::setFocusedIndex(int index) {
    if (index < -1 || index >= count_)
        return;
    focused_ = index;
    anchor_ = index;
    viewport()->update();
}

bool TGorseListbox::isSelected(int index) const {
    return index >= 0 && index < count_ && selected_[static_cast<std::size_t>(index)];
}

void TGorseListbox::setSelected(int index, bool selected) {
    if (index < 0 || index >= count_)
        return;
    unsigned char& s = selected_[static_cast<std::size_t>(index)];
    if (static_cast<bool>(s) == selected)
        return;
    s = selected;
    selectedCount_ += selected ? 1 : -1;
    viewport()->update(itemRect(index));
}

void TGorseListbox::selectIndexes(const std::vector<int>& ascending) {
    for (int i : ascending) {
        if (i >= 0 && i < count_ && !selected_[static_cast<std::size_t>(i)]) {
            selected_[static_cast<std::size_t>(i)] = 1;
            ++selectedCount_;
        }
    }
    viewport()->update();
}

void TGorseListbox::clearSelection() {
    if (selectedCount_ == 0)
        return;
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;
    viewport()->update();
}

void TGorseListbox::selectAll() {
    std::fill(selected_.begin(), selected_.end(), 1);
    selectedCount_ = count_;
    viewport()->update();
}

std::vector<int> TGorseListbox::selectedIndexes() const {
    std::vector<int> out;
    out.reserve(static_cast<std::size_t>(selectedCount_));
    for (int i = 0; i < count_ && static_cast<int>(out.size()) < selectedCount_; ++i)
        if (selected_[static_cast<std::size_t>(i)])
            out.push_back(i);
    return out;
}

int TGorseListbox::indexAt(int y) const {
    if (y < 0)
        return -1;
    const int index = topIndex() + y / itemHeight_;
    return index < count_ ? index : -1;
}

QRect TGorseListbox::itemRect(int index) const {
    return {0, (index - topIndex()) * itemHeight_, viewport()->width(), itemHeight_};
}

void TGorseListbox::beginUpdate() {
    if (updateDepth_++ == 0)
        viewport()->setUpdatesEnabled(false);
}

void TGorseListbox::endUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0) {
        viewport()->setUpdatesEnabled(true);
        viewport()->update();
    }
}

void TGorseListbox::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int top = topIndex();
    const int h = itemHeight_;
    const int width = viewport()->width();
    const int height = viewport()->height();
    const int last = std::min(count_ - 1, top + height / h + 1);
    for (int i = top; i <= last; ++i) {
        const QRect r(0, (i - top) * h, width, h);
        p.save();
        if (drawItem_) {
            drawItem_(p, i, r,
                      {static_cast<bool>(selected_[static_cast<std::size_t>(i)]), i == focused_});
        } else {
            p.fillRect(r, background_);
        }
        p.restore();
    }
    // Only the part below the last line is erased; the lines paint every pixel
    // of their own rectangles.
    const int below = (count_ - top) * h;
    if (below < height)
        p.fillRect(0, std::max(0, below), width, height - std::max(0, below), background_);
}

void TGorseListbox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void TGorseListbox::scrollContentsBy(int, int) {
    viewport()->update();
}

void TGorseListbox::ensureVisible(int index) {
    const int top = topIndex();
    const int visible = std::max(1, visibleRows());
    if (index < top)
        setTopIndex(index);
    else if (index >= top + visible)
        setTopIndex(index - visible + 1);
}

void TGorseListbox::selectRange(int from, int to) {
    if (from > to)
        std::swap(from, to);
    for (int i = std::max(0, from); i <= to && i < count_; ++i) {
        if (!selected_[static_cast<std::size_t>(i)]) {
            selected_[static_cast<std::size_t>(i)] = 1;
            ++selectedCount_;
        }
    }
}

void TGorseListbox::moveFocusTo(int index, Qt::KeyboardModifiers mods) {
    if (count_ == 0)
        return;
    index = std::clamp(index, 0, count_ - 1);
    if (mods & Qt::ShiftModifier) {
        const int anchor = anchor_ >= 0 ? anchor_ : index;
        if (!(mods & Qt::ControlModifier)) {
            std::fill(selected_.begin(), selected_.end(), 0);
            selectedCount_ = 0;
        }
        selectRange(anchor, index);
        focused_ = index;
        anchor_ = anchor;
    } else if (mods & Qt::ControlModifier) {
        focused_ = index; // Ctrl moves the focus alone
    } else {
        std::fill(selected_.begin(), selected_.end(), 0);
        selected_[static_cast<std::size_t>(index)] = 1;
        selectedCount_ = 1;
        focused_ = index;
        anchor_ = index;
    }
    ensureVisible(index);
    viewport()->update();
}

void TGorseListbox::keyPressEvent(QKeyEvent* event) {
    const int page = std::max(1, visibleRows() - 1);
    const int from = focused_ < 0 ? 0 : focused_;
    switch (event->key()) {
    case Qt::Key_Up:
        moveFocusTo(focused_ < 0 ? 0 : from - 1, event->modifiers());
        break;
    case Qt::Key_Down:
        moveFocusTo(focused_ < 0 ? 0 : from + 1, event->modifiers());
        break;
    case Qt::Key_PageUp:
        moveFocusTo(from - page, event->modifiers());
        break;
    case Qt::Key_PageDown:
        moveFocusTo(from + page, event->modifiers());
        break;
    case Qt::Key_Home:
        moveFocusTo(0, event->modifiers());
        break;
    case Qt::Key_End:
        moveFocusTo(count_ - 1, event->modifiers());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TGorseListbox::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const int index = indexAt(event->position().toPoint().y());
    pressIndex_ = -1;
    dragging_ = false;
    if (event->button() != Qt::LeftButton || index < 0)
        return;
    pressPos_ = event->position().toPoint();
    pressIndex_ = index;
    const auto mods = event->modifiers();
    if (mods & Qt::ShiftModifier) {
        moveFocusTo(index, mods);
    } else if (mods & Qt::ControlModifier) {
        setSelected(index, !isSelected(index));
        focused_ = index;
        anchor_ = index;
    } else if (!isSelected(index)) {
        moveFocusTo(index, {});
    } else {
        // A press on a selected line may start dragging the whole selection;
        // a click without a drag narrows the selection on release.
        focused_ = index;
        anchor_ = index;
    }
    viewport()->update();
}

void TGorseListbox::mouseMoveEvent(QMouseEvent* event) {
    if (pressIndex_ < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    if (!dragging_ && (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        Q_EMIT dragStarted(indexAt(pressPos_.y()));
    }
    if (dragging_)
        Q_EMIT dragMoved(pos.y());
}

void TGorseListbox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (dragging_) {
        dragging_ = false;
        Q_EMIT dragEnded();
    } else if (pressIndex_ >= 0 &&
               !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) &&
               selectedCount_ > 1) {
        moveFocusTo(pressIndex_, {});
    }
    pressIndex_ = -1;
}

void TGorseListbox::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint().y());
    if (event->button() == Qt::LeftButton && index >= 0)
        Q_EMIT lineDoubleClicked(index);
}

void TGorseListbox::wheelEvent(QWheelEvent* event) {
    if (event->phase() == Qt::ScrollBegin)
        wheelLines_ = 0;
    const auto mods = event->modifiers();
    const double factor = (mods & Qt::ControlModifier) ? 10.0
                          : (mods & Qt::ShiftModifier) ? 0.375
                                                       : 1.0;
    const double linesPerNotch = static_cast<double>(std::lround(8 * factor));
    // Touchpads and smooth wheels send many small steps; a pixel delta says
    // how far the content should follow the fingers. Either way the
    // fractions add up here until they make whole lines, so sixteen
    // eighth-notches travel as far as two notches.
    double lines = 0;
    if (const int pixels = event->pixelDelta().y(); pixels != 0)
        lines = pixels * factor / itemHeight_;
    else if (const int angle = event->angleDelta().y(); angle != 0)
        lines = angle * linesPerNotch / 120.0;
    else {
        event->ignore();
        return;
    }
    if ((lines > 0) != (wheelLines_ > 0))
        wheelLines_ = 0; // a turn the other way starts afresh
    wheelLines_ += lines;
    const auto whole = static_cast<int>(std::trunc(wheelLines_));
    wheelLines_ -= whole;
    // Away from the user (positive) scrolls towards the first line.
    const int maxTop = std::max(0, count_ - visibleRows());
    const int wanted = topIndex() - whole;
    const int top = std::clamp(wanted, 0, maxTop);
    if (top != wanted)
        wheelLines_ = 0; // nothing is kept for travel past an end
    setTopIndex(top);
    event->accept();
}

} // namespace kesto
