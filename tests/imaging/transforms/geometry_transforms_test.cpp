// Mirrors, quarter turns and turns by any angle. Mirrors and quarter turns only move pixels, so
// they must give back the same picture when repeated, on every pixel format and palette; a turn
// by any angle is held against a plain double-precision bilinear turn written here.

#include "imaging/transforms/orientation_transform.h"
#include "imaging/transforms/rotate_transform.h"
#include "imaging/transforms/row_workers.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

using namespace test_pictures;

void orient(TDibGraphic& picture, TOrientation orientation, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        TOrientationTransform transform;
        transform.Orientation = orientation;
        transform.Apply(picture);
    }
}

void expectSamePicture(const TDibGraphic& expected, const TDibGraphic& actual, const std::string& what)
{
    QString where;
    EXPECT_TRUE(samePixels(expected, actual, &where)) << what << ": " << where.toStdString();
    EXPECT_EQ(expected.LogPalette().palNumEntries, actual.LogPalette().palNumEntries) << what;
    for (int i = 0; i < expected.LogPalette().palNumEntries; ++i)
        EXPECT_EQ(expected.LogPalette().palPalEntry[i], actual.LogPalette().palPalEntry[i]) << what;
}

// Runs the two-worker paths on small pictures too.
class TwoWorkers {
public:
    TwoWorkers() : previous_(row_workers::parallelWorkThreshold()) { row_workers::setParallelWorkThreshold(1); }
    ~TwoWorkers() { row_workers::setParallelWorkThreshold(previous_); }

private:
    int64_t previous_;
};

} // namespace

TEST(OrientationTransform, RepeatedMirrorsAndTurnsGiveBackThePictureOnEveryFormat)
{
    struct Round {
        const char* name;
        std::vector<std::pair<TOrientation, int>> steps;
    };
    const Round rounds[] = {
        {"flip left-right twice", {{orFlipHorizontal, 2}}},
        {"flip top-bottom twice", {{orFlipVertical, 2}}},
        {"clockwise four times", {{orRotateClockwise, 4}}},
        {"counter-clockwise four times", {{orRotateCounterClockwise, 4}}},
        {"half turn twice", {{orRotate180, 2}}},
        {"clockwise then counter-clockwise", {{orRotateClockwise, 1}, {orRotateCounterClockwise, 1}}},
        {"both mirrors then a half turn", {{orFlipHorizontal, 1}, {orFlipVertical, 1}, {orRotate180, 1}}},
    };
    TwoWorkers twoWorkers;
    std::mt19937 random(7);
    // Odd sizes put pixels of the packed formats on every bit position and leave a middle row.
    for (const TImageFormat format : allFormats) {
        // 8 wide: true-colour rows without padding, so no read or write may stray past a row.
        for (const auto& [width, height] : {std::pair{13, 7}, std::pair{1, 9}, std::pair{33, 2}, std::pair{8, 5}}) {
            TDibGraphic original;
            randomPicture(original, width, height, format, random, true);
            for (const Round& round : rounds) {
                TDibGraphic picture;
                picture.AssignPicture(&original);
                for (const auto& [orientation, times] : round.steps)
                    orient(picture, orientation, times);
                const std::string what = std::string(round.name) + ", " + ImageFormatName(format).toStdString() +
                    " " + std::to_string(width) + "x" + std::to_string(height);
                EXPECT_EQ(picture.ImageFormat(), format) << what;
                expectSamePicture(original, picture, what);
            }
        }
    }
}

TEST(OrientationTransform, MovesEachPixelWhereTheTurnPutsIt)
{
    TwoWorkers twoWorkers;
    std::mt19937 random(11);
    for (const TImageFormat format : allFormats) {
        TDibGraphic original;
        randomPicture(original, 5, 3, format, random, true);
        original.SetXDpi(96);
        original.SetYDpi(200);
        const bool indexed = format != ifTrueColor;
        auto at = [indexed](const TDibGraphic& p, int x, int y) {
            return indexed ? p.GetPixelIndex(x, y) : p.GetPixelRGB(x, y);
        };
        const std::string name = ImageFormatName(format).toStdString();
        TDibGraphic turned;
        turned.AssignPicture(&original);
        orient(turned, orRotateClockwise);
        ASSERT_EQ(turned.GetWidth(), 3) << name;
        ASSERT_EQ(turned.GetHeight(), 5) << name;
        EXPECT_EQ(turned.XDpi(), 200) << name;
        EXPECT_EQ(turned.YDpi(), 96) << name;
        // Clockwise, the bottom-left corner comes to the top-left.
        EXPECT_EQ(at(turned, 0, 0), at(original, 0, 2)) << name;
        EXPECT_EQ(at(turned, 2, 0), at(original, 0, 0)) << name;
        EXPECT_EQ(at(turned, 2, 4), at(original, 4, 0)) << name;
        TDibGraphic mirrored;
        mirrored.AssignPicture(&original);
        orient(mirrored, orFlipHorizontal);
        EXPECT_EQ(at(mirrored, 0, 1), at(original, 4, 1)) << name;
        EXPECT_EQ(at(mirrored, 2, 1), at(original, 2, 1)) << name;
        mirrored.AssignPicture(&original);
        orient(mirrored, orFlipVertical);
        EXPECT_EQ(at(mirrored, 1, 0), at(original, 1, 2)) << name;
        mirrored.AssignPicture(&original);
        orient(mirrored, orRotate180);
        EXPECT_EQ(at(mirrored, 0, 0), at(original, 4, 2)) << name;
    }
}

namespace {

// The turn as its definition reads: the centre of every target pixel turned back about the
// centres of both pictures, sampled bilinearly with the background outside the picture.
std::vector<double> referenceTurn(const TDibGraphic& source, double degrees, uint32_t background, int width, int height)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    auto channel = [&](int x, int y, int shift) -> double {
        const uint32_t c = (x < 0 || y < 0 || x >= w || y >= h) ? background : source.GetPixelRGB(x, y);
        return (c >> shift) & 0xFF;
    };
    std::vector<double> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - width / 2.0;
            const double dy = y + 0.5 - height / 2.0;
            const double sx = std::cos(a) * dx + std::sin(a) * dy + w / 2.0 - 0.5;
            const double sy = -std::sin(a) * dx + std::cos(a) * dy + h / 2.0 - 0.5;
            const int x0 = static_cast<int>(std::floor(sx));
            const int y0 = static_cast<int>(std::floor(sy));
            const double fx = sx - x0;
            const double fy = sy - y0;
            for (int shift : {16, 8, 0}) {
                const double top = channel(x0, y0, shift) * (1 - fx) + channel(x0 + 1, y0, shift) * fx;
                const double bottom = channel(x0, y0 + 1, shift) * (1 - fx) + channel(x0 + 1, y0 + 1, shift) * fx;
                out.push_back(top * (1 - fy) + bottom * fy);
            }
        }
    return out;
}

} // namespace

TEST(RotateTransform, AgreesWithAPlainBilinearTurnWithinOneLevel)
{
    struct Case {
        const char* name;
        TImageFormat format;
        int width, height;
        double degrees;
        int turnedWidth, turnedHeight;
    };
    const Case cases[] = {
        {"17 degrees, true colour", ifTrueColor, 40, 30, 17.0, 48, 41},
        {"-33.5 degrees, 256 colours", ifColor256, 31, 20, -33.5, 37, 34},
        {"123 degrees, 16 greys", ifGray16, 25, 12, 123.0, 24, 28},
        {"-271 degrees, black and white", ifBlackWhite, 17, 9, -271.0, 10, 18},
    };
    TwoWorkers twoWorkers;
    std::mt19937 random(3);
    for (const Case& c : cases) {
        TDibGraphic source;
        randomPicture(source, c.width, c.height, c.format, random, true);
        TRotateTransform transform;
        transform.Angle = c.degrees;
        transform.Background = 0x2050F0;
        TDibGraphic turned;
        transform.ApplyOnDest(source, turned);
        ASSERT_EQ(turned.ImageFormat(), ifTrueColor) << c.name;
        ASSERT_EQ(turned.GetWidth(), c.turnedWidth) << c.name;
        ASSERT_EQ(turned.GetHeight(), c.turnedHeight) << c.name;
        const std::vector<double> expected =
            referenceTurn(source, c.degrees, transform.Background, c.turnedWidth, c.turnedHeight);
        size_t i = 0;
        for (int y = 0; y < turned.GetHeight(); ++y)
            for (int x = 0; x < turned.GetWidth(); ++x) {
                const uint32_t got = turned.GetPixelRGB(x, y);
                for (int shift : {16, 8, 0})
                    ASSERT_NEAR(static_cast<double>((got >> shift) & 0xFF), expected[i++], 1.0)
                        << c.name << " at " << x << "," << y;
            }
        // Well away from a quarter turn, the corners lie outside the turned picture.
        const double offQuarter = std::fmod(std::abs(c.degrees), 90.0);
        if (offQuarter > 10 && offQuarter < 80) {
            EXPECT_EQ(turned.GetPixelRGB(0, 0), 0x2050F0u) << c.name;
        }
    }
}

TEST(RotateTransform, AQuarterTurnLandsWhereTheExactTurnPutsEveryPixel)
{
    std::mt19937 random(5);
    TDibGraphic source;
    randomPicture(source, 9, 6, ifTrueColor, random);
    TDibGraphic exact;
    exact.AssignPicture(&source);
    orient(exact, orRotateClockwise);
    TRotateTransform transform;
    transform.Angle = 90.0;
    TDibGraphic sampled;
    transform.ApplyOnDest(source, sampled);
    ASSERT_EQ(sampled.GetWidth(), exact.GetWidth());
    ASSERT_EQ(sampled.GetHeight(), exact.GetHeight());
    for (int y = 0; y < exact.GetHeight(); ++y)
        for (int x = 0; x < exact.GetWidth(); ++x)
            for (int shift : {16, 8, 0})
                ASSERT_NEAR((sampled.GetPixelRGB(x, y) >> shift) & 0xFF, (exact.GetPixelRGB(x, y) >> shift) & 0xFF, 1)
                    << x << "," << y;
}
