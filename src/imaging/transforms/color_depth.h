#pragma once
// Colour-depth conversion and colour inversion of a picture, the work of the "&Цвет" commands.
// A command takes its undo snapshot, calls one of these, redraws and sets Modified.

#include "imaging/dib_graphic.h"
#include "platform/gdi/dib_surface.h"

// Re-creates Picture in Format (its default palette, 300 dpi both ways, every pixel index 0)
// and fills the part that overlaps Drawn from Drawn's colours: copied as they are for true
// colour, otherwise mapped to the nearest palette entry by squared RGB distance, ties to the
// lower index. Drawn is the work image's bitmap after the picture was drawn into it; the rest
// of the picture stays black.
void ConvertPictureFromSurface(TDibGraphic& Picture, const gdi::DibSurface& Drawn, TImageFormat Format);

// Inverts every stored bit of every pixel: 255 - channel for true colour, (2^bits - 1) - index
// for the palettised formats (the mirrored palette entry for the colour palettes). Size,
// format and palette stay; row padding is left alone.
void InvertPictureColors(TDibGraphic& Picture);
