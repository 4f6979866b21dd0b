// Flood fill against a pixel-by-pixel flood on generated pictures of every depth.

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/geometry/geometry.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using namespace gdi;
using namespace gdi::geometry;

namespace {

SpanList pixelByPixelFlood(const DibSurface& s, int x, int y, uint32_t value, FloodFillKind kind, Rect clip)
{
    clip.left = std::max(clip.left, 0);
    clip.top = std::max(clip.top, 0);
    clip.right = std::min(clip.right, s.width());
    clip.bottom = std::min(clip.bottom, s.height());
    auto inClip = [&](int px, int py) { return px >= clip.left && py >= clip.top && px < clip.right && py < clip.bottom; };
    auto inside = [&](int px, int py) { return (s.rawPixel(px, py) == value) == (kind == FloodFillKind::Surface); };
    if (!inClip(x, y) || !inside(x, y))
        return {};
    std::vector<char> taken(static_cast<size_t>(s.width()) * s.height(), 0);
    std::deque<Point> work{{x, y}};
    taken[static_cast<size_t>(y) * s.width() + x] = 1;
    while (!work.empty()) {
        const Point p = work.front();
        work.pop_front();
        const Point next[] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
        for (const Point& n : next) {
            if (!inClip(n.x, n.y) || taken[static_cast<size_t>(n.y) * s.width() + n.x] || !inside(n.x, n.y))
                continue;
            taken[static_cast<size_t>(n.y) * s.width() + n.x] = 1;
            work.push_back(n);
        }
    }
    SpanList spans;
    for (int py = 0; py < s.height(); ++py)
        for (int px = 0; px < s.width(); ++px)
            if (taken[static_cast<size_t>(py) * s.width() + px]) {
                if (!spans.empty() && spans.back().y == py && spans.back().x1 == px)
                    ++spans.back().x1;
                else
                    spans.push_back({py, px, px + 1});
            }
    return spans;
}

TEST(GeometryFloodFill, MatchesAPixelByPixelFlood)
{
    std::mt19937 rng(7);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int bpp : {1, 4, 8, 24, 32}) {
        for (int round = 0; round < 60; ++round) {
            // Wide enough for the 16-byte compares at 1 bit per pixel.
            const int w = round % 3 == 0 ? in(100, 400) : in(1, 90);
            const int h = in(1, 24);
            DibSurface s(w, h, bpp);
            // Few values in blobs and stripes, so regions are large and winding.
            const uint32_t palette[3] = {0, bpp >= 24 ? 0x123456u : 1u, bpp >= 24 ? 0x123457u : (bpp == 1 ? 1u : 3u)};
            const int style = in(0, 2);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int pick = 0;
                    if (style == 0)
                        pick = in(0, 9) < 7 ? 0 : in(1, 2);
                    else if (style == 1)
                        pick = ((x / 3 + y) % 4 == 0) ? 1 : 0;
                    else
                        pick = (y % 2 == 1 && x != ((y / 2) % 2 ? 0 : w - 1)) ? 1 : 0;
                    s.setRawPixel(x, y, palette[pick]);
                }
            if (bpp == 32)   // the unused fourth byte must not matter
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        s.scanLine(y)[4 * x + 3] = static_cast<uint8_t>(in(0, 255));
            const int x = in(-2, w + 1);
            const int y = in(-2, h + 1);
            const Rect clip = in(0, 1) ? Rect{0, 0, w, h} : Rect{in(-3, w / 2), in(-3, h / 2), in(w / 2, w + 3), in(h / 2, h + 3)};
            const uint32_t value = palette[in(0, 2)];
            for (FloodFillKind kind : {FloodFillKind::Surface, FloodFillKind::Border}) {
                EXPECT_EQ(floodFill(s, x, y, value, kind, clip), pixelByPixelFlood(s, x, y, value, kind, clip))
                    << "bpp " << bpp << " round " << round << " kind " << int(kind) << " at " << x << ',' << y;
            }
        }
    }
}

TEST(GeometryFloodFill, NothingWhenTheStartIsOutsideOrHoldsAnotherValue)
{
    DibSurface s(10, 10, 8);
    s.setRawPixel(4, 4, 9);
    const Rect all{0, 0, 10, 10};
    EXPECT_TRUE(floodFill(s, -1, 3, 0, FloodFillKind::Surface, all).empty());
    EXPECT_TRUE(floodFill(s, 3, 10, 0, FloodFillKind::Surface, all).empty());
    EXPECT_TRUE(floodFill(s, 3, 3, 0, FloodFillKind::Surface, {5, 5, 10, 10}).empty());
    EXPECT_TRUE(floodFill(s, 4, 4, 0, FloodFillKind::Surface, all).empty());
    EXPECT_TRUE(floodFill(s, 4, 4, 9, FloodFillKind::Border, all).empty());
    EXPECT_EQ(floodFill(s, 4, 4, 9, FloodFillKind::Surface, all), (SpanList{{4, 4, 5}}));
}

// A serpentine corridor through a big picture: the work list stays small and nothing is lost.
TEST(GeometryFloodFill, FollowsALongCorridorThroughABigPicture)
{
    const int w = 1500;
    const int h = 1001;
    DibSurface s(w, h, 24);
    for (int y = 1; y < h; y += 2) {
        uint8_t* row = s.scanLine(y);
        for (int x = 0; x < w; ++x)
            row[3 * x] = 0xFF;   // walls, with a gap at alternating ends
        const int gap = (y / 2) % 2 ? 0 : w - 1;
        row[3 * gap] = 0;
    }
    const SpanList spans = floodFill(s, 0, 0, 0, FloodFillKind::Surface, {0, 0, w, h});
    size_t pixels = 0;
    for (const Span& sp : spans)
        pixels += static_cast<size_t>(sp.x1 - sp.x0);
    EXPECT_EQ(pixels, static_cast<size_t>((h + 1) / 2) * w + static_cast<size_t>(h / 2));
}

} // namespace
