#include "app/window_snap.h"

#include <cstdlib>

namespace kesto {

QPoint snapToWorkArea(const QRect& frame, const QRect& workArea, int distance) {
    int left = frame.left();
    int top = frame.top();
    const int w = frame.width();
    const int h = frame.height();
    const int areaRight = workArea.left() + workArea.width();
    const int areaBottom = workArea.top() + workArea.height();
    if (std::abs(left - workArea.left()) <= distance)
        left = workArea.left();
    if (std::abs(left + w - areaRight) <= distance)
        left = areaRight - w;
    if (std::abs(top - workArea.top()) <= distance)
        top = workArea.top();
    if (std::abs(top + h - areaBottom) <= distance)
        top = areaBottom - h;
    return {left, top};
}

} // namespace kesto
