#include "platform/framework/bitmap.h"
#include "platform/framework/clipboard.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/picture.h"
#include "platform/framework/qimage_conversion.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(QImageConversion, EveryDepthKeepsItsColours)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        const std::vector<gdi::RgbQuad> table = {{10, 20, 30, 0}, {200, 100, 50, 0}};
        gdi::DibSurface surface(5, 2, bits, bits <= 8 ? table : std::vector<gdi::RgbQuad>{});
        surface.setRawPixel(4, 1, bits <= 8 ? 1u : 0x3264C8u);
        const QImage image = SurfaceToQImage(surface);
        EXPECT_EQ(image.pixel(4, 1), qRgb(50, 100, 200)) << bits;
        EXPECT_EQ(image.pixel(0, 0), bits <= 8 ? qRgb(30, 20, 10) : qRgb(0, 0, 0)) << bits;
        const std::unique_ptr<gdi::DibSurface> back = SurfaceFromQImage(image);
        EXPECT_EQ(back->bitsPerPixel(), 32);
        EXPECT_EQ(back->rawPixel(4, 1), 0x3264C8u) << bits;
    }
}

TEST(Clipboard, BitmapsTravelAsDeviceBitmaps)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf8bit);
    bitmap.SetSize(6, 4);
    bitmap.Canvas()->SetPixels(5, 3, clRed);
    Clipboard()->Assign(&bitmap);
    ASSERT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_PALETTE));

    TPicture picture;
    picture.Assign(Clipboard());
    auto* pasted = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->Width(), 6);
    EXPECT_EQ(pasted->PixelFormat(), pfDevice);
    EXPECT_EQ(pasted->Canvas()->Pixels(5, 3), clRed);
    EXPECT_EQ(pasted->Canvas()->Pixels(0, 0), clWhite);

    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_EQ(Clipboard()->GetAsBitmap(), nullptr);
    EXPECT_THROW(picture.Assign(Clipboard()), EInvalidGraphic);
}

// Paste steps read the clipboard at every mouse move: an unchanged clipboard gives the picture
// converted before, and whatever another program puts there is seen at the next read.
TEST(Clipboard, ReadsFollowEveryChangeOfTheSystemClipboard)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    QGuiApplication::clipboard()->setImage(image);
    const HBITMAP first = Clipboard()->GetAsBitmap();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->surface->rawPixel(2, 1), 0x0A141Eu);
    EXPECT_EQ(Clipboard()->GetAsBitmap(), first);

    image.fill(qRgb(40, 50, 60));
    QGuiApplication::clipboard()->setImage(image);
    const HBITMAP second = Clipboard()->GetAsBitmap();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->surface->rawPixel(2, 1), 0x28323Cu);

    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    EXPECT_EQ(Clipboard()->GetAsBitmap(), nullptr);
}

} // namespace
