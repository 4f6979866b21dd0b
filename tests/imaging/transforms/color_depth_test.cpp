#include "imaging/transforms/color_depth.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "test_pictures.h"

using namespace test_pictures;

namespace {

const uint32_t sampleColors[] = {rgb(255, 0, 0), rgb(128, 128, 128), rgb(127, 127, 127), 0xFFFFFF, 0x000000, rgb(85, 0, 0)};

// The work image as it is after the picture was drawn into it: a 24-bit surface.
std::unique_ptr<gdi::DibSurface> surfaceOf(const std::vector<uint32_t>& colors, int width, int height)
{
    auto surface = std::make_unique<gdi::DibSurface>(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            surface->setRawPixel(x, y, colors[(y * width + x) % colors.size()]);
    return surface;
}

} // namespace

TEST(ColorDepth, ConversionGivesTheNearestEntries)
{
    struct Case {
        TImageFormat format;
        std::vector<uint32_t> indexes; // for the six sample colours
    } const cases[] = {
        {ifBlackWhite, {0, 1, 0, 1, 0, 0}},
        // Greys 17 apart: red is nearest grey 85 (5); (85, 0, 0) nearest 34 (2).
        {ifGray16, {5, 8, 7, 15, 0, 2}},
        {ifGray256, {85, 128, 127, 255, 0, 28}},
        // (85, 0, 0) is as near black as (170, 0, 0): the lower index wins.
        {ifColor16, {4, 7, 8, 15, 0, 0}},
        // Greys 128 and 127 are nearest the grey entry 130 (25); (85, 0, 0) nearest (65, 0, 0).
        {ifColor256, {40, 25, 25, 15, 0, 184}},
    };
    const std::vector<uint32_t> colors(std::begin(sampleColors), std::end(sampleColors));
    const auto drawn = surfaceOf(colors, 6, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        TDibGraphic picture;
        fill(picture, 6, 1, ifTrueColor, 0);
        ConvertPictureFromSurface(picture, *drawn, c.format);
        ASSERT_EQ(picture.ImageFormat(), c.format);
        EXPECT_EQ(picture.XDpi(), 300);
        EXPECT_EQ(picture.YDpi(), 300);
        EXPECT_EQ(picture.LogPalette().palNumEntries, DefaultPalette(c.format)->palNumEntries);
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(picture.GetPixelIndex(x, 0), c.indexes[x]) << x;
    }
    TDibGraphic picture;
    fill(picture, 6, 1, ifGray16, 3);
    ConvertPictureFromSurface(picture, *drawn, ifTrueColor);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(picture.GetPixelRGB(x, 0), sampleColors[x]);
}

TEST(ColorDepth, SixteenColoursAndBackShowOnlyTableColours)
{
    std::vector<uint32_t> colors;
    for (int i = 0; i < 97; ++i)
        colors.push_back(rgb(i * 37 % 256, i * 91 % 256, i * 13 % 256));
    const auto drawn = surfaceOf(colors, 20, 10);
    TDibGraphic picture;
    fill(picture, 20, 10, ifTrueColor, 0);
    ConvertPictureFromSurface(picture, *drawn, ifColor16);
    gdi::DibSurface again(20, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            again.setRawPixel(x, y, picture.GetPixelRGB(x, y));
    ConvertPictureFromSurface(picture, again, ifTrueColor);
    const TLogPalette& sixteen = *DefaultPalette(ifColor16);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const uint32_t c = picture.GetPixelRGB(x, y);
            bool inTable = false;
            for (int i = 0; i < 16; ++i) {
                const TPaletteEntry& e = sixteen.palPalEntry[i];
                inTable = inTable || c == rgb(e.peRed, e.peGreen, e.peBlue);
            }
            ASSERT_TRUE(inTable) << std::hex << c;
        }
}

TEST(ColorDepth, PartOutsideASmallerWorkImageIsBlack)
{
    const auto drawn = surfaceOf({0xFFFFFF}, 3, 2);
    for (TImageFormat format : {ifBlackWhite, ifColor256, ifTrueColor}) {
        TDibGraphic picture;
        fill(picture, 5, 4, ifTrueColor, 0x123456);
        ConvertPictureFromSurface(picture, *drawn, format);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(picture.GetPixelRGB(x, y), x < 3 && y < 2 ? 0xFFFFFFu : 0u) << x << ", " << y;
    }
}

TEST(ColorDepth, InversionOfEveryDepth)
{
    struct Case {
        TImageFormat format;
        uint32_t before, after; // index, or colour for true colour
        uint32_t shownAfter;
    } const cases[] = {
        {ifBlackWhite, 0, 1, 0xFFFFFF},
        {ifGray16, 4, 11, rgb(187, 187, 187)}, // grey 68 -> 255 - 68
        {ifGray256, 200, 55, rgb(55, 55, 55)},
        {ifColor16, 1, 14, rgb(255, 255, 85)}, // the mirrored entry, palette unchanged
        {ifColor256, 5, 250, 0},
        {ifTrueColor, rgb(10, 20, 30), rgb(245, 235, 225), rgb(245, 235, 225)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        TDibGraphic picture;
        fill(picture, 5, 3, c.format, c.before);
        const TLogPalette palette = picture.LogPalette();
        const std::vector<uint8_t> padding(picture.Bits(), picture.Bits() + picture.RowBytes() * 3);
        InvertPictureColors(picture);
        const bool indexed = c.format != ifTrueColor;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(indexed ? picture.GetPixelIndex(x, y) : picture.GetPixelRGB(x, y), c.after);
                EXPECT_EQ(picture.GetPixelRGB(x, y), c.shownAfter);
            }
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(picture.LogPalette().palPalEntry[i], palette.palPalEntry[i]);
        InvertPictureColors(picture);
        EXPECT_EQ(std::vector<uint8_t>(picture.Bits(), picture.Bits() + picture.RowBytes() * 3), padding)
            << "twice gives the picture back, padding untouched";
    }
}
