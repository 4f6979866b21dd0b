#pragma once
// Plain value types shared by the raster layer and its callers.

#include <cstdint>
#include <vector>

namespace gdi {

// A colour as the device context takes it: 0x00BBGGRR, red in the lowest byte. 0x10FF00nn
// (DIBINDEX) names entry nn of a DIB's colour table; 0xFFFFFFFF is the invalid colour.
using ColorRef = uint32_t;

constexpr ColorRef RGB(uint8_t r, uint8_t g, uint8_t b)
{
    return ColorRef{r} | (ColorRef{g} << 8) | (ColorRef{b} << 16);
}
constexpr uint8_t GetRValue(ColorRef c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GetGValue(ColorRef c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t GetBValue(ColorRef c) { return static_cast<uint8_t>(c >> 16); }
constexpr ColorRef CLR_INVALID = 0xFFFFFFFFu;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive; a rectangle made by dragging need not be normalised.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Pixels x0 <= x < x1 of row y.
struct Span {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

// Sorted by y, then x0, with no two spans overlapping.
using SpanList = std::vector<Span>;

} // namespace gdi
