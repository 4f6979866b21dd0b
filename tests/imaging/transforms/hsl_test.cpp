#include "imaging/transforms/hsl.h"
#include "imaging/transforms/saturation.h"

#include <gtest/gtest.h>

// Every 24-bit colour survives RGBToHSL and HSLToRGB unchanged, which is also why a saturation
// change of 0 (a cancelled dialog) leaves every colour as it was.
TEST(Hsl, RoundTripOfEveryColourIsExact)
{
    uint32_t firstBad = 0xFFFFFFFF, firstBadSaturation = 0xFFFFFFFF;
    for (uint32_t color = 0; color < (1u << 24); ++color) {
        const THsl hsl = RGBToHSL(color);
        if (HSLToRGB(hsl.H, hsl.S, hsl.L) != color && firstBad == 0xFFFFFFFF)
            firstBad = color;
        if (SaturatedColor(color, 0.0) != color && firstBadSaturation == 0xFFFFFFFF)
            firstBadSaturation = color;
    }
    EXPECT_EQ(firstBad, 0xFFFFFFFFu) << std::hex << firstBad;
    EXPECT_EQ(firstBadSaturation, 0xFFFFFFFFu) << std::hex << firstBadSaturation;
}

TEST(Hsl, KnownValues)
{
    // Pure red has hue 1.0, which counts as sextant 0.
    const THsl red = RGBToHSL(0xFF0000);
    EXPECT_DOUBLE_EQ(red.H, 1.0);
    EXPECT_DOUBLE_EQ(red.S, 1.0);
    EXPECT_DOUBLE_EQ(red.L, 0.5);
    EXPECT_EQ(HSLToRGB(red.H, red.S, red.L), 0xFF0000u);

    const THsl grey = RGBToHSL(0x808080);
    EXPECT_EQ(grey.H, -1.0);
    EXPECT_EQ(grey.S, 0.0);
    EXPECT_EQ(HSLToRGB(-1, 0.7, 128.0 / 255), 0x808080u);

    // The top byte of the argument is ignored.
    EXPECT_DOUBLE_EQ(RGBToHSL(0xAB00FF00).H, RGBToHSL(0x0000FF00).H);
}

TEST(Hsl, SaturationOfTheSlider)
{
    struct Case {
        uint32_t color;
        int slider;
        uint32_t expected;
    } const cases[] = {
        {0xC86432, 100, 0xD85F22},  // (200, 100, 50) -> (216, 95, 34)
        {0xC86432, -100, 0xB86942}, // -> (184, 105, 66)
        {0xFF0000, 100, 0xFF0000},  // saturation already 1
        {0x808080, 100, 0x808080},  // greys stay grey
        {0x303030, -100, 0x303030},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SaturatedColor(c.color, SaturationChange(c.slider)), c.expected)
            << std::hex << c.color << " at " << std::dec << c.slider;
}
