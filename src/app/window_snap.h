#pragma once

#include <QPoint>
#include <QRect>

namespace kesto {

// Where a window whose frame would be at `frame` goes when it snaps to the
// edges of the desktop's work area: each edge within `distance` pixels
// (inclusive) of the matching work-area edge moves onto it, left before
// right and top before bottom. The size never changes.
QPoint snapToWorkArea(const QRect& frame, const QRect& workArea, int distance = 10);

} // namespace kesto
