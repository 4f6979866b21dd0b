// The reader over every layout it handles itself or hands to libtiff's RGBA interface: each
// case is a small file made with libtiff and the colour every pixel must come out as.
#include "tiff_fixture.h"

#include "imaging/formats/tiff_graphic.h"
#include "imaging/formats/tiff_reader.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdlib>

namespace {

struct LayoutCase {
    const char* name;
    TiffFixture file;
    TImageFormat format;
    std::function<uint32_t(uint32_t x, uint32_t y)> expected; // 0xRRGGBB
    int tolerance = 0;
};

uint32_t grey(uint32_t v)
{
    return v << 16 | v << 8 | v;
}

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return r << 16 | g << 8 | b;
}

// Distinct, position-dependent sample values.
uint32_t level(uint32_t x, uint32_t y, uint32_t s)
{
    return (x * 37 + y * 11 + s * 71) & 0xFF;
}

// What the inks of level() leave of white, to the nearest level.
uint32_t cmykOverWhite(uint32_t x, uint32_t y)
{
    const uint32_t k = 255 - level(x, y, 3);
    const auto channel = [k](uint32_t ink) { return (k * (255 - ink) + 127) / 255; };
    return rgb(channel(level(x, y, 0)), channel(level(x, y, 1)), channel(level(x, y, 2)));
}

// Sixteen-bit inks that use every bit, so any cut to eight bits before the product shows.
uint32_t deepInk(uint32_t x, uint32_t y, uint32_t s)
{
    return (x * 40503 + y * 9973 + s * 21011 + x * y * 313) & 0xFFFF;
}

// The exact light that 16-bit inks leave, rounded once to the nearest 8-bit level.
std::function<uint32_t(uint32_t, uint32_t)> cmyk16OverWhite(uint32_t (*ink)(uint32_t, uint32_t, uint32_t))
{
    return [ink](uint32_t x, uint32_t y) {
        const double light = (65535.0 - ink(x, y, 3)) / 65535.0;
        const auto channel = [&](uint32_t s) {
            return static_cast<uint32_t>(std::lround(light * (65535.0 - ink(x, y, s)) / 65535.0 * 255.0));
        };
        return rgb(channel(0), channel(1), channel(2));
    };
}

uint32_t levelWithLowByte(uint32_t x, uint32_t y, uint32_t s)
{
    return level(x, y, s) << 8 | 0xFF;
}

TiffFixture file(uint16_t bits, uint16_t samples, uint16_t photometric, uint16_t compression,
                 std::function<uint32_t(uint32_t, uint32_t, uint32_t)> sample)
{
    TiffFixture f;
    f.bitsPerSample = bits;
    f.samplesPerPixel = samples;
    f.photometric = photometric;
    f.compression = compression;
    f.sample = std::move(sample);
    return f;
}

TiffFixture tiled(TiffFixture f)
{
    f.tileSize = 16;
    return f;
}

TiffFixture withPalette(TiffFixture f)
{
    const size_t n = size_t{1} << f.bitsPerSample;
    for (size_t i = 0; i < n; ++i) {
        f.red.push_back(static_cast<uint16_t>((i * 53 % 256) * 257));
        f.green.push_back(static_cast<uint16_t>((i * 101 % 256) * 257));
        f.blue.push_back(static_cast<uint16_t>((255 - i % 256) * 257));
    }
    return f;
}

uint32_t paletteColour(uint32_t i)
{
    return rgb(i * 53 % 256, i * 101 % 256, 255 - i % 256);
}

uint32_t unassociatedOverWhite(uint32_t c, uint32_t a)
{
    return (c * a + 255 * (255 - a) + 127) / 255;
}

std::vector<LayoutCase> layoutCases()
{
    std::vector<LayoutCase> cases;
    const auto bit = [](uint32_t x, uint32_t y, uint32_t) { return (x * 3 + y) % 5 < 2 ? 1u : 0u; };
    cases.push_back({"Grey1MinIsWhiteG4", file(1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, bit),
                     ifBlackWhite, [bit](uint32_t x, uint32_t y) { return bit(x, y, 0) ? 0u : 0xFFFFFFu; }});
    cases.push_back({"Grey1MinIsBlackG3", file(1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_CCITTFAX3, bit),
                     ifBlackWhite, [bit](uint32_t x, uint32_t y) { return bit(x, y, 0) ? 0xFFFFFFu : 0u; }});
    cases.push_back({"Grey1TiledWide", tiled([bit] {
                         TiffFixture f = file(1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, bit);
                         f.width = 37;
                         return f;
                     }()),
                     ifBlackWhite, [bit](uint32_t x, uint32_t y) { return bit(x, y, 0) ? 0xFFFFFFu : 0u; }});
    cases.push_back({"Grey2MinIsBlack", file(2, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, level), ifGray16,
                     [](uint32_t x, uint32_t y) { return grey((level(x, y, 0) & 3) * 85); }});
    cases.push_back({"Grey4MinIsWhiteLzw", file(4, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_LZW, level), ifGray16,
                     [](uint32_t x, uint32_t y) { return grey((15 - (level(x, y, 0) & 15)) * 17); }});
    cases.push_back({"Grey8MinIsBlackPackBits", file(8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS, level),
                     ifGray256, [](uint32_t x, uint32_t y) { return grey(level(x, y, 0)); }});
    cases.push_back({"Grey8MinIsWhiteTiled", tiled(file(8, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_DEFLATE, level)),
                     ifGray256, [](uint32_t x, uint32_t y) { return grey(255 - level(x, y, 0)); }});
    cases.push_back({"Grey16Deflate",
                     file(16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE,
                          [](uint32_t x, uint32_t y, uint32_t s) { return level(x, y, s) << 8 | 0x7F; }),
                     ifGray256, [](uint32_t x, uint32_t y) { return grey(level(x, y, 0)); }});
    cases.push_back({"Grey8UnassociatedAlpha", [] {
                         TiffFixture f = file(8, 2, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, level);
                         f.extraSamples = {EXTRASAMPLE_UNASSALPHA};
                         return f;
                     }(),
                     ifGray256,
                     [](uint32_t x, uint32_t y) { return grey(unassociatedOverWhite(level(x, y, 0), level(x, y, 1))); }});
    cases.push_back({"Palette1", withPalette(file(1, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, bit)), ifColor16,
                     [bit](uint32_t x, uint32_t y) { return paletteColour(bit(x, y, 0)); }});
    cases.push_back({"Palette2", withPalette(file(2, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, level)), ifColor16,
                     [](uint32_t x, uint32_t y) { return paletteColour(level(x, y, 0) & 3); }});
    cases.push_back({"Palette4", withPalette(file(4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, level)), ifColor16,
                     [](uint32_t x, uint32_t y) { return paletteColour(level(x, y, 0) & 15); }});
    cases.push_back({"Palette8Tiled", tiled(withPalette(file(8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, level))),
                     ifColor256, [](uint32_t x, uint32_t y) { return paletteColour(level(x, y, 0)); }});
    cases.push_back({"Rgb8PackBits", file(8, 3, PHOTOMETRIC_RGB, COMPRESSION_PACKBITS, level), ifTrueColor,
                     [](uint32_t x, uint32_t y) { return rgb(level(x, y, 0), level(x, y, 1), level(x, y, 2)); }});
    cases.push_back({"Rgb8Tiled", tiled(file(8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW, level)), ifTrueColor,
                     [](uint32_t x, uint32_t y) { return rgb(level(x, y, 0), level(x, y, 1), level(x, y, 2)); }});
    cases.push_back({"Rgb16",
                     file(16, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE,
                          [](uint32_t x, uint32_t y, uint32_t s) { return level(x, y, s) << 8 | 0xFF; }),
                     ifTrueColor,
                     [](uint32_t x, uint32_t y) { return rgb(level(x, y, 0), level(x, y, 1), level(x, y, 2)); }});
    cases.push_back({"Rgba8Unassociated", [] {
                         TiffFixture f = file(8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, level);
                         f.extraSamples = {EXTRASAMPLE_UNASSALPHA};
                         return f;
                     }(),
                     ifTrueColor, [](uint32_t x, uint32_t y) {
                         const uint32_t a = level(x, y, 3);
                         return rgb(unassociatedOverWhite(level(x, y, 0), a), unassociatedOverWhite(level(x, y, 1), a),
                                    unassociatedOverWhite(level(x, y, 2), a));
                     }});
    cases.push_back({"Rgba8Associated", [] {
                         // Premultiplied colours never exceed their alpha.
                         TiffFixture f = file(8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, [](uint32_t x, uint32_t y, uint32_t s) {
                             return s == 3 ? 200u : level(x, y, s) * 200 / 255;
                         });
                         f.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
                         return f;
                     }(),
                     ifTrueColor, [](uint32_t x, uint32_t y) {
                         return rgb(level(x, y, 0) * 200 / 255 + 55, level(x, y, 1) * 200 / 255 + 55,
                                    level(x, y, 2) * 200 / 255 + 55);
                     }});
    cases.push_back({"RgbPlanarSeparate", [] {
                         TiffFixture f = file(8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, level);
                         f.planar = PLANARCONFIG_SEPARATE;
                         return f;
                     }(),
                     ifTrueColor,
                     [](uint32_t x, uint32_t y) { return rgb(level(x, y, 0), level(x, y, 1), level(x, y, 2)); }});
    cases.push_back({"RgbBottomUp", [] {
                         TiffFixture f = file(8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, level);
                         f.orientation = ORIENTATION_BOTLEFT;
                         return f;
                     }(),
                     ifTrueColor, [](uint32_t x, uint32_t y) {
                         const uint32_t fy = 12 - y;
                         return rgb(level(x, fy, 0), level(x, fy, 1), level(x, fy, 2));
                     }});
    cases.push_back({"Cmyk8", file(8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE, level), ifTrueColor,
                     cmykOverWhite});
    cases.push_back({"Cmyk16", file(16, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE, levelWithLowByte),
                     ifTrueColor, cmyk16OverWhite(levelWithLowByte)});
    cases.push_back({"Cmyk16RoundedOnce", file(16, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE, deepInk),
                     ifTrueColor, cmyk16OverWhite(deepInk)});
    cases.push_back({"Cmyk8TiledInBands", tiled([] {
                         TiffFixture f = file(8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_LZW, level);
                         f.width = 37;
                         f.height = 40;
                         return f;
                     }()),
                     ifTrueColor,
                     cmykOverWhite});
    cases.push_back({"YCbCrJpeg", [] {
                         TiffFixture f = file(8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG,
                                              [](uint32_t x, uint32_t y, uint32_t s) { return 40 + x * 4 + y * 3 + s * 30; });
                         f.rowsPerStrip = 16;
                         return f;
                     }(),
                     ifTrueColor, [](uint32_t x, uint32_t y) {
                         return rgb(40 + x * 4 + y * 3, 70 + x * 4 + y * 3, 100 + x * 4 + y * 3);
                     },
                     12});
    return cases;
}

void expectEveryPixel(const LayoutCase& c)
{
    TTiffGraphic picture;
    readTiff(picture, makeTiff(c.file));
    ASSERT_EQ(picture.GetWidth(), static_cast<int>(c.file.width));
    ASSERT_EQ(picture.GetHeight(), static_cast<int>(c.file.height));
    ASSERT_EQ(picture.ImageFormat(), c.format);
    int wrong = 0;
    for (uint32_t y = 0; y < c.file.height; ++y)
        for (uint32_t x = 0; x < c.file.width; ++x) {
            const uint32_t got = picture.GetPixelRGB(static_cast<int>(x), static_cast<int>(y));
            const uint32_t want = c.expected(x, y);
            for (int shift : {0, 8, 16}) {
                const int diff = std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF));
                if (diff > c.tolerance && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << ", expected " << want;
            }
        }
    EXPECT_EQ(wrong, 0);
}

class TiffLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TiffLayoutTest, ReadsEveryPixel)
{
    expectEveryPixel(GetParam());
}

// The same files with every picture large enough for the second thread, which then decodes
// strips or bands of tiles of its own through a second handle.
class TiffLayoutTwoThreadTest : public TiffLayoutTest {
protected:
    void SetUp() override { TiffReader::setParallelPixels(1); }
    void TearDown() override { TiffReader::setParallelPixels(kDefaultParallelPixels); }
    static constexpr uint64_t kDefaultParallelPixels = 1'000'000;
};

TEST_P(TiffLayoutTwoThreadTest, ReadsEveryPixel)
{
    expectEveryPixel(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffLayoutTwoThreadTest, ::testing::ValuesIn(layoutCases()),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Layouts, TiffLayoutTest, ::testing::ValuesIn(layoutCases()),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(TiffReaderTest, ResolutionBecomesDotsPerInch)
{
    struct Case {
        uint16_t unit;
        float x, y;
        uint16_t xDpi, yDpi;
    };
    // 100 dots per cm is 254 dpi; without a unit the resolution means nothing (screen's: 96).
    for (const Case& c : {Case{RESUNIT_INCH, 150, 75, 150, 75}, Case{RESUNIT_CENTIMETER, 100, 40, 254, 102},
                          Case{RESUNIT_NONE, 300, 300, 96, 96}, Case{RESUNIT_INCH, 1e9f, 0.25f, 96, 96}}) {
        TiffFixture f = file(8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, level);
        f.resolutionUnit = c.unit;
        f.xResolution = c.x;
        f.yResolution = c.y;
        TTiffGraphic picture;
        readTiff(picture, makeTiff(f));
        EXPECT_EQ(picture.XDpi(), c.xDpi) << c.unit << " " << c.x;
        EXPECT_EQ(picture.YDpi(), c.yDpi) << c.unit << " " << c.y;
    }
}

} // namespace
