// The cone draws only the fan lines that can still change the picture; on seeded drags, pens
// and brushes over seeded pictures it must leave exactly the pixels of every step drawn.

#include "drawing/shaded_cone.h"
#include "drawing_test_host.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

struct Row {
    const char* name;
    TImageFormat format;
    int mode;
};

// The mix modes the protocol paints with, the others that drop repeats, and one where every
// line counts.
const Row kRows[] = {
    {"TrueColorCopy", ifTrueColor, pmCopy},       {"TrueColorNotXor", ifTrueColor, pmNotXor},
    {"Color256Copy", ifColor256, pmCopy},         {"Color256NotXor", ifColor256, pmNotXor},
    {"Color16NotXor", ifColor16, pmNotXor},       {"BlackWhiteCopy", ifBlackWhite, pmCopy},
    {"BlackWhiteNotXor", ifBlackWhite, pmNotXor}, {"Gray256Xor", ifGray256, pmXor},
    {"TrueColorNot", ifTrueColor, pmNot},         {"TrueColorWhite", ifTrueColor, pmWhite},
    {"TrueColorNotCopy", ifTrueColor, pmNotCopy}, {"TrueColorMerge", ifTrueColor, pmMerge},
};

constexpr int kWidth = 72, kHeight = 56;

bool palettised(TImageFormat format) { return format != ifTrueColor; }

// Stored values: palette indices where the picture has a palette, so two indices of one
// colour still differ.
std::vector<uint32_t> storedPixels(const TDibGraphic& picture)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            out.push_back(palettised(picture.ImageFormat()) ? picture.GetPixelIndex(x, y)
                                                            : picture.GetPixelRGB(x, y));
    return out;
}

struct Drag {
    TPoint start, end;
    int penWidth;
    TPenStyle penStyle;
    TBrushStyle brushStyle;
    TColor brush;
    uint32_t pictureSeed;
};

Drag randomDrag(std::mt19937& random)
{
    auto coordinate = [&](int size) { return std::uniform_int_distribution<int>(-size / 3, size + size / 3)(random); };
    const int widths[] = {0, 1, 1, 2, 3, 6};
    const TPenStyle penStyles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    const TBrushStyle brushStyles[] = {bsSolid, bsClear, bsCross, bsFDiagonal};
    auto pick = [&](const auto& choices) { return choices[random() % std::size(choices)]; };
    Drag d{};
    d.start = {coordinate(kWidth), coordinate(kHeight)};
    d.end = {coordinate(kWidth), coordinate(kHeight)};
    d.penWidth = pick(widths);
    d.penStyle = pick(penStyles);
    d.brushStyle = pick(brushStyles);
    d.brush = static_cast<TColor>(random() & 0xFFFFFFu);
    d.pictureSeed = random();
    return d;
}

std::vector<uint32_t> paintCone(const Row& row, const Drag& d, bool everyStep)
{
    TestHost host(kWidth, kHeight, row.format);
    TDibGraphic& picture = *host.picture;
    std::mt19937 noise(d.pictureSeed);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (palettised(row.format))
                picture.SetPixelIndex(x, y, noise() % (1u << ImageFormatBitCount(row.format)));
            else
                picture.SetPixelRGB(x, y, noise() & 0xFFFFFFu);
        }
    TCanvas& canvas = host.canvas();
    canvas.Brush()->SetColor(d.brush);
    canvas.Brush()->SetStyle(d.brushStyle);
    canvas.Pen()->SetColor(0x102030);
    canvas.Pen()->SetWidth(d.penWidth);
    canvas.Pen()->SetStyle(d.penStyle);
    canvas.Pen()->SetMode(row.mode);
    if (everyStep)
        ShadedConeEveryStep(canvas, d.start, d.end);
    else
        ShadedCone(canvas, d.start, d.end);
    EXPECT_EQ(canvas.Pen()->Color(), 0x102030);
    return storedPixels(picture);
}

class ConeAgainstEveryStep : public testing::TestWithParam<Row> {};

TEST_P(ConeAgainstEveryStep, SamePixelsOnSeededDrags)
{
    const Row& row = GetParam();
    std::mt19937 random(20261210u + static_cast<uint32_t>(row.mode) * 7u + row.format);
    for (int i = 0; i < 12; ++i) {
        const Drag d = randomDrag(random);
        SCOPED_TRACE(testing::Message() << "drag " << i << " from " << d.start.x << ", " << d.start.y << " to "
                                        << d.end.x << ", " << d.end.y << ", pen " << d.penWidth << " style "
                                        << int(d.penStyle) << ", brush style " << int(d.brushStyle));
        ASSERT_EQ(paintCone(row, d, false), paintCone(row, d, true));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ConeAgainstEveryStep, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// Past a half width of 2^18 the fan's single-precision radius stops growing by 0.01; the fan
// used to repeat its last step for ever.
TEST(ShadedCone, HugeDragEnds)
{
    TestHost host(40, 30);
    host.canvas().Brush()->SetColor(clWhite);
    ShadedCone(host.canvas(), TPoint{-300000, 0}, TPoint{300040, 60});
    EXPECT_NE(host.pixels(), TestHost(40, 30).pixels());
}

} // namespace
