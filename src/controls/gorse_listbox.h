#pragma once

// The playlist's list control. It is virtual: it stores a line count, a
// selection and a focus, never a string; the owner draws each visible line
// when asked. Selection follows the desktop's extended rules (click, Ctrl,
// Shift), there is never a focus rectangle, the wheel scrolls by whole lines
// (small touchpad steps add up to them),
// and only the area below the last line is erased, so repaints never flicker.

#include <QAbstractScrollArea>
#include <QColor>

#include <functional>
#include <vector>

namespace kesto {

class TGorseListbox : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct LineState {
        bool selected = false;
        bool focused = false;
    };
    // Draws line `index` into `rect` (viewport coordinates).
    using DrawItem = std::function<void(QPainter&, int index, const QRect& rect, LineState)>;

    explicit TGorseListbox(QWidget* parent = nullptr);

    void setDrawItem(DrawItem draw) { drawItem_ = std::move(draw); }
    void setBackground(const QColor& c);
    QColor background() const { return background_; }

    // A new count drops the selection and the focus and scrolls to the top,
    // as the desktop's virtual lists do; the owner restores what it keeps.
    void setCount(int count);
    int count() const { return count_; }
    void setItemHeight(int pixels);
    int itemHeight() const { return itemHeight_; }

    int topIndex() const;
    void setTopIndex(int index);
    int focusedIndex() const { return focused_; }
    // Moves the focus (and the Shift anchor) without touching the selection.
    void setFocusedIndex(int index);

    bool isSelected(int index) const;
    void setSelected(int index, bool selected);
    void selectIndexes(const std::vector<int>& ascending);
    void clearSelection();
    void selectAll();
    std::vector<int> selectedIndexes() const;
    int selectedCount() const { return selectedCount_; }

    // Whole lines that fit the viewport.
    int visibleRows() const;
    // The line at a viewport y, or -1.
    int indexAt(int y) const;
    QRect itemRect(int index) const;
    void repaintLines() { viewport()->update(); }

    // Nested brackets: the list repaints once, when the last one closes.
    void beginUpdate();
    void endUpdate();

Q_SIGNALS:
    void lineDoubleClicked(int index);
    // A press that moved past the drag distance, on `index`.
    void dragStarted(int index);
    void dragMoved(int y);
    void dragEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollRange();
    void moveFocusTo(int index, Qt::KeyboardModifiers mods);
    void selectRange(int from, int to);
    void ensureVisible(int index);

    DrawItem drawItem_;
    QColor background_;
    int count_ = 0;
    int itemHeight_ = 16;
    int focused_ = -1;
    int anchor_ = -1;
    std::vector<unsigned char> selected_;
    int selectedCount_ = 0;
    int updateDepth_ = 0;
    // Wheel travel not yet worth a whole line (positive: towards the top).
    double wheelLines_ = 0;
    // Drag tracking: where the left button went down, and whether it became a drag.
    QPoint pressPos_;
    int pressIndex_ = -1;
    bool dragging_ = false;
};

} // namespace kesto
