#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/gdi/device_context.h"

#include <QFont>

#include <gtest/gtest.h>

namespace {

class CanvasTest : public testing::Test {
protected:
    void SetUp() override
    {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(20, 20);
        canvas = bitmap.Canvas();
    }
    TColor at(int x, int y) { return canvas->Pixels(x, y); }

    TBitmap bitmap;
    TCanvas* canvas = nullptr;
};

TEST_F(CanvasTest, StartsWithTheFrameworkDefaults)
{
    EXPECT_EQ(canvas->Pen()->Color(), clBlack);
    EXPECT_EQ(canvas->Pen()->Width(), 1);
    EXPECT_EQ(canvas->Pen()->Style(), psSolid);
    EXPECT_EQ(canvas->Pen()->Mode(), gdi::R2_COPYPEN);
    EXPECT_EQ(canvas->Brush()->Color(), clWhite);
    EXPECT_EQ(canvas->Brush()->Style(), bsSolid);
    EXPECT_EQ(canvas->CopyMode(), cmSrcCopy);
    EXPECT_EQ(canvas->Font()->Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(canvas->Font()->Size(), 8);
}

TEST_F(CanvasTest, RectangleUsesPenOutlineAndBrushInterior)
{
    canvas->Pen()->SetColor(clRed);
    canvas->Brush()->SetColor(clLime);
    canvas->Rectangle(2, 2, 8, 8);
    EXPECT_EQ(at(2, 2), clRed);
    EXPECT_EQ(at(7, 7), clRed);
    EXPECT_EQ(at(8, 8), clWhite) << "right and bottom are exclusive";
    EXPECT_EQ(at(4, 4), clLime);

    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(10, 10, 16, 16);
    EXPECT_EQ(at(12, 12), clWhite) << "a clear brush leaves the interior";
    canvas->Brush()->SetColor(clNavy);
    EXPECT_EQ(canvas->Brush()->Style(), bsSolid) << "a colour makes a clear brush solid again";
}

TEST_F(CanvasTest, PenModeIsTheMixMode)
{
    canvas->Pen()->SetColor(clRed);
    canvas->Pen()->SetMode(gdi::R2_NOTXORPEN);
    canvas->MoveTo(0, 5);
    canvas->LineTo(10, 5);
    EXPECT_NE(at(3, 5), clWhite);
    canvas->MoveTo(0, 5);
    canvas->LineTo(10, 5);
    EXPECT_EQ(at(3, 5), clWhite) << "drawing the preview twice removes it";
    EXPECT_EQ(canvas->PenPos(), Point(10, 5));
}

TEST_F(CanvasTest, CopyRectAppliesTheCopyMode)
{
    canvas->Brush()->SetColor(clBlack);
    canvas->FillRect(Rect(0, 0, 20, 20));
    canvas->SetCopyMode(cmWhiteness);
    canvas->CopyRect(Rect(2, 2, 5, 5), canvas, Rect(2, 2, 5, 5));
    EXPECT_EQ(at(2, 2), clWhite);
    EXPECT_EQ(at(5, 5), clBlack);
    canvas->SetCopyMode(cmNotSrcCopy);
    canvas->CopyRect(Rect(0, 0, 20, 20), canvas, Rect(0, 0, 20, 20));
    EXPECT_EQ(at(3, 3), clBlack);
    EXPECT_EQ(at(10, 10), clWhite);

    TBitmap other;
    other.SetPixelFormat(pf24bit);
    other.SetSize(2, 2);
    other.Canvas()->SetPixels(0, 0, clRed);
    canvas->SetCopyMode(cmSrcCopy);
    canvas->CopyRect(Rect(10, 10, 14, 14), other.Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(at(11, 11), clRed) << "stretched two times";
    EXPECT_EQ(at(12, 12), clWhite);
}

TEST_F(CanvasTest, FloodFillSurfaceAndBorder)
{
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(0, 0, 10, 10);
    canvas->Brush()->SetColor(clYellow);
    canvas->FloodFill(5, 5, clWhite, fsSurface);
    EXPECT_EQ(at(5, 5), clYellow);
    EXPECT_EQ(at(15, 15), clWhite) << "stopped at the outline";
    canvas->Brush()->SetColor(clAqua);
    canvas->FloodFill(15, 15, clBlack, fsBorder);
    EXPECT_EQ(at(15, 15), clAqua);
    EXPECT_EQ(at(5, 5), clYellow);
}

TEST_F(CanvasTest, TextBackgroundFollowsTheBrush)
{
    canvas->Font()->SetColor(clBlack);
    canvas->Font()->SetHeight(-13);
    const QString text = QStringLiteral("Жж");
    const int w = canvas->TextWidth(text);
    const int h = canvas->TextHeight(text);
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    canvas->Brush()->SetColor(clRed);
    canvas->TextOut(0, 0, text);
    EXPECT_EQ(canvas->PenPos(), Point(w, 0)) << "the pen moves past the text";
    int red = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            red += at(x, y) == clRed;
    EXPECT_GT(red, 0) << "opaque background in the brush colour";

    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(0, h + 1, text);
    for (int y = h + 1; y < std::min(20, 2 * h + 1); ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_NE(at(x, y), clRed);
}

TEST_F(CanvasTest, FocusRectInvertsAndRestores)
{
    canvas->DrawFocusRect(Rect(2, 2, 12, 9));
    int changed = 0;
    for (int x = 2; x < 12; ++x)
        changed += at(x, 2) != clWhite;
    EXPECT_GT(changed, 0);
    canvas->DrawFocusRect(Rect(2, 2, 12, 9));
    for (int x = 2; x < 12; ++x)
        EXPECT_EQ(at(x, 2), clWhite);
}

TEST(Canvas, WithoutADeviceDrawingIsRefused)
{
    TCanvas canvas;
    try {
        canvas.LineTo(1, 1);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Canvas does not allow drawing"));
    }
}

TEST(Canvas, SystemColoursResolve)
{
    EXPECT_EQ(ColorToRGB(clWindowText), 0u);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Pen()->SetColor(clWindowText);
    b.Canvas()->LineTo(1, 0);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clBlack);
}

TEST(Canvas, PatternBrushPaintsTheBitmapTile)
{
    TBitmap tile;
    tile.SetPixelFormat(pf24bit);
    tile.SetSize(2, 2);
    tile.Canvas()->SetPixels(0, 0, clBlack);
    tile.Canvas()->SetPixels(1, 1, clBlack);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(8, 8);
    b.Canvas()->Brush()->SetBitmap(&tile);
    b.Canvas()->FillRect(Rect(0, 0, 8, 8));
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(3, 3), clBlack);
}

TEST(Font, SizeAndHeightAgreeAtNinetySixDots)
{
    TFont font;
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
    font.SetHeight(-13);
    EXPECT_EQ(font.Size(), 10);
    font.SetStyle(fsBold | fsItalic);
    const QFont q = font.ToQFont();
    EXPECT_TRUE(q.bold());
    EXPECT_EQ(q.pixelSize(), 13);
    TFont back;
    back.AssignQFont(q);
    EXPECT_EQ(back.Height(), -13);
    EXPECT_EQ(back.Style(), fsBold | fsItalic);
}

} // namespace
