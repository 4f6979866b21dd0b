// The editor previews a figure by drawing it with R2_NOTXORPEN and erases the preview by
// drawing it again. Whatever the figure, pen, brush, background mode and depth, the second
// drawing must restore every pixel.

#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace gdi;

std::vector<RgbQuad> tableFor(int bpp, std::mt19937& rng)
{
    std::vector<RgbQuad> t;
    if (bpp > 8)
        return t;
    for (int i = 0; i < (1 << bpp); ++i)
        t.push_back(RgbQuad{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), 0});
    return t;
}

Pen randomPen(std::mt19937& rng)
{
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    const int widths[] = {0, 1, 1, 2, 3, 5, 10};
    return Pen{styles[rng() % 7], widths[rng() % 7], RGB(rng() & 255, rng() & 255, rng() & 255)};
}

Brush randomBrush(std::mt19937& rng)
{
    std::array<uint8_t, 8> bits{};
    for (auto& b : bits)
        b = static_cast<uint8_t>(rng());
    const ColorRef c = RGB(rng() & 255, rng() & 255, rng() & 255);
    std::array<ColorRef, 64> tile{};
    for (auto& t : tile)
        t = RGB(rng() & 255, rng() & 255, rng() & 255);
    switch (rng() % 6) {
    case 5:
        return Brush::colorTile(tile);
    case 0:
        return Brush::solid(c);
    case 1:
        return Brush::null();
    case 2:
        return Brush::hatched(static_cast<int>(rng() % 6), c);
    case 3:
        return Brush::monoPattern(bits);
    default:
        return Brush::dibPattern(bits, c, RGB(rng() & 255, rng() & 255, rng() & 255));
    }
}

// Coordinates around and a little beyond a 40x30 surface, so clipping is exercised too.
int coord(std::mt19937& rng, int size) { return static_cast<int>(rng() % static_cast<unsigned>(size + 16)) - 8; }

void drawRandomFigure(DeviceContext& dc, int kind, const std::vector<int>& v, const std::vector<Point>& points)
{
    switch (kind) {
    case 0:
        dc.MoveTo(v[0], v[1]);
        dc.LineTo(v[2], v[3]);
        break;
    case 1:
        dc.Polyline(points);
        break;
    case 2:
        dc.Rectangle(v[0], v[1], v[2], v[3]);
        break;
    case 3:
        dc.Ellipse(v[0], v[1], v[2], v[3]);
        break;
    case 4:
        dc.RoundRect(v[0], v[1], v[2], v[3], v[4], v[5]);
        break;
    case 5:
        dc.Pie(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        break;
    case 6:
        dc.Arc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        break;
    case 7:
        dc.Chord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        break;
    default:
        dc.Polygon(points);
        break;
    }
}

class NotXorTwice : public ::testing::TestWithParam<int> {};

TEST_P(NotXorTwice, RestoresEveryPixel)
{
    const int bpp = GetParam();
    std::mt19937 rng(20261210u + static_cast<unsigned>(bpp));
    const char* names[] = {"line", "polyline", "rectangle", "ellipse", "roundrect", "pie", "arc", "chord", "polygon"};
    for (int iteration = 0; iteration < 400; ++iteration) {
        DibSurface surface(40, 30, bpp, tableFor(bpp, rng));
        for (size_t i = 0; i < surface.imageBytes(); ++i)
            surface.bits()[i] = static_cast<uint8_t>(rng());
        const std::vector<uint8_t> before(surface.bits(), surface.bits() + surface.imageBytes());

        DeviceContext dc(surface);
        dc.SetROP2(R2_NOTXORPEN);
        dc.SetBkMode(rng() % 2 ? OPAQUE : TRANSPARENT);
        dc.SetBkColor(RGB(rng() & 255, rng() & 255, rng() & 255));
        dc.SetTextColor(RGB(rng() & 255, rng() & 255, rng() & 255));
        dc.SetBrushOrg(static_cast<int>(rng() % 8), static_cast<int>(rng() % 8));
        dc.SetArcDirection(rng() % 2 ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE);
        dc.SetPolyFillMode(rng() % 2 ? WINDING : ALTERNATE);
        const Pen pen = randomPen(rng);
        const Brush brush = randomBrush(rng);
        dc.SelectPen(pen);
        dc.SelectBrush(brush);
        const int kind = static_cast<int>(rng() % 9);
        std::vector<int> v;
        for (int i = 0; i < 8; ++i)
            v.push_back(coord(rng, i % 2 ? 30 : 40));
        std::vector<Point> points;
        const int n = 2 + static_cast<int>(rng() % 6);
        for (int i = 0; i < n; ++i)
            points.push_back({coord(rng, 40), coord(rng, 30)});

        drawRandomFigure(dc, kind, v, points);
        drawRandomFigure(dc, kind, v, points);
        ASSERT_EQ(0, std::memcmp(before.data(), surface.bits(), before.size()))
            << "iteration " << iteration << ": " << names[kind] << " pen style " << pen.style << " width " << pen.width
            << " brush style " << brush.style << " at " << bpp << " bpp";
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, NotXorTwice, ::testing::Values(1, 4, 8, 24, 32),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "bpp"; });

} // namespace
