#include "app/mdi_layout.h"

#include <algorithm>
#include <cmath>

namespace mdi_layout {

namespace {
// Splits length into parts whole pixels long; the last part takes what the division leaves.
int partStart(int length, int parts, int index)
{
    return length * index / parts;
}
} // namespace

QList<QRect> tile(const QRect& area, int count, Stacking stacking)
{
    QList<QRect> rects;
    if (count <= 0 || area.isEmpty())
        return rects;
    const int lanes = count <= 3 ? 1 : static_cast<int>(std::sqrt(static_cast<double>(count)));
    const int base = count / lanes;
    const int extra = count % lanes;
    const bool stackedVertically = stacking == Stacking::AboveEachOther;
    const int across = stackedVertically ? area.width() : area.height();
    const int along = stackedVertically ? area.height() : area.width();
    for (int lane = 0; lane < lanes; ++lane) {
        const int inLane = base + (lane >= lanes - extra ? 1 : 0);
        const int a0 = partStart(across, lanes, lane);
        const int a1 = partStart(across, lanes, lane + 1);
        for (int i = 0; i < inLane; ++i) {
            const int b0 = partStart(along, inLane, i);
            const int b1 = partStart(along, inLane, i + 1);
            rects.append(stackedVertically ? QRect(area.left() + a0, area.top() + b0, a1 - a0, b1 - b0)
                                           : QRect(area.left() + b0, area.top() + a0, b1 - b0, a1 - a0));
        }
    }
    return rects;
}

QList<QRect> arrangeIcons(const QRect& area, const QList<QSize>& iconSizes)
{
    QList<QRect> rects;
    int x = area.left();
    int rowBottom = area.bottom() + 1;
    int rowHeight = 0;
    for (const QSize& size : iconSizes) {
        if (x > area.left() && x + size.width() > area.right() + 1) {
            x = area.left();
            rowBottom -= rowHeight;
            rowHeight = 0;
        }
        rects.append(QRect(QPoint(x, rowBottom - size.height()), size));
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
    return rects;
}

} // namespace mdi_layout
