#pragma once
// The "&Эффекты" commands of a picture window. The window asks for the amount first and runs a
// command only when it was given, so a cancelled question changes nothing at all. Each change
// takes an undo snapshot, updates the work image (so that a saved file shows what the user
// sees), sets Modified and redraws. The picture keeps its pen and brush, texture included.

#include <QString>

class PictureHost;

// Lightness in HSL by amount percent, -100..100; 0 changes nothing, 100 makes the picture white.
void BrightnessCommand(PictureHost& host, int amount);

// More contrast, or less (toward mid-grey); black and white stay.
void ContrastCommand(PictureHost& host, bool enhance);

// 3 x 3 sharpening or smoothing at strength 0..100. A picture of at least 3 x 3 pixels becomes
// true colour, its outermost rows and columns unchanged.
void SharpenCommand(PictureHost& host, int strength);
void SmoothCommand(PictureHost& host, int strength);

// Every pixel's saturation moved by sliderPosition × 0.00125 (-100..100); greys stay.
void SaturationCommand(PictureHost& host, int sliderPosition);

// The bitmap in fileName becomes the brush of the picture's canvas, painted in its own colours,
// repeated. The picture does not change: no snapshot, no Modified, no redraw.
void TextureCommand(PictureHost& host, const QString& fileName);

// Reads a device-independent copy of the picture's pixels and colour table and drops it; false
// when the read fails. Redraws; nothing else changes.
bool PixelReadCommand(PictureHost& host);
