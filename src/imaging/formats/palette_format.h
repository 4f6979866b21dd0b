#pragma once
// Helpers the palettised readers share: which picture format a file's palette calls for, and
// how a colour with coverage is flattened.

#include "imaging/dib_graphic.h"

#include <cstdint>

// ifGray16 / ifGray256 when the palette is exactly that format's default grey ramp (so a grey
// picture keeps its format through a save and load), else ifColor16 / ifColor256.
TImageFormat PaletteFormat(const TLogPalette& palette, bool sixteenColours);

// A channel with coverage alpha laid over white: a picture has no transparency, and white is
// the paper the editor's new pictures start on.
constexpr uint8_t OverWhite(uint32_t channel, uint32_t alpha)
{
    return static_cast<uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}
