#pragma once
// Writes an enhanced metafile holding one picture as one bitmap: header, EMR_STRETCHDIBITS, end.

#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <vector>

namespace metafile {

// The picture drawn at (x, y) on a width x height metafile (pixels at 96 dots per inch).
std::vector<uint8_t> writeBitmapEmf(int width, int height, int x, int y, const gdi::DibSurface& picture);

} // namespace metafile
