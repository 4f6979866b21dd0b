#pragma once
// The "&Цвет" commands of a picture window: six colour depths and the colour inversion.

#include "imaging/dib_graphic.h"

class PictureHost;

// Snapshot, then the picture drawn into the work image, re-created in format and filled back
// from the work image; the converted picture drawn into the work image, Modified and redraw. A work image holding anything but a bitmap stops
// the command with the framework's error, after the snapshot and before the picture changes.
void ConvertColorDepthCommand(PictureHost& host, TImageFormat format);

// Every stored bit of every pixel inverted, format and palette kept; no snapshot. The work image
// takes the result.
void InvertColorsCommand(PictureHost& host);
