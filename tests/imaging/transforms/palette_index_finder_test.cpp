#include "imaging/transforms/palette_index_finder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

void expectSameAsLinearSearch(const TLogPalette& palette, std::mt19937& random, int colours)
{
    PaletteIndexFinder finder(palette);
    for (int i = 0; i < colours; ++i) {
        const uint32_t color = random();
        ASSERT_EQ(finder.nearestIndex(color), TRgbToPaletteConverter::SearchPalette(palette, color & 0xFFFFFF))
            << std::hex << color;
    }
}

} // namespace

TEST(PaletteIndexFinder, DefaultPalettesAnswerLikeTheLinearSearch)
{
    std::mt19937 random(1);
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256}) {
        SCOPED_TRACE(int(format));
        const TLogPalette& palette = *DefaultPalette(format);
        expectSameAsLinearSearch(palette, random, 20000);
        // A coarse lattice of the whole cube, including every cell's corners.
        PaletteIndexFinder finder(palette);
        for (int r = 0; r < 256; r += 15)
            for (int g = 0; g < 256; g += 15)
                for (int b = 0; b < 256; b += 15) {
                    const uint32_t color = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
                    ASSERT_EQ(finder.nearestIndex(color), TRgbToPaletteConverter::SearchPalette(palette, color))
                        << std::hex << color;
                }
    }
}

TEST(PaletteIndexFinder, TiesDuplicatesAndOddPalettes)
{
    std::mt19937 random(7);
    for (int entries : {1, 2, 3, 17, 255, 256}) {
        SCOPED_TRACE(entries);
        TLogPalette palette{};
        palette.palVersion = 0x300;
        palette.palNumEntries = static_cast<uint16_t>(entries);
        // Few distinct levels make many equal distances and duplicate entries.
        for (int i = 0; i < entries; ++i)
            palette.palPalEntry[i] = {uint8_t(85 * (random() % 4)), uint8_t(85 * (random() % 4)),
                                      uint8_t(85 * (random() % 4)), 0};
        expectSameAsLinearSearch(palette, random, 10000);
    }
    // (85, 0, 0) lies as far from entry 0 as from entry 4 of the 16 colours: the lower wins.
    PaletteIndexFinder sixteen(*DefaultPalette(ifColor16));
    EXPECT_EQ(sixteen.nearestIndex(0x550000), 0);
    EXPECT_EQ(sixteen.nearestIndex(0x808080), 7);
    EXPECT_EQ(sixteen.nearestIndex(0x7F7F7F), 8);

    TLogPalette empty{};
    EXPECT_EQ(PaletteIndexFinder(empty).nearestIndex(0x123456), 0);
}
