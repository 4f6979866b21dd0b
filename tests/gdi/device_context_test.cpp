// Direct tests of the device context: colour matching, clipping, pixels outside the surface,
// overlapping blits, the line rule and text.

#include "platform/gdi/device_context.h"
#include "platform/gdi/line_raster.h"
#include "platform/gdi/paint_internal.h"
#include "platform/gdi/pixel_ops.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

using namespace gdi;

RgbQuad rgb(int r, int g, int b)
{
    return RgbQuad{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

struct MatchCase {
    const char* name;
    std::vector<RgbQuad> table;
    int bpp;
    ColorRef colour;
    ColorRef background;
    uint32_t penValue;   // what a pen or brush stores
    uint32_t pixelValue; // what SetPixelV stores
    friend void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }
};

class ColourMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ColourMatching, PenBrushAndPixelValues)
{
    const MatchCase& c = GetParam();
    DibSurface surface(4, 1, c.bpp, c.table);
    DeviceContext dc(surface);
    dc.SetBkColor(c.background);
    EXPECT_EQ(dc.penBrushValue(c.colour), c.penValue);
    dc.SetPixelV(0, 0, c.colour);
    EXPECT_EQ(surface.rawPixel(0, 0), c.pixelValue);

    // The pen reaches the pixels with the same value.
    dc.SelectPen(Pen::solid(c.colour));
    dc.MoveTo(1, 0);
    dc.LineTo(3, 0);
    EXPECT_EQ(surface.rawPixel(1, 0), c.penValue);
    EXPECT_EQ(surface.rawPixel(2, 0), c.penValue);
}

const std::vector<RgbQuad> kBlackWhite = {rgb(0, 0, 0), rgb(255, 255, 255)};
const std::vector<RgbQuad> kDuplicates = {rgb(0, 0, 0), rgb(128, 128, 128), rgb(128, 128, 128), rgb(255, 255, 255)};
const std::vector<RgbQuad> kGreys = {rgb(0, 0, 0), rgb(100, 100, 100), rgb(200, 200, 200), rgb(255, 255, 255)};

INSTANTIATE_TEST_SUITE_P(
    Tables, ColourMatching,
    ::testing::Values(
        MatchCase{"nearest_grey", kGreys, 4, RGB(90, 110, 100), RGB(255, 255, 255), 1, 1},
        // 150 is 50 from both 100 and 200: the lower index wins.
        MatchCase{"tie_to_lower_index", kGreys, 4, RGB(150, 150, 150), RGB(255, 255, 255), 1, 1},
        MatchCase{"duplicate_entries", kDuplicates, 4, RGB(120, 120, 120), RGB(255, 255, 255), 1, 1},
        MatchCase{"dibindex_as_is", kGreys, 4, DIBINDEX(2), RGB(255, 255, 255), 2, 2},
        // One bit: pens and brushes that are not exactly black or white paint the background
        // colour's entry when they equal the background colour and the other entry if not;
        // SetPixelV still takes the nearest.
        MatchCase{"bw_light_grey_on_white_bk", kBlackWhite, 1, RGB(192, 192, 192), RGB(255, 255, 255), 0, 1},
        MatchCase{"bw_grey_equals_bk", kBlackWhite, 1, RGB(128, 128, 128), RGB(128, 128, 128), 1, 1},
        MatchCase{"bw_red_on_black_bk", kBlackWhite, 1, RGB(255, 0, 0), RGB(0, 0, 0), 1, 0},
        MatchCase{"bw_exact_white", kBlackWhite, 1, RGB(255, 255, 255), RGB(255, 255, 255), 1, 1},
        MatchCase{"true_colour_swaps_to_rrggbb", {}, 24, RGB(0x12, 0x34, 0x56), RGB(255, 255, 255), 0x123456, 0x123456},
        MatchCase{"invalid_colour_is_black", {}, 24, CLR_INVALID, RGB(255, 255, 255), 0, 0}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(DeviceContext, GetPixelOutsideSurfaceOrClipIsInvalid)
{
    DibSurface surface(8, 6, 24);
    DeviceContext dc(surface);
    EXPECT_EQ(dc.GetPixel(-1, 0), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(8, 0), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(0, 6), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dc.SetPixel(100, 100, RGB(1, 2, 3)), CLR_INVALID);
    dc.IntersectClipRect(2, 2, 4, 4);
    EXPECT_EQ(dc.GetPixel(1, 1), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(0, 0, 0));
}

// Drawing far outside, across and inside a clip rectangle never touches a pixel outside it
// (AddressSanitizer watches the buffer edges).
TEST(DeviceContext, EverythingStaysInsideTheClip)
{
    for (int bpp : {1, 4, 8, 24, 32}) {
        std::vector<RgbQuad> table;
        for (int i = 0; i < (bpp <= 8 ? 1 << bpp : 0); ++i)
            table.push_back(rgb(i, i, i));
        DibSurface surface(37, 23, bpp, table);
        DeviceContext dc(surface);
        dc.IntersectClipRect(5, 4, 30, 18);
        dc.SelectPen(Pen::solid(RGB(255, 255, 255), 1));
        dc.SelectBrush(Brush::solid(RGB(255, 255, 255)));
        dc.MoveTo(-100000, -70000);
        dc.LineTo(100000, 80000);
        dc.MoveTo(-5, 10);
        dc.LineTo(2000000000, 10);
        dc.Rectangle(-50, -50, 100, 100);
        dc.Ellipse(-10, -10, 50, 40);
        dc.PatBlt(-1000, -1000, 5000, 5000, WHITENESS);
        dc.BitBlt(-10, -10, 60, 60, &dc, 3, 3, NOTSRCCOPY);
        dc.StretchBlt(-10, -10, 80, 50, &dc, -5, -5, 20, 10, SRCCOPY);
        // Extreme coordinates finish at once: frames walk only their visible part, and
        // curves beyond the size limit are refused.
        dc.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
        dc.SelectPen(Pen{PS_DASH, 1, RGB(255, 255, 255)});
        dc.Rectangle(-2000000000, 7, 2000000000, 2000000000);
        dc.SelectPen(Pen::solid(RGB(255, 255, 255), 7));
        dc.Rectangle(-2000000000, -2000000000, 2000000000, 2000000000);
        EXPECT_FALSE(dc.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000));
        dc.MoveTo(-2000000000, 0);
        dc.LineTo(2000000000, 3);
        dc.SelectPen(Pen::null());
        dc.Rectangle(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
        dc.Rectangle(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
        dc.TextOut(INT32_MAX - 2, INT32_MAX - 2, QStringLiteral("W"));
        dc.DrawFocusRect(Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                if (x < 5 || y < 4 || x >= 30 || y >= 18) {
                    ASSERT_EQ(surface.rawPixel(x, y), 0u) << x << "," << y << " at " << bpp << " bpp";
                }
    }
}

// An overlapping copy within one picture reads every source pixel before it is overwritten,
// in all four directions, unscaled and scaled.
TEST(DeviceContext, OverlappingBlitsReadTheOriginalPixels)
{
    struct Move {
        int dx, dy, w, h;
    };
    for (const Move m : {Move{3, 2, 10, 8}, Move{-3, -2, 10, 8}, Move{4, -1, 10, 8}, Move{-2, 3, 10, 8},
                         Move{1, 1, 14, 12}}) {
        for (int bpp : {4, 24}) {
            std::vector<RgbQuad> table;
            for (int i = 0; i < (bpp == 4 ? 16 : 0); ++i)
                table.push_back(rgb(i * 16, i * 8, 255 - i * 16));
            DibSurface surface(24, 18, bpp, table);
            for (int y = 0; y < 18; ++y)
                for (int x = 0; x < 24; ++x)
                    surface.setRawPixel(x, y, bpp == 4 ? static_cast<uint32_t>(x * 3 + y * 5) & 15u : static_cast<uint32_t>(x * 0x10101 + y * 0x7));
            std::vector<uint32_t> original;
            for (int y = 0; y < 18; ++y)
                for (int x = 0; x < 24; ++x)
                    original.push_back(surface.rawPixel(x, y));
            DeviceContext dc(surface);
            const int sx = 6, sy = 5;
            if (m.w == 10)
                dc.BitBlt(sx + m.dx, sy + m.dy, m.w, m.h, &dc, sx, sy, SRCCOPY);
            else
                dc.StretchBlt(sx + m.dx, sy + m.dy, m.w, m.h, &dc, sx, sy, 7, 6, SRCCOPY); // 2x enlargement
            for (int y = 0; y < m.h; ++y)
                for (int x = 0; x < m.w; ++x) {
                    const int srcX = m.w == 10 ? sx + x : sx + x / 2;
                    const int srcY = m.w == 10 ? sy + y : sy + y / 2;
                    ASSERT_EQ(surface.rawPixel(sx + m.dx + x, sy + m.dy + y), original[static_cast<size_t>(srcY * 24 + srcX)])
                        << "move " << m.dx << "," << m.dy << " pixel " << x << "," << y << " at " << bpp << " bpp";
                }
        }
    }
}

// The line walk that skips clipped steps must pick the pixels of a plain error-term walk.
TEST(LineRaster, ClosedFormMatchesTheIncrementalWalk)
{
    std::mt19937 rng(7);
    for (int n = 0; n < 2000; ++n) {
        const Point a{static_cast<int>(rng() % 61) - 30, static_cast<int>(rng() % 61) - 30};
        const Point b{static_cast<int>(rng() % 61) - 30, static_cast<int>(rng() % 61) - 30};
        const detail::LineSetup s = detail::setupLine(a, b);
        // Plain walk.
        std::vector<Point> expected;
        int64_t err = 2 * s.dMinor - s.dMajor;
        int minor = 0;
        for (int i = 0; i < s.length; ++i) {
            const int major = i * s.majorStep;
            const int m = minor * s.minorStep;
            expected.push_back(s.xMajor ? Point{a.x + major, a.y + m} : Point{a.x + m, a.y + major});
            if (err + s.bias > 0) {
                ++minor;
                err -= 2 * s.dMajor;
            }
            err += 2 * s.dMinor;
        }
        // Clipped walk over a window, compared with the plain one restricted to it.
        const Rect clip{-7, -11, 13, 9};
        std::vector<Point> got;
        detail::rasterLine(a, b, clip, [&](int x, int y, int) { got.push_back({x, y}); });
        std::vector<Point> inside;
        for (const Point& p : expected)
            if (p.x >= clip.left && p.x < clip.right && p.y >= clip.top && p.y < clip.bottom)
                inside.push_back(p);
        ASSERT_EQ(got, inside) << "line " << a.x << "," << a.y << " -> " << b.x << "," << b.y;
    }
}

// The fast solid spans (copy mode, whole bytes) agree with the pixel-by-pixel general path.
TEST(PixelOps, SolidSpanFastPathsMatchThePixelLoop)
{
    std::mt19937 rng(11);
    for (int bpp : {1, 4, 8, 24, 32}) {
        const detail::DepthOps& ops = detail::depthOps(bpp);
        const uint32_t mask = detail::valueMask(bpp);
        for (int n = 0; n < 300; ++n) {
            std::vector<uint8_t> fast(64), slow;
            for (auto& b : fast)
                b = static_cast<uint8_t>(rng());
            slow = fast;
            const int maxPixels = 64 * 8 / bpp;
            int x0 = static_cast<int>(rng() % static_cast<unsigned>(maxPixels));
            int x1 = static_cast<int>(rng() % static_cast<unsigned>(maxPixels + 1));
            if (x0 > x1)
                std::swap(x0, x1);
            const int rop2 = 1 + static_cast<int>(rng() % 16);
            const detail::AndXor op = detail::rop2AndXor(rop2, static_cast<uint32_t>(rng()) & mask, mask);
            ops.solidSpan(fast.data(), x0, x1, op);
            for (int x = x0; x < x1; ++x)
                ops.put(slow.data(), x, (ops.get(slow.data(), x) & op.a) ^ op.x);
            ASSERT_EQ(fast, slow) << bpp << " bpp, pixels " << x0 << ".." << x1 << ", mode " << rop2;
        }
    }
}

TEST(DeviceContext, TextUsesTextColourAndOpaqueBackgroundCell)
{
    DibSurface surface(120, 40, 24);
    DeviceContext dc(surface);
    dc.PatBlt(0, 0, 120, 40, WHITENESS);
    Font font;
    font.height = -20;
    dc.SelectFont(font);
    dc.SetTextColor(RGB(255, 0, 0));
    dc.SetBkColor(RGB(0, 0, 255));
    dc.SetBkMode(OPAQUE);
    const Size extent = dc.GetTextExtentPoint32(QStringLiteral("Ж W"));
    ASSERT_GT(extent.cx, 0);
    ASSERT_GT(extent.cy, 0);
    dc.TextOut(5, 3, QStringLiteral("Ж W"));
    int red = 0, blue = 0, other = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t v = surface.rawPixel(x, y);
            const bool inCell = x >= 5 && y >= 3 && x < 5 + extent.cx && y < 3 + extent.cy;
            if (!inCell) {
                ASSERT_EQ(v, 0xFFFFFFu) << x << "," << y;
                continue;
            }
            red += v == 0xFF0000u;
            blue += v == 0x0000FFu;
            other += v != 0xFF0000u && v != 0x0000FFu;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, red);
    EXPECT_EQ(other, 0) << "glyphs must be aliased";

    // Transparent: only glyph pixels change.
    dc.PatBlt(0, 0, 120, 40, WHITENESS);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(5, 3, QStringLiteral("Ж W"));
    int changed = 0, notRed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t v = surface.rawPixel(x, y);
            changed += v != 0xFFFFFFu;
            notRed += v != 0xFFFFFFu && v != 0xFF0000u;
        }
    EXPECT_EQ(changed, red);
    EXPECT_EQ(notRed, 0);
}

TEST(DeviceContext, StretchDIBitsAndGetDIBitsRoundTrip)
{
    const std::vector<RgbQuad> table = {rgb(0, 0, 0), rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255)};
    DibSurface picture(13, 7, 8, table);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            picture.setRawPixel(x, y, static_cast<uint32_t>((x + 2 * y) % 4));
    DibSurface target(13, 7, 24);
    DeviceContext dc(target);
    EXPECT_EQ(dc.StretchDIBits(0, 0, 13, 7, 0, 0, 13, 7, picture, SRCCOPY), 7);
    const uint32_t expected[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(target.rawPixel(x, y), expected[(x + 2 * y) % 4]);

    DeviceContext source(picture);
    BitmapInfo info;
    info.bmiHeader.biWidth = 13;
    info.bmiHeader.biHeight = 7;
    info.bmiHeader.biBitCount = 24;
    std::vector<uint8_t> bits(static_cast<size_t>(DibSurface::rowBytesFor(13, 24) * 7));
    EXPECT_EQ(source.GetDIBits(0, 7, bits.data(), info, DIB_RGB_COLORS), 7);
    EXPECT_EQ(0, std::memcmp(bits.data(), target.bits(), bits.size()));

    // SetDIBitsToDevice puts the same rows back unscaled.
    DibSurface again(13, 7, 24);
    DeviceContext dc2(again);
    EXPECT_EQ(dc2.SetDIBitsToDevice(0, 0, 13, 7, 0, 0, 0, 7, bits.data(), info, DIB_RGB_COLORS), 7);
    EXPECT_EQ(0, std::memcmp(again.bits(), target.bits(), bits.size()));
}

// A malformed header is refused before any row is read.
TEST(DeviceContext, StretchDIBitsRefusesBadHeaders)
{
    DibSurface target(4, 4, 24);
    DeviceContext dc(target);
    const uint8_t bits[64] = {};
    BitmapInfo info;
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biBitCount = 7;
    EXPECT_EQ(dc.StretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, bits, info, DIB_RGB_COLORS, SRCCOPY), 0);
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = 1;
    EXPECT_EQ(dc.StretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, bits, info, DIB_RGB_COLORS, SRCCOPY), 0);
    info.bmiHeader.biCompression = BI_RGB;
    EXPECT_EQ(dc.StretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, nullptr, info, DIB_RGB_COLORS, SRCCOPY), 0);
}

} // namespace

namespace {

// Every blit fast row agrees with the general routine on seeded random copies: scaled,
// mirrored, clipped and overlapping, at each depth that has fast rows.
TEST(Blit, FastRowsMatchTheGeneralRoutine)
{
    std::mt19937 rng(5);
    for (int bpp : {8, 24, 32}) {
        for (int n = 0; n < 150; ++n) {
            std::vector<RgbQuad> table;
            for (int i = 0; i < (bpp == 8 ? 256 : 0); ++i)
                table.push_back(rgb(i, 255 - i, i / 2));
            DibSurface fast(29, 21, bpp, table), slow(29, 21, bpp, table);
            for (size_t i = 0; i < fast.imageBytes(); ++i)
                fast.bits()[i] = slow.bits()[i] = static_cast<uint8_t>(rng());
            auto r = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
            const int xd = r(-5, 25), yd = r(-5, 18), wd = r(-30, 30), hd = r(-20, 20);
            const int xs = r(-5, 25), ys = r(-5, 18), ws = r(-30, 30), hs = r(-20, 20);
            DeviceContext a(fast), b(slow);
            a.StretchBlt(xd, yd, wd, hd, &a, xs, ys, ws, hs, SRCCOPY);
            detail::setBlitFastPathsEnabled(false);
            b.StretchBlt(xd, yd, wd, hd, &b, xs, ys, ws, hs, SRCCOPY);
            detail::setBlitFastPathsEnabled(true);
            ASSERT_EQ(0, std::memcmp(fast.bits(), slow.bits(), fast.imageBytes()))
                << bpp << " bpp: " << xd << "," << yd << " " << wd << "x" << hd << " from " << xs << "," << ys << " "
                << ws << "x" << hs;
        }
    }
}

// The rows between 24 and 32 bits (undo restores through them) and from palettised pictures
// into true colour (the work image takes converted pictures through them) agree with the
// general routine, the fourth bytes of 32-bit pixels left as they were included. Some colour
// tables are shorter than the depth allows: the indexes past them are black.
TEST(Blit, CrossDepthFastRowsMatchTheGeneralRoutine)
{
    std::mt19937 rng(11);
    auto r = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
    const std::pair<int, int> depths[] = {{24, 32}, {32, 24}, {1, 32}, {4, 32}, {8, 32}, {1, 24}, {4, 24}, {8, 24}};
    for (const auto& [sourceBits, destBits] : depths) {
        for (int n = 0; n < 200; ++n) {
            DibSurface source(r(1, 31), r(1, 9), sourceBits), fast(r(1, 31), r(1, 9), destBits);
            DibSurface slow(fast.width(), fast.height(), destBits);
            if (sourceBits <= 8) {
                std::vector<RgbQuad> table(static_cast<size_t>(r(1, 1 << sourceBits)));
                for (RgbQuad& entry : table)
                    entry = RgbQuad{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), 0};
                source.setColorTable(table);
            }
            for (size_t i = 0; i < source.imageBytes(); ++i)
                source.bits()[i] = static_cast<uint8_t>(rng());
            for (size_t i = 0; i < fast.imageBytes(); ++i)
                fast.bits()[i] = slow.bits()[i] = static_cast<uint8_t>(rng());
            const int xd = r(-3, 20), yd = r(-3, 6), w = r(1, 35), h = r(1, 10), xs = r(-3, 20), ys = r(-3, 6);
            DeviceContext from(source), a(fast), b(slow);
            // Pictures draw themselves as DIBs, which pick their source pixels differently.
            const bool asDib = n % 2 == 1;
            const BitmapInfo info = BitmapInfo::describe(source);
            auto draw = [&](DeviceContext& to) {
                if (asDib)
                    to.SetDIBitsToDevice(xd, yd, w, h, xs, ys, 0, static_cast<unsigned>(source.height()),
                                         source.bits(), info, DIB_RGB_COLORS);
                else
                    to.BitBlt(xd, yd, w, h, &from, xs, ys, SRCCOPY);
            };
            draw(a);
            detail::setBlitFastPathsEnabled(false);
            draw(b);
            detail::setBlitFastPathsEnabled(true);
            ASSERT_EQ(0, std::memcmp(fast.bits(), slow.bits(), fast.imageBytes()))
                << sourceBits << " to " << destBits << " bpp" << (asDib ? " as DIB: " : ": ") << xd << "," << yd
                << " " << w << "x" << h << " from " << xs << "," << ys;
        }
    }
}

} // namespace

namespace {

// Reductions in the combining stretch modes: HALFTONE averages the covered pixels, and
// BLACKONWHITE / WHITEONBLACK keep black or white pixels that plain sampling would drop.
TEST(Blit, ReducingStretchModesCombineCoveredPixels)
{
    DibSurface source(4, 2, 24);
    for (int x = 0; x < 4; ++x) {
        source.setRawPixel(x, 0, x % 2 ? 0xFFFFFFu : 0x000000u);
        source.setRawPixel(x, 1, x % 2 ? 0xFFFFFFu : 0x204060u);
    }
    DeviceContext from(source);
    struct Row {
        int mode;
        uint32_t expected;
    };
    for (const Row r : {Row{HALFTONE, 0x889098u}, Row{BLACKONWHITE, 0x000000u}, Row{WHITEONBLACK, 0xFFFFFFu}}) {
        DibSurface target(2, 1, 24);
        DeviceContext dc(target);
        dc.SetStretchBltMode(r.mode);
        dc.StretchBlt(0, 0, 2, 1, &from, 0, 0, 4, 2, SRCCOPY);
        EXPECT_EQ(target.rawPixel(0, 0), r.expected) << "mode " << r.mode;
        EXPECT_EQ(target.rawPixel(1, 0), r.expected) << "mode " << r.mode;
    }
}

} // namespace

namespace {

// Any call with any arguments stays inside the pixel buffer (AddressSanitizer checks) and
// leaves the padding bytes at the end of each row alone.
TEST(DeviceContext, RandomCallsStayInsideTheBuffer)
{
    std::mt19937 rng(99);
    auto r = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
    auto coord = [&] { return rng() % 16 == 0 ? static_cast<int>(rng()) : r(-40, 60); };
    const RasterOp rops[] = {SRCCOPY, NOTSRCCOPY, SRCINVERT, SRCAND, SRCPAINT, MERGECOPY, PATINVERT, 0x00B80000, 0x00E20000};
    for (int bpp : {1, 4, 8, 24, 32}) {
        std::vector<RgbQuad> table;
        for (int i = 0; i < (bpp <= 8 ? 1 << bpp : 0); ++i)
            table.push_back(rgb(i * 37, i * 11, 255 - i));
        DibSurface surface(23, 17, bpp, table);
        DibSurface other(9, 31, bpp == 24 ? 8 : 24, bpp == 24 ? std::vector<RgbQuad>(256, rgb(1, 2, 3)) : std::vector<RgbQuad>{});
        DeviceContext dc(surface), od(other);
        const size_t used = static_cast<size_t>((surface.width() * bpp + 7) / 8);
        for (int y = 0; y < surface.height(); ++y)
            std::memset(surface.scanLine(y) + used, 0xA5, static_cast<size_t>(surface.rowBytes()) - used);
        for (int n = 0; n < 600; ++n) {
            dc.SetROP2(r(1, 16));
            dc.SetBkMode(r(1, 2));
            dc.SetStretchBltMode(r(1, 4));
            dc.SelectPen(Pen{r(0, 6), r(0, 12), RGB(rng() & 255, rng() & 255, rng() & 255)});
            dc.SelectBrush(rng() % 2 ? Brush::hatched(r(0, 5), RGB(9, 9, 9)) : Brush::solid(RGB(rng() & 255, 0, 0)));
            switch (r(0, 9)) {
            case 0:
                dc.MoveTo(coord(), coord());
                dc.LineTo(coord(), coord());
                break;
            case 1:
                dc.Rectangle(coord(), coord(), coord(), coord());
                break;
            case 2:
                dc.Ellipse(coord(), coord(), coord(), coord());
                break;
            case 3:
                dc.Pie(coord(), coord(), coord(), coord(), coord(), coord(), coord(), coord());
                break;
            case 4:
                dc.PatBlt(coord(), coord(), coord(), coord(), rops[r(0, 8)]);
                break;
            case 5:
                dc.StretchBlt(coord(), coord(), coord(), coord(), &dc, coord(), coord(), coord(), coord(), rops[r(0, 8)]);
                break;
            case 6:
                dc.StretchBlt(coord(), coord(), coord(), coord(), &od, coord(), coord(), coord(), coord(), rops[r(0, 8)]);
                break;
            case 7:
                dc.ExtFloodFill(coord(), coord(), RGB(rng() & 255, 0, 0), r(0, 1));
                break;
            case 8:
                dc.DrawFocusRect(Rect{coord(), coord(), coord(), coord()});
                break;
            default:
                dc.StretchDIBits(coord(), coord(), coord(), coord(), coord(), coord(), coord(), coord(), other, rops[r(0, 8)]);
                break;
            }
        }
        for (int y = 0; y < surface.height(); ++y)
            for (size_t i = used; i < static_cast<size_t>(surface.rowBytes()); ++i)
                ASSERT_EQ(surface.scanLine(y)[i], 0xA5) << "padding of row " << y << " at " << bpp << " bpp";
    }
}

} // namespace
