#pragma once
// The program's pictures on screens of any density.

#include <QPixmap>
#include <QString>

namespace forms {

// The picture at path for a screen with scale screen pixels per unit. Above 1 it is taken from
// the picture's @2x file when there is one, smoothly scaled to the screen's pixels unless the
// scale is 2, so it is shown sharp instead of stretched from its single-density pixels. The
// pixmap's device pixel ratio is the scale: shown at its usual size.
QPixmap ArtworkPixmap(const QString& path, qreal scale);

} // namespace forms
