// The JPEG picture class and how the JPEG extensions are registered.
#include "imaging/formats/jpeg_graphic.h"

#include "format_test_util.h"
#include "imaging/formats/picture_formats.h"
#include "platform/framework/jpeg_codec.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>

namespace {
// A corpus of another library's test pictures, used only as test data.
const QString kTestOrig = QStringLiteral(PICTAVO_CORPORA_DIR "/jpeg-libjpeg-turbo/testorig.jpg");
} // namespace

TEST(JpegGraphic, ReadsTheCodecsPixelsIntoATrueColourPicture)
{
    TJpegGraphic picture;
    picture.LoadFromFile(kTestOrig);
    ASSERT_EQ(picture.ImageFormat(), ifTrueColor);
    const DecodedJpeg decoded = JpegCodec::decode(readFileBytes(kTestOrig));
    ASSERT_EQ(picture.GetWidth(), decoded.surface->width());
    ASSERT_EQ(picture.GetHeight(), decoded.surface->height());
    for (int y = 0; y < picture.GetHeight(); ++y)
        ASSERT_EQ(0, std::memcmp(picture.ScanLine(y), decoded.surface->scanLine(y), size_t(picture.GetWidth()) * 3));
}

TEST(JpegGraphic, WritesAndReadsBackWithinTheLossOfEveryFormat)
{
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
        TJpegGraphic picture;
        picture.NewImage(48, 32, format, nullptr, 0, 0);
        // Flat halves: the codec keeps them nearly exact.
        const uint32_t left = format == ifBlackWhite ? 0xFFFFFF : 0x808080;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x)
                picture.SetPixelRGB(x, y, x < 24 ? left : 0);
        picture.SetCompressionQuality(95);
        TMemoryStream stream;
        picture.SaveToStream(stream);
        stream.SetPosition(0);
        TJpegGraphic back;
        back.LoadFromStream(stream);
        ASSERT_EQ(back.GetWidth(), 48);
        EXPECT_NEAR(int(back.GetPixelRGB(4, 16) & 0xFF), int(picture.GetPixelRGB(4, 16) & 0xFF), 3)
            << ImageFormatName(format).toStdString();
        EXPECT_NEAR(int(back.GetPixelRGB(44, 16) & 0xFF), 0, 3);
    }
}

TEST(JpegGraphic, HolderReadsJpegWithTheFrameworkClassAndPicturesWithTheirOwn)
{
    RegisterPictureFormats();
    EXPECT_EQ(TDibGraphic::FindGraphicClass("x.jpeg"), DibGraphicClassOf<TJpegGraphic>());
    EXPECT_EQ(TDibGraphic::FindGraphicClass("x.JPG"), DibGraphicClassOf<TJpegGraphic>());
    for (const QString& ext : {QStringLiteral("jpg"), QStringLiteral("JPEG")}) {
        const TGraphicClass cls = TPicture::FindFileFormat(ext);
        ASSERT_NE(cls, nullptr);
        EXPECT_NE(dynamic_cast<TJPEGImage*>(cls().get()), nullptr) << ext.toStdString();
    }
}
