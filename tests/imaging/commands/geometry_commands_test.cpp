// The "&Изображение" commands over a bare picture: one undo step that keeps the size, the work
// image at the new size, and results held against plain definitions written here.

#include "imaging/commands/geometry_commands.h"

#include "bare_picture_host.h"
#include "platform/framework/brush.h"
#include "platform/framework/pen.h"
#include "../transforms/test_pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

using namespace test_pictures;

namespace {

// A picture's 0x00RRGGBB as the canvas's 0x00BBGGRR.
TColor asTColor(uint32_t c)
{
    return TColor(((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
}

// Resampling as the filter table defines it, in double precision: contributors mirrored at
// the edges, weights not normalised, each pass rounded and limited to 0..255.
double lanczos3(double x)
{
    auto sinc = [](double t) { return t == 0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t); };
    return std::abs(x) < 3 ? sinc(x) * sinc(x / 3) : 0.0;
}

std::vector<std::vector<std::pair<int, double>>> contributors(int target, int source)
{
    const double scale = source == 1 ? double(target) / source : double(target - 1) / (source - 1);
    std::vector<std::vector<std::pair<int, double>>> all(static_cast<size_t>(target));
    for (int i = 0; i < target; ++i) {
        const double c = i / scale;
        const double reach = scale >= 1 ? 3.0 : 3.0 / scale;
        for (int j = static_cast<int>(std::floor(c - reach)); j <= static_cast<int>(std::ceil(c + reach)); ++j) {
            const double weight = scale >= 1 ? lanczos3(c - j) : lanczos3((c - j) * scale) * scale;
            int n = j < 0 ? -j : (j >= source ? 2 * source - 1 - j : j);
            if (weight != 0 && n >= 0 && n < source)
                all[static_cast<size_t>(i)].push_back({n, weight});
        }
    }
    return all;
}

uint8_t limit(double v)
{
    return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

std::vector<uint32_t> referenceScale(const TDibGraphic& source, int width, int height)
{
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const auto columns = contributors(width, w);
    const auto rows = contributors(height, h);
    std::vector<uint32_t> across(static_cast<size_t>(width) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                double sum = 0;
                for (const auto& [n, weight] : columns[static_cast<size_t>(x)])
                    sum += weight * ((source.GetPixelRGB(n, y) >> shift) & 0xFF);
                out |= uint32_t{limit(sum)} << shift;
            }
            across[static_cast<size_t>(y) * width + x] = out;
        }
    std::vector<uint32_t> result(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                double sum = 0;
                for (const auto& [n, weight] : rows[static_cast<size_t>(y)])
                    sum += weight * ((across[static_cast<size_t>(n) * width + x] >> shift) & 0xFF);
                out |= uint32_t{limit(sum)} << shift;
            }
            result[static_cast<size_t>(y) * width + x] = out;
        }
    return result;
}

} // namespace

TEST(GeometryCommands, EachIsOneStepThatKeepsTheSizeForUndoAndResizesTheWorkImage)
{
    struct Case {
        const char* name;
        std::function<void(PictureHost&)> command;
        int width, height;
    };
    const Case cases[] = {
        {"flip", [](PictureHost& h) { OrientationCommand(h, orFlipHorizontal); }, 6, 4},
        {"clockwise", [](PictureHost& h) { OrientationCommand(h, orRotateClockwise); }, 4, 6},
        {"17 degrees", [](PictureHost& h) { RotateCommand(h, 17.0, 0xFFFFFF); }, 7, 6},
        {"scale", [](PictureHost& h) { ScaleCommand(h, 12, 2, DefaultScaleFilter); }, 12, 2},
        {"crop", [](PictureHost& h) { CropCommand(h, Rect(1, 1, 4, 3)); }, 3, 2},
    };
    for (const Case& c : cases) {
        BarePictureHost host;
        fill(host.picture, 6, 4, ifTrueColor, rgb(200, 100, 50));
        host.picture.Canvas()->Pen()->SetColor(clRed);
        host.picture.Canvas()->Brush()->SetColor(clBlue);
        c.command(host);
        EXPECT_EQ(host.log, "sized-snapshot resized modified redraw ") << c.name;
        EXPECT_EQ(host.picture.GetWidth(), c.width) << c.name;
        EXPECT_EQ(host.picture.GetHeight(), c.height) << c.name;
        EXPECT_EQ(host.workImage.Picture()->Width(), c.width) << c.name;
        EXPECT_EQ(host.workImage.Picture()->Height(), c.height) << c.name;
        EXPECT_EQ(host.workImage.Canvas()->Pixels(1, 1), asTColor(host.picture.GetPixelRGB(1, 1))) << c.name;
        EXPECT_EQ(host.picture.Canvas()->Pen()->Color(), clRed) << c.name;
        EXPECT_EQ(host.picture.Canvas()->Brush()->Color(), clBlue) << c.name;
    }
}

TEST(GeometryCommands, TurnsByWholeQuartersAreExactAndKeepThePalette)
{
    std::mt19937 random(9);
    TDibGraphic original;
    randomPicture(original, 7, 5, ifColor16, random, true);
    struct Case {
        double degrees;
        TOrientation same;
    };
    for (const Case c : {Case{90, orRotateClockwise}, Case{-90, orRotateCounterClockwise}, Case{270, orRotateCounterClockwise},
                         Case{-180, orRotate180}}) {
        BarePictureHost byAngle;
        byAngle.picture.AssignPicture(&original);
        RotateCommand(byAngle, c.degrees, 0);
        BarePictureHost byTurn;
        byTurn.picture.AssignPicture(&original);
        OrientationCommand(byTurn, c.same);
        QString where;
        EXPECT_TRUE(samePixels(byTurn.picture, byAngle.picture, &where)) << c.degrees << ": " << where.toStdString();
        EXPECT_EQ(byAngle.picture.ImageFormat(), ifColor16) << c.degrees;
    }
    // A full turn is a step that changes nothing.
    BarePictureHost host;
    host.picture.AssignPicture(&original);
    RotateCommand(host, 360, 0);
    EXPECT_EQ(host.log, "sized-snapshot resized modified redraw ");
    EXPECT_TRUE(samePixels(original, host.picture));
}

TEST(GeometryCommands, AnyAngleAndScalingGiveTrueColour)
{
    std::mt19937 random(4);
    for (const auto& command : std::vector<std::function<void(PictureHost&)>>{
             [](PictureHost& h) { RotateCommand(h, 45, 0); }, [](PictureHost& h) { ScaleCommand(h, 5, 5, 0); }}) {
        BarePictureHost host;
        randomPicture(host.picture, 8, 6, ifColor256, random, true);
        command(host);
        EXPECT_EQ(host.picture.ImageFormat(), ifTrueColor);
    }
}

TEST(GeometryCommands, ScalingAgreesWithThePlainResamplingWithinOneLevel)
{
    std::mt19937 random(12);
    for (const auto& [width, height] : {std::pair{11, 30}, std::pair{40, 9}}) {
        BarePictureHost host;
        randomPicture(host.picture, 23, 17, ifTrueColor, random);
        TDibGraphic source;
        source.AssignPicture(&host.picture);
        ScaleCommand(host, width, height, DefaultScaleFilter);
        ASSERT_EQ(host.picture.GetWidth(), width);
        ASSERT_EQ(host.picture.GetHeight(), height);
        const std::vector<uint32_t> expected = referenceScale(source, width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int shift : {16, 8, 0})
                    ASSERT_NEAR((host.picture.GetPixelRGB(x, y) >> shift) & 0xFF,
                                (expected[static_cast<size_t>(y) * width + x] >> shift) & 0xFF, 1)
                        << width << "x" << height << " at " << x << "," << y;
    }
}

TEST(GeometryCommands, CropKeepsThePartOfTheAreaInsideThePicture)
{
    std::mt19937 random(8);
    TDibGraphic original;
    randomPicture(original, 10, 8, ifColor256, random, true);
    struct Case {
        const char* name;
        TRect area;
        TRect kept; // empty: nothing happens
    };
    const Case cases[] = {
        {"inside", Rect(2, 1, 7, 4), Rect(2, 1, 7, 4)},
        {"past the right and bottom", Rect(6, 5, 14, 12), Rect(6, 5, 10, 8)},
        {"dragged up and left from outside", Rect(14, 12, 6, 5), Rect(6, 5, 10, 8)},
        {"past the left and top", Rect(-3, -2, 2, 3), Rect(0, 0, 2, 3)},
        {"wholly outside", Rect(11, 0, 20, 5), Rect(0, 0, 0, 0)},
        {"no area", Rect(3, 3, 3, 6), Rect(0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        BarePictureHost host;
        host.picture.AssignPicture(&original);
        CropCommand(host, c.area);
        if (c.kept.right == 0) {
            EXPECT_EQ(host.log, "") << c.name;
            EXPECT_TRUE(samePixels(original, host.picture)) << c.name;
            continue;
        }
        ASSERT_EQ(host.picture.GetWidth(), c.kept.right - c.kept.left) << c.name;
        ASSERT_EQ(host.picture.GetHeight(), c.kept.bottom - c.kept.top) << c.name;
        EXPECT_EQ(host.picture.ImageFormat(), ifColor256) << c.name;
        for (int y = 0; y < host.picture.GetHeight(); ++y)
            for (int x = 0; x < host.picture.GetWidth(); ++x)
                ASSERT_EQ(host.picture.GetPixelIndex(x, y), original.GetPixelIndex(x + c.kept.left, y + c.kept.top))
                    << c.name << " at " << x << "," << y;
    }
}
