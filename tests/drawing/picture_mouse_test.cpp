#include "drawing/figure_painter.h"
#include "drawing/picture_mouse.h"
#include "drawing_test_host.h"

#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ViewToPicture, DividesByTheZoomAndTruncatesTowardZero)
{
    struct Case {
        int x;
        float zoom;
        int expected;
    };
    const Case cases[] = {
        {20, 200.0f, 10}, {21, 200.0f, 10}, {-1, 200.0f, 0},  {-3, 200.0f, -1},
        {100, 300.0f, 33}, {10, 50.0f, 20},  {7, 33.3f, 21}, {INT32_MAX, 1.0f, INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ViewToPicture(c.x, 0, c.zoom).x, c.expected) << c.x << " at " << c.zoom;
        EXPECT_EQ(ViewToPicture(0, c.x, c.zoom).y, c.expected) << c.x << " at " << c.zoom;
    }
}

TEST(PictureMouse, StatusTextsAtTwiceTheSize)
{
    TestHost host(40, 40);
    host.zoom = 200.0f;
    host.mouse.MouseMove(20, 20);
    EXPECT_EQ(host.status[1], QStringLiteral("Позиция: (20, 20)"));
    EXPECT_EQ(host.PointerPoint.x, 10);
    host.mouse.MouseDown(20, 20);
    EXPECT_EQ(host.status[0], QStringLiteral("Нажато: (10, 10)"));
    host.mouse.MouseMove(-7, 31);
    EXPECT_EQ(host.status[1], QStringLiteral("Позиция: (-7, 31)"));
    EXPECT_EQ(host.MovePoint.x, -3);
    EXPECT_EQ(host.MovePoint.y, 15);
}

TEST(PictureMouse, PressTakesASnapshotAndPaintsNothing)
{
    TestHost host(20, 20);
    host.tool = dtPickPenColor;
    host.scroll = {7, 9};
    host.mouse.MouseDown(3, 4);
    EXPECT_EQ(host.snapshots, 1);
    EXPECT_TRUE(host.Modified);
    EXPECT_TRUE(host.Drawing);
    EXPECT_FALSE(host.ButtonReleased);
    EXPECT_EQ(host.SavedScrollPos.x, 7);
    EXPECT_EQ(host.SavedScrollPos.y, 9);
    EXPECT_EQ(host.canvas().PenPos().x, 3);
    EXPECT_EQ(host.pixels(), TestHost(20, 20).pixels());
    EXPECT_EQ(host.canvas().Pen()->Color(), clBlack);
}

TEST(PictureMouse, RedrawEveryTenthMoveAndScrollKeptStill)
{
    TestHost host(50, 50);
    host.tool = dtRectangle;
    host.MoveCount = 5;
    host.mouse.MouseDown(1, 1);
    for (int i = 0; i < 14; ++i) {
        host.scroll = {i, 2 * i};
        host.mouse.MouseMove(2 + i, 3 + i);
        EXPECT_EQ(host.scroll.x, 0);
        EXPECT_EQ(host.scroll.y, 0);
    }
    EXPECT_EQ(host.MoveCount, 19);
    EXPECT_EQ(host.redraws, 1); // at the tenth move counted in this window
    host.scroll = {5, 5};
    host.mouse.MouseUp(15, 16);
    EXPECT_EQ(host.redraws, 2);
    EXPECT_EQ(host.workImageUpdates, 1);
    EXPECT_EQ(host.scroll.x, 0);
    EXPECT_EQ(host.scroll.y, 0);
    EXPECT_FALSE(host.Drawing);
    EXPECT_TRUE(host.ButtonReleased);
    host.mouse.MouseMove(3, 3);
    EXPECT_FALSE(host.ButtonReleased);
}

TEST(PictureMouse, ReleaseWithoutPressChangesOnlyButtonReleased)
{
    TestHost host(20, 20);
    host.mouse.MouseUp(5, 5);
    EXPECT_TRUE(host.ButtonReleased);
    EXPECT_FALSE(host.Modified);
    EXPECT_EQ(host.redraws, 0);
    EXPECT_EQ(host.workImageUpdates, 0);
    EXPECT_EQ(host.pixels(), TestHost(20, 20).pixels());
}

TEST(PictureMouse, ClickWithoutMovePaintsTheFinalFigureOnce)
{
    TestHost host(20, 20);
    host.tool = dtFill;
    host.canvas().Brush()->SetColor(clRed);
    host.mouse.MouseDown(4, 4);
    host.mouse.MouseUp(4, 4);
    EXPECT_EQ(host.picture->GetPixelRGB(10, 10), 0xFF0000u);
    EXPECT_EQ(host.snapshots, 1);
}

// Pictures of every format with varied content, so that inverted pixels show.
struct FormatCase {
    TImageFormat format;
    const char* name;
};
const FormatCase kFormats[] = {{ifBlackWhite, "bw"},    {ifGray16, "gray16"},     {ifGray256, "gray256"},
                               {ifColor16, "color16"},  {ifColor256, "color256"}, {ifTrueColor, "rgb24"}};

void fillVaried(TestHost& host)
{
    TDibGraphic& p = *host.picture;
    for (int y = 0; y < p.GetHeight(); ++y)
        for (int x = 0; x < p.GetWidth(); ++x)
            p.SetPixelRGB(x, y, ((x * 37 + y * 11) & 0xFF) << 16 | ((x * 5 + y * 29) & 0xFF) << 8 | ((x ^ y) * 9 & 0xFF));
}

std::unique_ptr<TestHost> variedHost(TImageFormat format, DrawingTool tool)
{
    auto host = std::make_unique<TestHost>(48, 40, format);
    fillVaried(*host);
    host->tool = tool;
    host->canvas().Pen()->SetWidth(3);
    host->canvas().Pen()->SetColor(0x3080C0);
    host->canvas().Brush()->SetColor(0x20A040);
    return host;
}

const DrawingTool kPreviewTools[] = {dtLine,       dtRectangle,   dtEllipse,     dtRoundRect,  dtSector,
                                     dtArc,        dtSide,        dtPlus3D,      dtBox3D,      dtEllipsoid3D,
                                     dtCylinder3D, dtTorus3D,     dtFrame3D,     dtCone3D,     dtJug3D,
                                     dtSpring3D};

class Previews : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Previews, DrawnTwiceRestoreThePicture)
{
    for (const DrawingTool tool : kPreviewTools) {
        SCOPED_TRACE(int(tool));
        for (const auto& [s, e] : {std::pair{TPoint{5, 6}, TPoint{40, 33}}, std::pair{TPoint{40, 33}, TPoint{3, 2}},
                                   std::pair{TPoint{-10, 30}, TPoint{60, -4}}, std::pair{TPoint{9, 9}, TPoint{9, 9}}}) {
            auto host = variedHost(GetParam().format, tool);
            const auto before = host->pixels();
            PaintFigure(*host, false, gdi::R2_NOTXORPEN, s, e);
            PaintFigure(*host, false, gdi::R2_NOTXORPEN, s, e);
            EXPECT_EQ(host->pixels(), before) << s.x << "," << s.y << " -> " << e.x << "," << e.y;
            EXPECT_EQ(host->canvas().Pen()->Width(), 3);
        }
    }
}

// A drag released where it last moved leaves exactly the final figure: every pixel a preview
// inverted is either inverted back or painted over.
TEST_P(Previews, ReleaseAtTheLastPositionLeavesNoTrail)
{
    for (const DrawingTool tool : kPreviewTools) {
        SCOPED_TRACE(int(tool));
        auto dragged = variedHost(GetParam().format, tool);
        dragged->mouse.MouseDown(6, 5);
        for (const TPoint p : {TPoint{6, 5}, TPoint{12, 9}, TPoint{30, 8}, TPoint{45, 38}, TPoint{38, 30}})
            dragged->mouse.MouseMove(p.x, p.y);
        dragged->mouse.MouseUp(38, 30);

        auto direct = variedHost(GetParam().format, tool);
        // The jug and spring remove their dotted frame by drawing it once more at the end.
        if (tool == dtJug3D || tool == dtSpring3D)
            PaintFigure(*direct, false, gdi::R2_NOTXORPEN, TPoint{6, 5}, TPoint{38, 30});
        PaintFigure(*direct, true, gdi::R2_COPYPEN, TPoint{6, 5}, TPoint{38, 30});
        EXPECT_EQ(dragged->pixels(), direct->pixels());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Previews, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// The product's look: a release away from the last preview leaves that preview's pixels.
TEST(PictureMouse, ReleaseElsewhereLeavesTheLastPreview)
{
    TestHost host(40, 40);
    host.tool = dtLine;
    host.mouse.MouseDown(2, 2);
    host.mouse.MouseMove(30, 2);
    host.mouse.MouseUp(2, 30);
    EXPECT_EQ(host.picture->GetPixelRGB(20, 2), 0u);
    EXPECT_EQ(host.picture->GetPixelRGB(2, 20), 0u);
}

} // namespace
