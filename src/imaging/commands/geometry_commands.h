#pragma once
// The "&Изображение" commands of a picture window: mirroring, turning, scaling and cropping the
// whole picture. Each is one undo step whose undo brings back the picture as it was, its size
// and format included; the work image takes the new size, and Modified and the redraw follow.
// Mirrors and right-angle turns keep every pixel format and palette; any other angle and
// scaling give a true-colour picture. The picture keeps its pen and brush.

#include "imaging/transforms/orientation_transform.h"
#include "platform/framework/graphics_types.h"

#include <QString>

class PictureHost;

void OrientationCommand(PictureHost& host, TOrientation orientation);

// Turns by degrees (-360..360, clockwise), the uncovered corners in background (0x00RRGGBB).
// Whole quarter turns are exact.
void RotateCommand(PictureHost& host, double degrees, uint32_t background);

// Resamples to width x height with a filter of the resize transform's table (FilterKind).
void ScaleCommand(PictureHost& host, int width, int height, int filterKind);

// Keeps the part of area (not necessarily normalised) that lies inside the picture. An area
// with nothing inside the picture changes nothing and takes no snapshot.
void CropCommand(PictureHost& host, const TRect& area);

// The resampling filters offered to the user, in the order of the resize transform's table.
QString ScaleFilterName(int filterKind);
constexpr int ScaleFilterCount = 6;
constexpr int DefaultScaleFilter = 4; // Lanczos 3
