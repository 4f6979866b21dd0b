#include "imaging/transforms/color_depth_command.h"

#include <gtest/gtest.h>

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "test_pictures.h"

using namespace test_pictures;

// The work image keeps its size and receives the picture as it was; the picture takes the new
// format, and its part outside a smaller work image stays black.
TEST(ColorDepthCommand, ThroughASmallerWorkImage)
{
    TImage workImage;
    workImage.Picture()->Bitmap()->SetSize(3, 2);
    TDibGraphic picture;
    fill(picture, 5, 4, ifTrueColor, rgb(255, 0, 0));
    ConvertColorDepth(picture, workImage, ifColor16);

    ASSERT_EQ(picture.ImageFormat(), ifColor16);
    ASSERT_EQ(picture.GetWidth(), 5);
    ASSERT_EQ(picture.GetHeight(), 4);
    EXPECT_EQ(picture.XDpi(), 300);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.GetPixelIndex(x, y), x < 3 && y < 2 ? 4u : 0u) << x << ", " << y;

    TBitmap* work = workImage.Picture()->Bitmap();
    EXPECT_EQ(work->GetWidth(), 3);
    EXPECT_EQ(work->GetHeight(), 2);
    EXPECT_EQ(work->Surface()->rawPixel(2, 1) & 0xFFFFFF, rgb(255, 0, 0));
}

TEST(ColorDepthCommand, WorkImageWithoutABitmapLeavesThePicture)
{
    TImage workImage;
    workImage.Picture()->Icon(); // the holder now holds an (empty) icon
    TDibGraphic picture;
    fill(picture, 4, 3, ifTrueColor, rgb(1, 2, 3));
    QString message;
    try {
        ConvertColorDepth(picture, workImage, ifBlackWhite);
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "Can only modify an image if it contains a bitmap");
    EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture.GetPixelRGB(3, 2), rgb(1, 2, 3));
}
