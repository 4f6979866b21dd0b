// A colour-tile brush painted again and again by one context (a drag with a texture) must paint
// exactly what a fresh context paints, whatever changed in between: the surface's colour table,
// the mix mode, or the surface itself.

#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

using namespace gdi;

std::vector<RgbQuad> greys(bool reversed)
{
    std::vector<RgbQuad> table;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(reversed ? 255 - i : i);
        table.push_back(RgbQuad{v, v, v, 0});
    }
    return table;
}

std::vector<uint32_t> pixels(const DibSurface& surface)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            out.push_back(surface.rawPixel(x, y));
    return out;
}

struct Change {
    const char* name;
    // Changes the context or its 8-bit surface between the two paints.
    std::function<void(DeviceContext&, DibSurface& surface, DibSurface& trueColour)> apply;
};

TEST(ColorTileBrush, PaintsAfterEveryChangeWhatAFreshContextPaints)
{
    auto tile = std::make_shared<ColorTile>();
    tile->width = 5;
    tile->height = 3;
    for (int i = 0; i < 15; ++i)
        tile->colours.push_back(RGB(static_cast<uint8_t>(i * 17), static_cast<uint8_t>(i * 17), static_cast<uint8_t>(i * 17)));
    const Brush texture = Brush::colorTile(tile);

    const std::vector<Change> changes = {
        {"colour table", [](DeviceContext&, DibSurface& s, DibSurface&) { s.setColorTable(greys(true)); }},
        {"mix mode", [](DeviceContext& dc, DibSurface&, DibSurface&) { dc.SetROP2(R2_NOT); }},
        {"another surface of another depth", [](DeviceContext& dc, DibSurface&, DibSurface& t) { dc.SelectBitmap(t); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        DibSurface surface(13, 7, 8, greys(false));
        DibSurface trueColour(13, 7, 24);
        DeviceContext dc(surface);
        dc.SelectBrush(texture);
        dc.Rectangle(-1, -1, 14, 8);
        change.apply(dc, surface, trueColour);
        DibSurface& target = dc.surface();

        // A context that never painted, in the same state, on the same pixels.
        DibSurface expected(13, 7, target.bitsPerPixel(), target.colorTable());
        std::memcpy(expected.bits(), std::as_const(target).bits(), target.imageBytes());
        DeviceContext fresh(expected);
        fresh.SelectBrush(texture);
        fresh.SetROP2(dc.GetROP2());

        dc.Rectangle(-1, -1, 14, 8);
        fresh.Rectangle(-1, -1, 14, 8);
        EXPECT_EQ(pixels(target), pixels(expected));
    }
}

} // namespace
