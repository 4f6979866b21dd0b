#include "platform/gdi/color_match.h"

#include "platform/gdi/pixel_ops.h"

namespace gdi::detail {
namespace {

// The entries a surface can index: the table, cut to what its depth can address.
std::span<const RgbQuad> usableTable(const DibSurface& surface)
{
    std::span<const RgbQuad> t = surface.colorTable();
    const size_t limit = size_t{1} << surface.bitsPerPixel();
    return t.size() > limit ? t.first(limit) : t;
}

// Flags and special values reduced to what a surface takes: an index, or an RGB colour.
struct Resolved {
    bool isIndex = false;
    uint32_t value = 0;
};

Resolved resolve(const DibSurface& surface, ColorRef c)
{
    if (c == CLR_INVALID)
        return {false, 0}; // paints black
    if (isDibIndex(c) || isPaletteIndex(c)) {
        if (surface.isPalettised())
            return {true, (c & 0xFFFFu) & valueMask(surface.bitsPerPixel())};
        return {false, 0};
    }
    return {false, rgbOf(c)};
}

} // namespace

uint32_t nearestIndex(std::span<const RgbQuad> table, uint32_t rgb)
{
    const int r = static_cast<int>(rgb >> 16) & 255, g = static_cast<int>(rgb >> 8) & 255, b = static_cast<int>(rgb) & 255;
    uint32_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (size_t i = 0; i < table.size(); ++i) {
        const int dr = table[i].red - r, dg = table[i].green - g, db = table[i].blue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint32_t>(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

uint32_t nearestValue(const DibSurface& surface, ColorRef c)
{
    const Resolved v = resolve(surface, c);
    if (v.isIndex || !surface.isPalettised())
        return v.value;
    return nearestIndex(usableTable(surface), v.value);
}

uint32_t penBrushValue(const DibSurface& surface, ColorRef c, ColorRef background)
{
    const Resolved v = resolve(surface, c);
    if (v.isIndex || !surface.isPalettised())
        return v.value;
    const std::span<const RgbQuad> table = usableTable(surface);
    if (surface.bitsPerPixel() == 1 && table.size() == 2) {
        for (uint32_t i = 0; i < 2; ++i)
            if (rgbOf(table[i]) == v.value && (v.value == 0 || v.value == 0xFFFFFFu))
                return i;
        const uint32_t bk = nearestValue(surface, background);
        return (c & 0x00FFFFFFu) == (background & 0x00FFFFFFu) ? bk : 1u - bk;
    }
    return nearestIndex(table, v.value);
}

ColorRef colorOfValue(const DibSurface& surface, uint32_t value)
{
    if (!surface.isPalettised())
        return colorRefOf(value & 0x00FFFFFFu);
    const std::span<const RgbQuad> table = surface.colorTable();
    if (value >= table.size())
        return RGB(0, 0, 0);
    return colorRefOf(rgbOf(table[value]));
}

} // namespace gdi::detail
