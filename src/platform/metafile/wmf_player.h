#pragma once
// Plays a Windows metafile's records onto a device context, its box fitted to a rectangle.

#include "platform/gdi/device_context.h"

namespace metafile {

class WmfDocument;

// Records the raster layer has no use for are skipped; one whose parameters do not fit it
// raises EInvalidGraphic naming it.
void playWmf(const WmfDocument& document, gdi::DeviceContext& dc, const gdi::Rect& destination);

} // namespace metafile
