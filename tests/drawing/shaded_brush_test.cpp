// The shaded bodies change the pen and the brush while they paint. Whatever they change must be
// back as the user left it before the next paint, or the next preview is removed with another
// brush than it was drawn with.

#include "drawing/figure_painter.h"
#include "drawing/tool_state.h"
#include "drawing_test_host.h"

#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

namespace {

const DrawingTool kBodies[] = {dtPlus3D,  dtBox3D,  dtEllipsoid3D, dtCylinder3D, dtTorus3D,
                               dtFrame3D, dtCone3D, dtJug3D,       dtSpring3D};

constexpr TColor kBrush = 0x3080C0;
constexpr TColor kPen = 0x102030;
constexpr int kPenWidth = 2;

void setTools(TestHost& host, TBrushStyle style)
{
    host.canvas().Brush()->SetColor(kBrush);
    host.canvas().Brush()->SetStyle(style);
    host.canvas().Pen()->SetColor(kPen);
    host.canvas().Pen()->SetWidth(kPenWidth);
}

void expectUserTools(TestHost& host, TBrushStyle style, const char* when)
{
    SCOPED_TRACE(when);
    EXPECT_EQ(host.canvas().Brush()->Style(), style);
    EXPECT_EQ(host.canvas().Brush()->Color(), kBrush);
    EXPECT_EQ(host.canvas().Pen()->Color(), kPen);
    EXPECT_EQ(host.canvas().Pen()->Width(), kPenWidth);
}

// The pictures a drag should leave, painted call by call with the tools set afresh before each
// call, so that nothing a case fails to restore can leak into the expectation.
struct ExpectedDrag {
    std::vector<uint32_t> previewed, released;
};

ExpectedDrag expectedDrag(DrawingTool tool, TBrushStyle style, TPoint press, TPoint last)
{
    TestHost host(70, 60);
    host.tool = tool;
    setTools(host, style);
    PaintFigure(host, false, gdi::R2_NOTXORPEN, press, last);
    ExpectedDrag expected;
    expected.previewed = host.pixels();
    setTools(host, style);
    PaintFigure(host, true, gdi::R2_COPYPEN, press, last);
    expected.released = host.pixels();
    return expected;
}

// Before the fix, the first preview of a clear-brush drag turned the brush solid: the next
// preview was filled, and every later figure too while "Нет" stayed pressed.
TEST(ShadedBrush, DragLeavesTheBrushStyleAsTheUserChoseIt)
{
    for (const TBrushStyle style : {bsClear, bsSolid, bsDiagCross}) {
        for (const DrawingTool tool : kBodies) {
            SCOPED_TRACE(testing::Message() << "tool " << int(tool) << ", brush style " << int(style));
            TestHost host(70, 60);
            host.tool = tool;
            setTools(host, style);
            host.mouse.MouseDown(8, 12);
            host.mouse.MouseMove(30, 30);
            host.mouse.MouseMove(52, 47);
            host.mouse.MouseMove(50, 44);
            expectUserTools(host, style, "after the previews");
            const ExpectedDrag expected = expectedDrag(tool, style, TPoint{8, 12}, TPoint{50, 44});
            EXPECT_EQ(host.pixels(), expected.previewed) << "only the last preview is left";
            host.mouse.MouseUp(50, 44);
            expectUserTools(host, style, "after the release");
            EXPECT_EQ(host.pixels(), expected.released);
        }
    }
}

TEST(ShadedBrush, AFigureAfterABodyIsPaintedWithTheClearBrush)
{
    for (const DrawingTool tool : kBodies) {
        SCOPED_TRACE(int(tool));
        TestHost host(70, 60);
        host.tool = tool;
        setTools(host, bsClear);
        host.mouse.MouseDown(8, 12);
        host.mouse.MouseMove(50, 44);
        host.mouse.MouseUp(50, 44);
        const std::vector<uint32_t> before = host.pixels();
        host.tool = dtRectangle;
        host.mouse.MouseDown(2, 2);
        host.mouse.MouseMove(67, 57);
        host.mouse.MouseUp(67, 57);
        const std::vector<uint32_t> after = host.pixels();
        for (int y = 4; y < 55; ++y)
            for (int x = 4; x < 65; ++x)
                ASSERT_EQ(after[size_t(y * 70 + x)], before[size_t(y * 70 + x)]) << "inside at " << x << ", " << y;
    }
}

// The box's faces keep their shades under a clear brush; only the front face follows the style.
TEST(ShadedBrush, BoxFacesAreFilledUnderTheClearBrush)
{
    TestHost host(60, 50);
    host.tool = dtBox3D;
    host.canvas().Brush()->SetColor(0x0A6496); // R 150, G 100, B 10
    host.canvas().Brush()->SetStyle(bsClear);
    host.canvas().Pen()->SetColor(clBlack);
    host.canvas().Pen()->SetWidth(4);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{10, 20}, TPoint{40, 45});
    EXPECT_EQ(host.picture->GetPixelRGB(25, 30), 0xFFFFFFu) << "front face not filled";
    EXPECT_EQ(host.picture->GetPixelRGB(25, 16), 0x785008u) << "top: 4/5";
    EXPECT_EQ(host.picture->GetPixelRGB(44, 30), 0x644206u) << "side: 2/3";
    EXPECT_EQ(host.canvas().Brush()->Style(), bsClear);
    EXPECT_EQ(host.canvas().Brush()->Color(), 0x0A6496);
}

} // namespace
