#include "imaging/commands/color_commands.h"

#include "imaging/picture_host.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "../transforms/test_pictures.h"

#include <gtest/gtest.h>

#include <string>

using namespace test_pictures;

namespace {

// A window's picture and work image without the window; the log shows what the command asked.
class BarePictureHost : public PictureHost {
public:
    BarePictureHost() { workImage.Picture()->Bitmap()->SetSize(1, 1); }

    TDibGraphic* Picture() override { return &picture; }
    TImage* WorkImage() override { return &workImage; }
    void SetModified() override { log += "modified "; }
    void TakeSnapshot() override { log += "snapshot "; }
    void Redraw() override { log += "redraw "; }

    TDibGraphic picture;
    TImage workImage;
    std::string log;
};

} // namespace

TEST(ColorCommands, FormatCommandTakesASnapshotThenConverts)
{
    BarePictureHost host;
    host.workImage.Picture()->Bitmap()->SetSize(200, 100);
    fill(host.picture, 200, 100, ifTrueColor, rgb(250, 250, 250));
    ConvertColorDepthCommand(host, ifBlackWhite);

    EXPECT_EQ(host.log, "snapshot modified redraw ");
    EXPECT_EQ(host.picture.ImageFormat(), ifBlackWhite);
    EXPECT_EQ(host.picture.GetWidth(), 200);
    EXPECT_EQ(host.picture.GetHeight(), 100);
    EXPECT_EQ(host.picture.XDpi(), 300);
    EXPECT_EQ(host.picture.YDpi(), 300);
    EXPECT_EQ(host.picture.GetPixelRGB(199, 99), rgb(255, 255, 255));
}

// The framework's error ends the command after its snapshot: the picture and Modified stay.
TEST(ColorCommands, WorkImageWithoutABitmapStopsAfterTheSnapshot)
{
    BarePictureHost host;
    host.workImage.Picture()->Icon();
    fill(host.picture, 4, 3, ifTrueColor, rgb(1, 2, 3));
    QString message;
    try {
        ConvertColorDepthCommand(host, ifGray16);
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "Can only modify an image if it contains a bitmap");
    EXPECT_EQ(host.log, "snapshot ");
    EXPECT_EQ(host.picture.ImageFormat(), ifTrueColor);
}

TEST(ColorCommands, InvertTakesNoSnapshotAndTwiceGivesThePictureBack)
{
    BarePictureHost host;
    fill(host.picture, 5, 4, ifGray16, 3);
    InvertColorsCommand(host);
    EXPECT_EQ(host.log, "modified redraw ");
    EXPECT_EQ(host.picture.GetPixelIndex(4, 3), 12u);
    EXPECT_EQ(host.picture.GetPixelRGB(4, 3), rgb(255 - 51, 255 - 51, 255 - 51));
    InvertColorsCommand(host);
    EXPECT_EQ(host.picture.GetPixelIndex(0, 0), 3u);
}
