#pragma once
// Plays an enhanced metafile's records onto a device context, its frame fitted to a rectangle.

#include "platform/gdi/device_context.h"

namespace metafile {

class EmfDocument;

// Raises EInvalidGraphic naming a record whose contents cannot be used; records of kinds the
// raster layer has no use for (palettes, colour spaces, comments, OpenGL) are skipped.
void playEmf(const EmfDocument& document, gdi::DeviceContext& dc, const gdi::Rect& destination);

} // namespace metafile
