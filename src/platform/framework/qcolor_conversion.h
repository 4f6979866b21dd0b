#pragma once
// Canvas colours (0x00BBGGRR, or a system colour) as Qt shows them, and back.

#include "platform/framework/graphics_types.h"

#include <QColor>

// System colours are resolved to the colour they stand for.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);
