#pragma once
// Pixels between the raster layer and Qt, for the edges where Qt images appear: painting a
// widget and the clipboard.

#include "platform/gdi/dib_surface.h"

#include <QImage>

#include <memory>

// An opaque RGB32 copy of the surface (palettised depths through their colour table).
QImage SurfaceToQImage(const gdi::DibSurface& surface);
// A 32-bit surface in the screen's format; alpha is dropped. Null for a null image.
std::unique_ptr<gdi::DibSurface> SurfaceFromQImage(const QImage& image);
