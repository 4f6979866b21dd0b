#include "imaging/commands/color_commands.h"

#include "bare_picture_host.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "../transforms/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace test_pictures;


TEST(ColorCommands, FormatCommandTakesASnapshotThenConverts)
{
    BarePictureHost host;
    host.workImage.Picture()->Bitmap()->SetSize(200, 100);
    fill(host.picture, 200, 100, ifTrueColor, rgb(250, 250, 250));
    ConvertColorDepthCommand(host, ifBlackWhite);

    EXPECT_EQ(host.log, "snapshot work-image modified redraw ");
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
    EXPECT_EQ(host.log, "work-image modified redraw ");
    EXPECT_EQ(host.picture.GetPixelIndex(4, 3), 12u);
    EXPECT_EQ(host.picture.GetPixelRGB(4, 3), rgb(255 - 51, 255 - 51, 255 - 51));
    InvertColorsCommand(host);
    EXPECT_EQ(host.picture.GetPixelIndex(0, 0), 3u);
}

// Conversions reduce against the fixed default palettes: back in 24 bits only their colours stay.
TEST(ColorCommands, SixteenColoursAndBackLeaveOnlyTheSixteenColourTable)
{
    BarePictureHost host;
    host.workImage.Picture()->Bitmap()->SetSize(16, 16);
    std::mt19937 random(7);
    randomPicture(host.picture, 16, 16, ifTrueColor, random);
    ConvertColorDepthCommand(host, ifColor16);
    ConvertColorDepthCommand(host, ifTrueColor);
    ASSERT_EQ(host.picture.ImageFormat(), ifTrueColor);
    const TLogPalette& table = *DefaultPalette(ifColor16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t c = host.picture.GetPixelRGB(x, y);
            bool inTable = false;
            for (int i = 0; i < table.palNumEntries; ++i) {
                const TPaletteEntry& e = table.palPalEntry[i];
                inTable |= c == rgb(e.peRed, e.peGreen, e.peBlue);
            }
            EXPECT_TRUE(inTable) << x << "," << y << " " << std::hex << c;
        }
}

TEST(ColorCommands, OwnPaletteIsReplacedByTheDefaultOne)
{
    BarePictureHost host;
    host.workImage.Picture()->Bitmap()->SetSize(4, 1);
    TLogPalette own{0x300, 256, {}};
    own.palPalEntry[1] = {250, 10, 10, 0};
    host.picture.NewImage(4, 1, ifColor256, &own, 72, 72);
    for (int x = 0; x < 4; ++x)
        host.picture.SetPixelIndex(x, 0, 1);
    ConvertColorDepthCommand(host, ifColor256);
    const TLogPalette& table = *DefaultPalette(ifColor256);
    EXPECT_TRUE(std::equal(table.palPalEntry, table.palPalEntry + 256, host.picture.LogPalette().palPalEntry));
    // (250, 10, 10) is not in the default table; its best match is.
    EXPECT_EQ(host.picture.GetPixelIndex(0, 0), TRgbToPaletteConverter::SearchPalette(table, rgb(250, 10, 10)));
    EXPECT_NE(host.picture.GetPixelRGB(0, 0), rgb(250, 10, 10));
}

// The conversion goes through the work image: what lies outside it comes back black. Afterwards
// the work image holds the converted picture, as the user sees it.
TEST(ColorCommands, SmallerWorkImageLeavesBlackAndTakesTheResult)
{
    BarePictureHost host;
    host.workImage.Picture()->Bitmap()->SetSize(3, 2);
    fill(host.picture, 5, 4, ifTrueColor, rgb(255, 255, 255));
    ConvertColorDepthCommand(host, ifGray256);
    EXPECT_EQ(host.picture.GetPixelRGB(2, 1), rgb(255, 255, 255));
    EXPECT_EQ(host.picture.GetPixelRGB(3, 1), 0u);
    EXPECT_EQ(host.picture.GetPixelRGB(0, 2), 0u);
    EXPECT_EQ(host.picture.GetPixelRGB(4, 3), 0u);

    host.workImage.Picture()->Bitmap()->SetSize(2, 1);
    fill(host.picture, 2, 1, ifTrueColor, rgb(200, 30, 30));
    ConvertColorDepthCommand(host, ifBlackWhite);
    ASSERT_EQ(host.picture.GetPixelRGB(0, 0), 0u);
    EXPECT_EQ(host.workImage.Canvas()->Pixels(0, 0), clBlack);
}
