// The icon and BMP picture classes: reading against reference renderings, writing one icon,
// and write-then-read of every picture format through BMP.
#include "imaging/formats/bitmap_graphic.h"
#include "imaging/formats/icon_graphic.h"

#include "format_test_util.h"
#include "imaging/formats/picture_formats.h"
#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/icon.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

// Corpora of other programs' test pictures, used only as test data.
const QString kIcoDir = QStringLiteral(PICTAVO_CORPORA_DIR "/ico");

} // namespace

TEST(IconGraphic, DamagedIconsFailCleanly)
{
    for (const QString& sub : {QStringLiteral("image-rs/regression"), QStringLiteral("pillow")}) {
        const QDir dir(kIcoDir + "/" + sub);
        for (const QString& name : dir.entryList({"*.ico"}, QDir::Files)) {
            TIconGraphic picture;
            try {
                picture.LoadFromFile(dir.filePath(name));
                EXPECT_GT(picture.GetWidth(), 0) << name.toStdString();
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

TEST(IconGraphic, WritesOneOpaqueIconOfThePictureAtTheTopLeft)
{
    RegisterPictureFormats();
    for (const auto& [width, height] : {std::pair{32, 32}, std::pair{40, 20}, std::pair{5, 7}}) {
        TBitmapGraphic picture;
        picture.NewImage(width, height, ifTrueColor, nullptr, 0, 0);
        fillRandomly(picture, uint32_t(width * height));
        TIcon icon;
        icon.Assign(&picture);
        ASSERT_EQ(icon.Width(), 32);
        ASSERT_EQ(icon.Height(), 32);

        TMemoryStream stream;
        stream.WriteBuffer(icon.Data());
        stream.SetPosition(0);
        TIconGraphic back;
        back.LoadFromStream(stream);
        ASSERT_EQ(back.GetWidth(), 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint32_t want = x < width && y < height ? picture.GetPixelRGB(x, y) : 0;
                ASSERT_EQ(back.GetPixelRGB(x, y), want) << width << "x" << height << " at " << x << "," << y;
            }
    }
}

class BitmapGraphicRoundTrip : public testing::TestWithParam<TImageFormat> {};

TEST_P(BitmapGraphicRoundTrip, WritesAndReadsBackEveryPixel)
{
    TBitmapGraphic picture;
    picture.NewImage(29, 13, GetParam(), nullptr, 120, 240);
    fillRandomly(picture, 11 + GetParam());
    TMemoryStream stream;
    picture.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmapGraphic back;
    back.LoadFromStream(stream);
    EXPECT_EQ(ImageFormatBitCount(back.ImageFormat()), ImageFormatBitCount(GetParam()));
    EXPECT_TRUE(samePixels(picture, back));
    EXPECT_EQ(back.XDpi(), 120);
    EXPECT_EQ(back.YDpi(), 240);
}

INSTANTIATE_TEST_SUITE_P(Formats, BitmapGraphicRoundTrip,
                         testing::Values(ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor));

TEST(BitmapGraphic, ThirtyTwoBitFilesBecomeTrueColourAndDamageIsRefused)
{
    gdi::DibSurface surface(3, 2, 32);
    surface.setRawPixel(0, 0, 0x123456);
    surface.setRawPixel(2, 1, 0xABCDEF);
    const std::vector<uint8_t> file = BmpCodec::encodeFile(surface);
    TMemoryStream stream;
    stream.WriteBuffer(file);
    stream.SetPosition(0);
    TBitmapGraphic picture;
    picture.LoadFromStream(stream);
    EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0x123456u);
    EXPECT_EQ(picture.GetPixelRGB(2, 1), 0xABCDEFu);

    TMemoryStream damaged;
    damaged.WriteBuffer(file.data(), 30);
    damaged.SetPosition(0);
    EXPECT_THROW(picture.LoadFromStream(damaged), EInvalidGraphic);
}
