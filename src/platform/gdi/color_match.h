#pragma once
// How a COLORREF becomes a stored value on a surface.

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi_types.h"

#include <cstdint>
#include <span>

namespace gdi::detail {

// 0xRRGGBB from a COLORREF (0x00BBGGRR), flags dropped.
inline uint32_t rgbOf(ColorRef c)
{
    return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}
inline ColorRef colorRefOf(uint32_t rgb)
{
    return RGB(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}
inline uint32_t rgbOf(const RgbQuad& q) { return (uint32_t{q.red} << 16) | (uint32_t{q.green} << 8) | q.blue; }

inline bool isDibIndex(ColorRef c) { return (c >> 16) == 0x10FFu; }
inline bool isPaletteIndex(ColorRef c) { return (c >> 24) == 0x01u; }

// Index of the table entry nearest to rgb (squared RGB distance, ties to the lower index).
uint32_t nearestIndex(std::span<const RgbQuad> table, uint32_t rgb);

// The value SetPixelV stores: the nearest entry, or the colour itself on 24/32 bits.
uint32_t nearestValue(const DibSurface& surface, ColorRef c);

// The value a pen or brush of colour c paints. On 1 bit, a colour that is neither exactly
// black nor white takes the background colour's entry if it equals the background colour,
// and the other entry if not.
uint32_t penBrushValue(const DibSurface& surface, ColorRef c, ColorRef background);

// The colour a stored value stands for (GetPixel).
ColorRef colorOfValue(const DibSurface& surface, uint32_t value);

} // namespace gdi::detail
