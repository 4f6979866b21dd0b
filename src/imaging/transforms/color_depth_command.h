#pragma once
// The work of a "&Цвет" format command between its undo snapshot and its redraw.

#include "imaging/dib_graphic.h"

class TImage;

// Draws Picture unscaled into the work image's canvas at (0, 0) (the work image keeps its own
// size, so it holds the picture as it was), re-creates Picture in Format and fills it from the
// part of the work image's bitmap that overlaps it. A work image holding anything but a
// bitmap raises the framework's "Can only modify an image if it contains a bitmap" before the
// picture is touched.
void ConvertColorDepth(TDibGraphic& Picture, TImage& WorkImage, TImageFormat Format);
