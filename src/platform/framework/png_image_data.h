#pragma once
// The compressed image data (the contents of the IDAT chunks) of a true-colour picture, made in
// horizontal parts at the same time. Each row is Paeth-filtered; each part is deflated on its
// own with run-length matching, which finds nothing further back than the previous pixel, so
// a part loses nothing by starting without the window of the part above. The parts are joined
// into one zlib stream: every part but the last ends on a byte boundary with a sync flush, the
// last one finishes the stream, and the checksum is combined from the parts'.

#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <vector>

namespace PngImageData {

// For 24 and 32-bit surfaces, written as 8-bit RGB; parts of at least one row each, as many as
// asked for up to the height, compressed on two threads.
std::vector<uint8_t> compressRgb(const gdi::DibSurface& surface, int parts);

} // namespace PngImageData
