#include "drawing/figure_painter.h"
#include "drawing/shaded_cone.h"
#include "drawing/shaded_figures.h"
#include "drawing/tool_state.h"
#include "drawing_test_host.h"

#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TestHost> bodyHost(DrawingTool tool, TColor brush, int width = 60, int height = 50)
{
    auto host = std::make_unique<TestHost>(width, height);
    host->tool = tool;
    host->canvas().Brush()->SetColor(brush);
    host->canvas().Pen()->SetColor(clBlack);
    return host;
}

// Only the outline: the same call before the release.
std::vector<uint32_t> outlineOnly(DrawingTool tool, TColor brush, TPoint s, TPoint e, int w = 60, int h = 50)
{
    auto host = bodyHost(tool, brush, w, h);
    PaintFigure(*host, false, gdi::R2_COPYPEN, s, e);
    return host->pixels();
}

std::vector<uint32_t> finalPaint(DrawingTool tool, TColor brush, TPoint s, TPoint e, int w = 60, int h = 50)
{
    auto host = bodyHost(tool, brush, w, h);
    PaintFigure(*host, true, gdi::R2_COPYPEN, s, e);
    return host->pixels();
}

const DrawingTool kBodies[] = {dtPlus3D,    dtBox3D,   dtEllipsoid3D, dtCylinder3D, dtTorus3D,
                               dtFrame3D,   dtCone3D,  dtJug3D,       dtSpring3D};

TEST(ShadedBodies, FinalPaintRestoresPenAndBrush)
{
    for (const DrawingTool tool : kBodies) {
        SCOPED_TRACE(int(tool));
        auto host = bodyHost(tool, 0x4080C0);
        host->canvas().Pen()->SetWidth(4);
        host->canvas().Pen()->SetColor(0x010203);
        PaintFigure(*host, true, gdi::R2_COPYPEN, TPoint{5, 5}, TPoint{50, 40});
        EXPECT_EQ(host->canvas().Pen()->Color(), 0x010203);
        EXPECT_EQ(host->canvas().Pen()->Width(), 4);
        EXPECT_EQ(host->canvas().Brush()->Color(), 0x4080C0);
        EXPECT_NE(host->pixels(), outlineOnly(tool, 0x4080C0, TPoint{5, 5}, TPoint{50, 40})) << "a body is painted";
    }
}

TEST(ShadedBodies, RightToLeftPaintsOnlyTheOutlineForPlusCylinderAndCone)
{
    for (const DrawingTool tool : {dtPlus3D, dtCylinder3D, dtCone3D}) {
        SCOPED_TRACE(int(tool));
        EXPECT_EQ(finalPaint(tool, clWhite, TPoint{50, 5}, TPoint{5, 40}),
                  outlineOnly(tool, clWhite, TPoint{50, 5}, TPoint{5, 40}));
    }
}

// Right to left only the second pass runs (points near the vertical axis); upward only the first.
TEST(ShadedBodies, DirectionSkipsAPassOfTheRenderers)
{
    TestHost host(60, 50);
    ShadedEllipsoid(host.canvas(), clWhite, TPoint{10, 45}, TPoint{50, 5}); // a = -20, b = 20
    const uint32_t centre = host.picture->GetPixelRGB(30, 25);
    EXPECT_EQ(centre, 0xFFFFFFu);
    TestHost black(60, 50);
    black.canvas().Brush()->SetColor(clBlack);
    black.canvas().FillRect(TRect{0, 0, 60, 50});
    ShadedEllipsoid(black.canvas(), clWhite, TPoint{10, 45}, TPoint{50, 5});
    EXPECT_NE(black.picture->GetPixelRGB(30, 35), 0u) << "vertical axis: second pass";
    EXPECT_EQ(black.picture->GetPixelRGB(40, 25), 0u) << "horizontal axis: first pass skipped";
    TestHost upward(60, 50);
    upward.canvas().Brush()->SetColor(clBlack);
    upward.canvas().FillRect(TRect{0, 0, 60, 50});
    ShadedTorus(upward.canvas(), clWhite, TPoint{50, 5}, TPoint{10, 45}); // a = 20, b = -20
    EXPECT_NE(upward.picture->GetPixelRGB(44, 25), 0u) << "horizontal axis: first pass";
    EXPECT_EQ(upward.picture->GetPixelRGB(30, 39), 0u) << "vertical axis: second pass skipped";
}

TEST(ShadedBodies, EllipsoidFromBrushColourAtTheCentreToBlackAtTheRim)
{
    TestHost host(41, 41);
    ShadedEllipsoid(host.canvas(), clWhite, TPoint{40, 40}, TPoint{0, 0});
    EXPECT_EQ(host.picture->GetPixelRGB(20, 20), 0xFFFFFFu);
    EXPECT_EQ(host.picture->GetPixelRGB(40, 20), 0u);
    // f = 1 - 100/400 at ten pixels from the centre.
    EXPECT_EQ(host.picture->GetPixelRGB(30, 20), 0xBFBFBFu);
    const uint32_t halfway = host.picture->GetPixelRGB(20, 30);
    EXPECT_EQ(halfway, 0xBFBFBFu);
}

TEST(ShadedBodies, TorusLeavesItsInnerPartAndPlusItsCorners)
{
    TestHost ring(41, 41);
    ring.picture->SetPixelRGB(20, 20, 0x123456);
    ShadedTorus(ring.canvas(), clWhite, TPoint{40, 40}, TPoint{0, 0});
    EXPECT_EQ(ring.picture->GetPixelRGB(20, 20), 0x123456u);
    EXPECT_EQ(ring.picture->GetPixelRGB(30, 20), 0xFFFFFFu) << "r = 1/2 is not written";
    EXPECT_EQ(ring.picture->GetPixelRGB(31, 20), 0xB1B1B1u) << "1 - 121/400";
    TestHost plus(61, 41);
    ShadedPlus(plus.canvas(), 0x0000FF, TPoint{60, 40}, TPoint{0, 0}); // a = 30, b = 20
    EXPECT_EQ(plus.picture->GetPixelRGB(30, 20), 0xFF0000u);
    EXPECT_EQ(plus.picture->GetPixelRGB(60, 20), 0u) << "black at the bar's end";
    EXPECT_EQ(plus.picture->GetPixelRGB(55, 38), 0xFFFFFFu) << "corner untouched";
}

TEST(ShadedBodies, BlackBrushPaintsEveryBodyBlack)
{
    for (const DrawingTool tool : kBodies) {
        SCOPED_TRACE(int(tool));
        const auto pixels = finalPaint(tool, clBlack, TPoint{5, 8}, TPoint{55, 45});
        for (const uint32_t p : pixels)
            ASSERT_TRUE(p == 0u || p == 0xFFFFFFu) << std::hex << p;
    }
}

TEST(ShadedBodies, BoxFacesAreExactFractionsOfTheBrush)
{
    auto host = bodyHost(dtBox3D, 0x0A6496); // R 150, G 100, B 10
    host->canvas().Pen()->SetWidth(4);
    PaintFigure(*host, true, gdi::R2_COPYPEN, TPoint{10, 20}, TPoint{40, 45});
    EXPECT_EQ(host->picture->GetPixelRGB(25, 30), 0x96640Au) << "front";
    EXPECT_EQ(host->picture->GetPixelRGB(25, 16), 0x785008u) << "top: 4/5";
    EXPECT_EQ(host->picture->GetPixelRGB(44, 30), 0x644206u) << "side: 2/3";
}

TEST(ShadedBodies, BoxWithPenWidthZeroHasNoDepth)
{
    auto zero = bodyHost(dtBox3D, clRed);
    zero->canvas().Pen()->SetWidth(0);
    PaintFigure(*zero, true, gdi::R2_COPYPEN, TPoint{10, 20}, TPoint{40, 45});
    for (int x = 0; x < 60; ++x)
        EXPECT_EQ(zero->picture->GetPixelRGB(x, 19), 0xFFFFFFu) << x;
    for (int y = 0; y < 50; ++y)
        EXPECT_EQ(zero->picture->GetPixelRGB(41, y), 0xFFFFFFu) << y;
}

TEST(ShadedBodies, CylinderTopIsTheRimColour)
{
    auto host = bodyHost(dtCylinder3D, clWhite, 80, 80);
    PaintFigure(*host, true, gdi::R2_COPYPEN, TPoint{10, 10}, TPoint{50, 50});
    // H = 40, e = 34, top disc centred at (30, 13): shade(cos 45 rad) = 133.
    EXPECT_EQ(host->picture->GetPixelRGB(30, 13), 0x858585u);
    // The band's middle column at its brightest: 0.8 of the brush.
    EXPECT_EQ(host->picture->GetPixelRGB(30, 40), 0xCCCCCCu);
}

// Half-sizes of 0 have no defined shading: the renderers write nothing and return.
TEST(ShadedBodies, ZeroHalfSizeCompletesWithTheOutlineOnly)
{
    for (const DrawingTool tool : kBodies) {
        SCOPED_TRACE(int(tool));
        for (const auto& [s, e] : {std::pair{TPoint{10, 10}, TPoint{11, 40}}, std::pair{TPoint{10, 10}, TPoint{40, 11}},
                                   std::pair{TPoint{10, 10}, TPoint{10, 10}}}) {
            const auto painted = finalPaint(tool, clRed, s, e);
            if (tool == dtPlus3D || tool == dtEllipsoid3D || tool == dtTorus3D || tool == dtFrame3D)
                EXPECT_EQ(painted, outlineOnly(tool, clRed, s, e));
        }
    }
}

TEST(ShadedBodies, BodiesLargerThanThePictureAreClipped)
{
    for (const DrawingTool tool : kBodies) {
        SCOPED_TRACE(int(tool));
        const auto painted = finalPaint(tool, 0x40C080, TPoint{-20, -20}, TPoint{60, 50}, 40, 30);
        EXPECT_NE(painted, TestHost(40, 30).pixels());
    }
}

TEST(ShadedBodies, SpringNeverWritesColumnZeroOrRowZero)
{
    TestHost host(40, 40);
    host.tool = dtSpring3D;
    host.canvas().Brush()->SetColor(clRed);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{-30, -30}, TPoint{50, 60});
    int written = 0;
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(host.picture->GetPixelRGB(0, i), 0xFFFFFFu) << i;
        EXPECT_EQ(host.picture->GetPixelRGB(i, 0), 0xFFFFFFu) << i;
        for (int j = 1; j < 40; ++j)
            written += host.picture->GetPixelRGB(i, j) != 0xFFFFFFu;
    }
    EXPECT_GT(written, 100);
    ASSERT_TRUE(ScratchPicture);
    EXPECT_EQ(ScratchPicture->GetPixelRGB(5, 5), host.picture->GetPixelRGB(5, 5));
}

TEST(ShadedBodies, JugIsBrightestOnItsAxis)
{
    TestHost host(100, 100);
    host.tool = dtJug3D;
    host.canvas().Brush()->SetColor(clWhite);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{10, 10}, TPoint{90, 90});
    // The angles step in single precision and miss 0 by a little: 254 on the axis.
    EXPECT_GE(host.picture->GetPixelRGB(50, 50) & 0xFF, 0xFEu);
    const uint32_t nearEdge = host.picture->GetPixelRGB(88, 50);
    EXPECT_LT(nearEdge & 0xFF, 0x80u);
    // The neck (a quarter down) is narrower than the belly (three quarters down).
    EXPECT_EQ(host.picture->GetPixelRGB(80, 30), 0xFFFFFFu);
    EXPECT_NE(host.picture->GetPixelRGB(80, 70), 0xFFFFFFu);
}

} // namespace

// The cone leaves out fan steps that repeat the step before; the picture must be exactly the
// one every step gives, for any size, direction, pen and brush.
TEST(ShadedBodies, ConeWithoutRepeatedStepsPaintsEveryStepsPixels)
{
    struct Case {
        TPoint start, end;
        int penWidth;
        TPenStyle style;
        TColor brush;
    };
    const Case cases[] = {
        {{5, 5}, {95, 70}, 1, psSolid, 0x4080C0},   {{3, 60}, {90, 2}, 1, psSolid, clWhite},
        {{10, 4}, {70, 75}, 3, psSolid, 0x20E010},  {{2, 2}, {97, 77}, 1, psDash, 0x8040FF},
        {{20, 10}, {60, 50}, 2, psDashDot, clBlack}, {{0, 0}, {99, 79}, 5, psSolid, 0xC0C0C0},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> painted[2];
        for (int everyStep = 0; everyStep < 2; ++everyStep) {
            TestHost host(100, 80);
            TCanvas& canvas = host.canvas();
            canvas.Brush()->SetColor(c.brush);
            canvas.Pen()->SetWidth(c.penWidth);
            canvas.Pen()->SetStyle(c.style);
            canvas.Pen()->SetMode(pmCopy);
            if (everyStep)
                ShadedConeEveryStep(canvas, c.start, c.end);
            else
                ShadedCone(canvas, c.start, c.end);
            painted[everyStep] = host.pixels();
        }
        EXPECT_EQ(painted[0], painted[1]) << "cone from " << c.start.x << ", " << c.start.y << ", pen " << c.penWidth;
    }
}
