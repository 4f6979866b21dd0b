// A texture chosen with the texture command paints as it is: every pixel of the bitmap in its
// own colour, repeated from the brush origin, on every pixel format of the picture.

#include "imaging/commands/effect_commands.h"

#include "bare_picture_host.h"
#include "platform/framework/brush.h"
#include "platform/gdi/device_context.h"
#include "../transforms/test_pictures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace test_pictures;

namespace {

constexpr int PhotoWidth = 5;
constexpr int PhotoHeight = 3;

// A small "photo": 15 unrelated colours.
QString writePhoto(const QTemporaryDir& dir, std::vector<TColor>& colours)
{
    TBitmap photo;
    photo.SetPixelFormat(pf24bit);
    photo.SetSize(PhotoWidth, PhotoHeight);
    std::mt19937 random(5);
    for (int y = 0; y < PhotoHeight; ++y)
        for (int x = 0; x < PhotoWidth; ++x) {
            const TColor c = TColor(random() & 0xFFFFFF);
            photo.Canvas()->SetPixels(x, y, c);
            colours.push_back(c);
        }
    const QString path = dir.filePath(QStringLiteral("photo.bmp"));
    photo.SaveToFile(path);
    return path;
}

// The colour a picture of the format shows for the given one: the nearest of its palette.
uint32_t shownAs(TImageFormat format, TColor colour)
{
    TDibGraphic probe;
    probe.NewImage(1, 1, format, nullptr, 72, 72);
    const uint32_t c = ColorToRGB(colour);
    probe.SetPixelRGB(0, 0, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    return probe.GetPixelRGB(0, 0);
}

} // namespace

TEST(TextureBrush, FillsWithThePhotosOwnPixelsRepeatedOnEveryFormat)
{
    QTemporaryDir dir;
    std::vector<TColor> colours;
    const QString path = writePhoto(dir, colours);
    for (TImageFormat format : {ifTrueColor, ifColor256, ifGray256, ifColor16, ifBlackWhite}) {
        std::vector<uint32_t> shown;
        for (TColor c : colours)
            shown.push_back(shownAs(format, c));
        BarePictureHost host;
        fill(host.picture, 23, 17, format, 0);
        TextureCommand(host, path);
        TCanvas& canvas = *host.picture.Canvas();
        canvas.Pen()->SetStyle(psClear);
        canvas.FillRect(TRect{2, 1, 21, 16});
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) {
                const bool inside = x >= 2 && x < 21 && y >= 1 && y < 16;
                const uint32_t texel = shown[static_cast<size_t>((y % PhotoHeight) * PhotoWidth + x % PhotoWidth)];
                const uint32_t expected = inside ? texel : host.picture.GetPixelRGB(0, 0);
                ASSERT_EQ(host.picture.GetPixelRGB(x, y), expected)
                    << "format " << int(format) << " at " << x << "," << y;
            }
    }
}

// The tile starts at the brush origin, as pattern brushes do, also where the origin is negative.
TEST(TextureBrush, FollowsTheBrushOrigin)
{
    QTemporaryDir dir;
    std::vector<TColor> colours;
    const QString path = writePhoto(dir, colours);
    for (const gdi::Point origin : {gdi::Point{2, 1}, gdi::Point{-7, -4}}) {
        BarePictureHost host;
        fill(host.picture, 12, 8, ifTrueColor, 0);
        TextureCommand(host, path);
        TCanvas& canvas = *host.picture.Canvas();
        canvas.Handle()->SetBrushOrg(origin.x, origin.y);
        canvas.FillRect(TRect{0, 0, 12, 8});
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x) {
                const int tx = ((x - origin.x) % PhotoWidth + PhotoWidth) % PhotoWidth;
                const int ty = ((y - origin.y) % PhotoHeight + PhotoHeight) % PhotoHeight;
                const uint32_t c = ColorToRGB(colours[size_t(ty * PhotoWidth + tx)]);
                ASSERT_EQ(host.picture.GetPixelRGB(x, y), ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16))
                    << x << "," << y;
            }
    }
}
