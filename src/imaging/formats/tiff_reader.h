#pragma once
// Reading one image of a TIFF file into a picture, in the picture format a user expects for
// its kind: 1-bit as black and white, 2/4-bit grey as 16 greys, deeper grey as 256 greys,
// palettes as 16 or 256 colours, everything else as true colour.

#include <cstdint>

class TDibGraphic;
class TStream;

namespace TiffReader {

// Directories in the file, at most a bound that no real file reaches.
int32_t countImages(TStream& stream);
// Image imageIndex (1-based) into picture; raises EPictureError (or the size policy's error)
// for a file it cannot read.
void readImage(TDibGraphic& picture, TStream& stream, int32_t imageIndex);

// Pictures of at least this many pixels are decoded on two threads; tests lower it to compare
// the two-thread path with the one-thread path on small files.
void setParallelPixels(uint64_t pixels);

} // namespace TiffReader
