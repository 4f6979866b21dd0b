#include "imaging/commands/effect_commands.h"

#include "bare_picture_host.h"
#include "imaging/commands/command_progress.h"
#include "platform/framework/brush.h"
#include "platform/framework/pen.h"
#include "../transforms/test_pictures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace test_pictures;

namespace {

// One row: a grey of 64, black, white and (200, 100, 50).
void sampleRow(TDibGraphic& picture)
{
    fill(picture, 4, 1, ifTrueColor, 0);
    picture.SetPixelRGB(0, 0, rgb(64, 64, 64));
    picture.SetPixelRGB(2, 0, rgb(255, 255, 255));
    picture.SetPixelRGB(3, 0, rgb(200, 100, 50));
}

// A picture's 0x00RRGGBB as the canvas's 0x00BBGGRR.
TColor asTColor(uint32_t c)
{
    return TColor(((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
}

} // namespace

TEST(EffectCommands, EachChangeIsOneUndoStepThatReachesTheWorkImage)
{
    const std::vector<std::pair<const char*, std::function<void(PictureHost&)>>> commands = {
        {"brightness", [](PictureHost& h) { BrightnessCommand(h, 30); }},
        {"contrast", [](PictureHost& h) { ContrastCommand(h, true); }},
        {"sharpen", [](PictureHost& h) { SharpenCommand(h, 50); }},
        {"smooth", [](PictureHost& h) { SmoothCommand(h, 50); }},
        {"saturation", [](PictureHost& h) { SaturationCommand(h, 100); }},
    };
    for (const auto& [name, command] : commands) {
        BarePictureHost host;
        host.workImage.Picture()->Bitmap()->SetSize(4, 4);
        fill(host.picture, 4, 4, ifTrueColor, rgb(200, 100, 50));
        command(host);
        EXPECT_EQ(host.log, "snapshot work-image modified redraw ") << name;
        EXPECT_EQ(host.workImage.Canvas()->Pixels(1, 1), asTColor(host.picture.GetPixelRGB(1, 1))) << name;
    }
}

TEST(EffectCommands, BrightnessAtZeroKeepsEveryPixelAndAtHundredMakesWhite)
{
    BarePictureHost host;
    std::mt19937 random(3);
    randomPicture(host.picture, 9, 7, ifTrueColor, random);
    TDibGraphic before;
    before.Assign(&host.picture);
    BrightnessCommand(host, 0);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(host.picture.GetPixelRGB(x, y), before.GetPixelRGB(x, y)) << x << "," << y;
    BrightnessCommand(host, 100);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(host.picture.GetPixelRGB(x, y), rgb(255, 255, 255)) << x << "," << y;
}

TEST(EffectCommands, ContrastSpreadsOrGathersGreysAndKeepsBlackAndWhite)
{
    BarePictureHost more, less;
    sampleRow(more.picture);
    sampleRow(less.picture);
    ContrastCommand(more, true);
    ContrastCommand(less, false);
    EXPECT_EQ(more.picture.GetPixelRGB(0, 0), rgb(51, 51, 51));
    const uint32_t gathered = less.picture.GetPixelRGB(0, 0) & 0xFF;
    EXPECT_GT(gathered, 64u);
    EXPECT_LT(gathered, 128u);
    for (BarePictureHost* host : {&more, &less}) {
        EXPECT_EQ(host->picture.GetPixelRGB(1, 0), 0u);
        EXPECT_EQ(host->picture.GetPixelRGB(2, 0), rgb(255, 255, 255));
    }
}

TEST(EffectCommands, SharpeningA256ColourPictureGivesTrueColourWithItsBorderKept)
{
    BarePictureHost host;
    std::mt19937 random(11);
    randomPicture(host.picture, 6, 5, ifColor256, random, true);
    TDibGraphic before;
    before.Assign(&host.picture);
    SharpenCommand(host, 40);
    ASSERT_EQ(host.picture.ImageFormat(), ifTrueColor);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            if (x == 0 || y == 0 || x == 5 || y == 4) {
                EXPECT_EQ(host.picture.GetPixelRGB(x, y), before.GetPixelRGB(x, y)) << x << "," << y;
            }
        }
}

TEST(EffectCommands, SaturationMovesOnlyColoursThatCanMove)
{
    struct Case {
        uint32_t colour;
        int position;
        uint32_t expected;
    };
    const Case cases[] = {
        {rgb(200, 100, 50), 100, rgb(216, 95, 34)},
        {rgb(200, 100, 50), -100, rgb(184, 105, 66)},
        {rgb(200, 100, 50), 0, rgb(200, 100, 50)},
        {rgb(255, 0, 0), 100, rgb(255, 0, 0)},
        {rgb(128, 128, 128), 100, rgb(128, 128, 128)},
        {rgb(128, 128, 128), -100, rgb(128, 128, 128)},
        {rgb(0, 0, 0), 100, rgb(0, 0, 0)},
    };
    for (const Case& c : cases) {
        BarePictureHost host;
        fill(host.picture, 2, 2, ifTrueColor, c.colour);
        SaturationCommand(host, c.position);
        EXPECT_EQ(host.picture.GetPixelRGB(1, 1), c.expected) << std::hex << c.colour << " at " << std::dec << c.position;
    }
}

// The user's pen and brush stay through an effect that hands the picture a new image.
TEST(EffectCommands, PenAndBrushSurviveTheEffects)
{
    BarePictureHost host;
    fill(host.picture, 5, 5, ifColor16, 3);
    TCanvas& canvas = *host.picture.Canvas();
    canvas.Pen()->SetColor(clRed);
    canvas.Brush()->SetColor(clBlue);
    TBitmap texture;
    texture.SetSize(2, 2);
    canvas.Brush()->SetBitmap(&texture);
    SmoothCommand(host, 10);
    SaturationCommand(host, 50);
    ASSERT_EQ(host.picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(host.picture.Canvas()->Pen()->Color(), clRed);
    EXPECT_EQ(host.picture.Canvas()->Brush()->Color(), clBlue);
    ASSERT_NE(host.picture.Canvas()->Brush()->Bitmap(), nullptr);
    EXPECT_EQ(host.picture.Canvas()->Brush()->Bitmap()->Width(), 2);
}

TEST(EffectCommands, BigPicturesShowProgressFromStartToEndAndSmallOnesNone)
{
    BarePictureHost big;
    fill(big.picture, 1024, CommandProgress::MinimumPixels / 1024, ifTrueColor, rgb(10, 20, 30));
    BrightnessCommand(big, 10);
    ASSERT_GE(big.progress.size(), 3u);
    EXPECT_EQ(big.progress.front(), 0);
    EXPECT_EQ(big.progress[big.progress.size() - 2], 100);
    EXPECT_EQ(big.progress.back(), -1);
    EXPECT_TRUE(std::is_sorted(big.progress.begin(), big.progress.end() - 1));

    BarePictureHost small;
    fill(small.picture, 100, 100, ifTrueColor, rgb(10, 20, 30));
    BrightnessCommand(small, 10);
    EXPECT_TRUE(small.progress.empty());
}

TEST(EffectCommands, TextureBecomesTheBrushWithoutTouchingThePicture)
{
    QTemporaryDir dir;
    TBitmap photo;
    photo.SetSize(3, 2);
    photo.Canvas()->SetPixels(2, 1, TColor(0x123456));
    const QString path = dir.filePath(QStringLiteral("photo.bmp"));
    photo.SaveToFile(path);

    BarePictureHost host;
    fill(host.picture, 4, 4, ifTrueColor, rgb(1, 2, 3));
    TextureCommand(host, path);
    EXPECT_EQ(host.log, "");
    const TBitmap* brush = host.picture.Canvas()->Brush()->Bitmap();
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(brush->Width(), 3);
    EXPECT_EQ(const_cast<TBitmap*>(brush)->Canvas()->Pixels(2, 1), TColor(0x123456));
    EXPECT_EQ(host.picture.GetPixelRGB(3, 3), rgb(1, 2, 3));
}

TEST(EffectCommands, PixelReadOnlyRedraws)
{
    BarePictureHost host;
    fill(host.picture, 4, 3, ifColor16, 5);
    EXPECT_TRUE(PixelReadCommand(host));
    EXPECT_EQ(host.log, "redraw ");
    EXPECT_EQ(host.picture.GetPixelIndex(3, 2), 5u);
}
