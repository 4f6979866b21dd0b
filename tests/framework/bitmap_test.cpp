#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

namespace {

TColor pixel(TBitmap& b, int x, int y)
{
    return b.Canvas()->Pixels(x, y);
}

void fill(TBitmap& b, TColor color)
{
    b.Canvas()->Brush()->SetColor(color);
    b.Canvas()->FillRect(Rect(0, 0, b.Width(), b.Height()));
}

TEST(Bitmap, NewBitmapIsTheScreensFormatAndWhite)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.HandleType(), bmDDB);
    b.SetSize(3, 2);
    EXPECT_EQ(b.Surface()->bitsPerPixel(), 32);
    EXPECT_EQ(pixel(b, 2, 1), clWhite);
}

class BitmapGrowth : public testing::TestWithParam<TPixelFormat> {};

TEST_P(BitmapGrowth, KeepsTheTopLeftAndFillsNewAreaWithTheBrushColour)
{
    TBitmap b;
    b.SetPixelFormat(GetParam());
    b.SetSize(4, 3);
    fill(b, clRed);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.SetWidth(6);
    b.SetHeight(5);
    ASSERT_EQ(b.Width(), 6);
    ASSERT_EQ(b.Height(), 5);
    EXPECT_EQ(b.PixelFormat(), GetParam());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(pixel(b, x, y), (x < 4 && y < 3) ? clRed : clBlue) << x << ", " << y;
    // Shrinking cuts from the right and the bottom.
    b.SetSize(2, 2);
    EXPECT_EQ(pixel(b, 1, 1), clRed);
}

std::string formatName(const testing::TestParamInfo<TPixelFormat>& info)
{
    static const char* const names[] = {"Device", "1bit", "4bit", "8bit", "24bit", "32bit"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Formats, BitmapGrowth, testing::Values(pfDevice, pf4bit, pf8bit, pf24bit, pf32bit), formatName);

TEST(Bitmap, ZeroSizeEmptiesAndCanvasStaysUsable)
{
    TBitmap b;
    b.SetSize(5, 5);
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Height(), 0);
    b.Canvas()->LineTo(10, 10); // draws nowhere, fails nothing
    b.SetSize(2, 2);
    EXPECT_EQ(pixel(b, 0, 0), clWhite);
}

TEST(Bitmap, PixelFormatChangeConvertsToTheNearestColour)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 1);
    b.Canvas()->SetPixels(0, 0, static_cast<TColor>(0x303030));
    b.Canvas()->SetPixels(1, 0, static_cast<TColor>(0xE0E0E0));
    b.SetPixelFormat(pf1bit);
    EXPECT_EQ(b.Surface()->bitsPerPixel(), 1);
    EXPECT_EQ(pixel(b, 0, 0), clBlack);
    EXPECT_EQ(pixel(b, 1, 0), clWhite);
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(b.Surface()->bitsPerPixel(), 32);
    EXPECT_EQ(pixel(b, 1, 0), clWhite);
}

TEST(Bitmap, CanvasColoursAreBlueGreenRed)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(1, 1);
    b.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(b.Surface()->rawPixel(0, 0), 0xFF0000u) << "stored as 0x00RRGGBB";
    EXPECT_EQ(pixel(b, 0, 0), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(5, 5), static_cast<TColor>(gdi::CLR_INVALID));
}

TEST(Bitmap, StreamsRoundTripEveryFormatAndRejectGarbage)
{
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        TBitmap b;
        b.SetPixelFormat(format);
        b.SetSize(7, 3);
        b.Canvas()->SetPixels(6, 2, clBlack);
        TMemoryStream stream;
        b.SaveToStream(stream);
        stream.SetPosition(0);
        TBitmap back;
        back.LoadFromStream(stream);
        EXPECT_EQ(back.PixelFormat(), format);
        EXPECT_EQ(back.HandleType(), bmDIB);
        EXPECT_EQ(pixel(back, 6, 2), clBlack);
        EXPECT_EQ(pixel(back, 0, 0), clWhite);
    }
    TBitmap kept;
    kept.SetSize(2, 2);
    TMemoryStream garbage;
    garbage.WriteBuffer("BMnot a bitmap at all", 21);
    garbage.SetPosition(0);
    EXPECT_THROW(kept.LoadFromStream(garbage), EInvalidGraphic);
    EXPECT_EQ(kept.Width(), 2) << "a failed load leaves the bitmap alone";
}

TEST(Bitmap, AssignCopiesThePixels)
{
    TBitmap a;
    a.SetSize(3, 3);
    fill(a, clLime);
    TBitmap b;
    b.Assign(&a);
    fill(a, clNavy);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(pixel(b, 1, 1), clLime);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, DrawCopiesStretchesAndLeavesOutTheTransparentColour)
{
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(2, 2);
    source.Canvas()->SetPixels(0, 0, clRed);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(6, 6);
    fill(target, clBlue);

    target.Canvas()->Draw(1, 1, &source);
    EXPECT_EQ(pixel(target, 1, 1), clRed);
    EXPECT_EQ(pixel(target, 2, 2), clWhite);
    EXPECT_EQ(pixel(target, 3, 3), clBlue);

    fill(target, clBlue);
    target.Canvas()->StretchDraw(Rect(0, 0, 4, 4), &source);
    EXPECT_EQ(pixel(target, 1, 1), clRed);
    EXPECT_EQ(pixel(target, 2, 1), clWhite);

    // Bottom-left pixel (white) is the automatic transparent colour.
    fill(target, clBlue);
    source.SetTransparent(true);
    EXPECT_EQ(source.TransparentColor(), clWhite);
    target.Canvas()->Draw(0, 0, &source);
    EXPECT_EQ(pixel(target, 0, 0), clRed);
    EXPECT_EQ(pixel(target, 1, 1), clBlue);
}

TEST(Bitmap, ClipboardFormatRoundTripAndUnknownFormat)
{
    TBitmap a;
    a.SetPixelFormat(pf8bit);
    a.SetSize(4, 2);
    a.Canvas()->SetPixels(3, 1, clRed);
    unsigned short format = 0;
    HBITMAP data;
    HPALETTE palette;
    a.SaveToClipboardFormat(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    ASSERT_TRUE(data);
    ASSERT_TRUE(palette);
    TBitmap b;
    b.LoadFromClipboardFormat(format, data, palette);
    EXPECT_EQ(pixel(b, 3, 1), clRed);
    try {
        b.LoadFromClipboardFormat(CF_DIB, data, palette);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unsupported clipboard format"));
    }
}

TEST(Bitmap, HandleTypeAndMonochrome)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 1);
    b.Canvas()->SetPixels(0, 0, clBlack);
    b.SetHandleType(bmDDB);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_FALSE(b.Handle()->dibSection);
    b.SetMonochrome(true);
    EXPECT_TRUE(b.Monochrome());
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(pixel(b, 0, 0), clBlack);
    EXPECT_EQ(pixel(b, 1, 0), clWhite);
}

TEST(Bitmap, ChangesNotifyAndScanLinesAreChecked)
{
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.SetSize(2, 2);
    b.Canvas()->LineTo(1, 1);
    EXPECT_GE(changes, 2);
    EXPECT_NE(b.ScanLine(1), nullptr);
    EXPECT_THROW(b.ScanLine(2), EInvalidGraphic);
}

} // namespace
