#pragma once
// Where the frame puts its children when it tiles them or arranges their icons.

#include <QList>
#include <QRect>
#include <QSize>

namespace mdi_layout {

enum class Stacking { AboveEachOther, SideBySide };

// Up to three windows form one stack; from four on they form several stacks next to each other
// (columns of windows above each other, or rows of windows side by side), the later stacks taking
// one window more when the count does not divide evenly.
QList<QRect> tile(const QRect& area, int count, Stacking stacking);

// Icons of minimised windows along the bottom of the area, left to right, wrapping upwards.
QList<QRect> arrangeIcons(const QRect& area, const QList<QSize>& iconSizes);

} // namespace mdi_layout
