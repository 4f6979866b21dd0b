#pragma once
// Writing a picture as one TIFF image: PackBits strips of 16 rows in the picture's own depth
// (CCITT Group 4 for black and white), with its resolution, the writing program and the time.

class TDibGraphic;
class TStream;

namespace TiffWriter {

// Raises EPictureError for an empty picture or when libtiff cannot write.
void writeImage(const TDibGraphic& picture, TStream& stream);

} // namespace TiffWriter
