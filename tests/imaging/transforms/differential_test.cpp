// The row-based, cached and threaded transforms against the plain pixel-by-pixel procedures,
// on seeded random pictures of every format. Sizes are odd so rows end in partial bytes; the
// second thread is made to join in on these small pictures too.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>
#include <string>

#include "imaging/transforms/antialias_transform.h"
#include "imaging/transforms/color_depth.h"
#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/crop_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/negative_transform.h"
#include "imaging/transforms/resize_transform.h"
#include "imaging/transforms/row_workers.h"
#include "imaging/transforms/saturation.h"
#include "imaging/transforms/transform_reference.h"
#include "test_pictures.h"

using namespace test_pictures;

namespace {

struct Operation {
    std::string name;
    std::function<void(const TDibGraphic& source, TDibGraphic& dest)> fast;
    std::function<void(const TDibGraphic& source, TDibGraphic& dest)> plain;
};

// In-place operations run on a copy of the source.
Operation inPlace(std::string name, std::function<void(TDibGraphic&)> fast, std::function<void(TDibGraphic&)> plain)
{
    return {std::move(name),
            [fast](const TDibGraphic& s, TDibGraphic& d) {
                d.AssignPicture(&s);
                fast(d);
            },
            [plain](const TDibGraphic& s, TDibGraphic& d) {
                d.AssignPicture(&s);
                plain(d);
            }};
}

std::vector<Operation> operations()
{
    std::vector<Operation> ops;
    for (double amount : {-37.5, 5.0, 100.0})
        ops.push_back(inPlace("brightness " + std::to_string(amount),
                              [amount](TDibGraphic& p) {
                                  TBrightnessTransform t;
                                  t.SetAmount(amount);
                                  t.Apply(p);
                              },
                              [amount](TDibGraphic& p) { reference::brightness(p, amount); }));
    for (bool enhance : {true, false})
        ops.push_back(inPlace(enhance ? "contrast up" : "contrast down",
                              [enhance](TDibGraphic& p) {
                                  TContrastTransform t;
                                  t.Enhance = enhance;
                                  t.Apply(p);
                              },
                              [enhance](TDibGraphic& p) { reference::contrast(p, enhance); }));
    for (int slider : {-100, 60})
        ops.push_back(inPlace("saturation " + std::to_string(slider),
                              [slider](TDibGraphic& p) { ChangeSaturation(p, SaturationChange(slider)); },
                              [slider](TDibGraphic& p) { reference::saturation(p, SaturationChange(slider)); }));
    for (int strength : {0, 10, 100}) {
        ops.push_back({"sharpen " + std::to_string(strength),
                       [strength](const TDibGraphic& s, TDibGraphic& d) {
                           TSharpenTransform t;
                           t.Strength = uint8_t(strength);
                           t.ApplyOnDest(s, d);
                       },
                       [strength](const TDibGraphic& s, TDibGraphic& d) {
                           TSharpenTransform t;
                           t.Strength = uint8_t(strength);
                           TDibGraphic scratch;
                           t.ApplyOnDest(s, scratch); // derives the kernel
                           reference::convolution(s, d, t.Kernel, t.KernelDivisor);
                       }});
        ops.push_back({"smooth " + std::to_string(strength),
                       [strength](const TDibGraphic& s, TDibGraphic& d) {
                           TSmoothTransform t;
                           t.Strength = uint8_t(strength);
                           t.ApplyOnDest(s, d);
                       },
                       [strength](const TDibGraphic& s, TDibGraphic& d) {
                           TSmoothTransform t;
                           t.Strength = uint8_t(strength);
                           TDibGraphic scratch;
                           t.ApplyOnDest(s, scratch);
                           reference::convolution(s, d, t.Kernel, t.KernelDivisor);
                       }});
    }
    ops.push_back(inPlace("negative", [](TDibGraphic& p) { TNegativeTransform().Apply(p); }, reference::negative));
    ops.push_back({"antialias", [](const TDibGraphic& s, TDibGraphic& d) { TAntiAliasTransform().ApplyOnDest(s, d); },
                   reference::antiAlias});
    ops.push_back({"crop", [](const TDibGraphic& s, TDibGraphic& d) {
                       TCropTransform t;
                       t.CutTop = 2;
                       t.CutLeft = 3;
                       t.CutBottom = 1;
                       t.CutRight = 5;
                       t.ApplyOnDest(s, d);
                   },
                   [](const TDibGraphic& s, TDibGraphic& d) { reference::crop(s, d, 2, 3, 1, 5); }});
    for (int kind = 0; kind < 6; ++kind)
        for (auto [scaleW, scaleH, target] : {std::tuple{0.5, 0.75, -1}, std::tuple{2.5, 1.5, -1}, std::tuple{1.3, 0.4, int(ifColor256)}}) {
            ops.push_back({"resize filter " + std::to_string(kind) + " x" + std::to_string(scaleW) + " to "
                               + std::to_string(target),
                           [=](const TDibGraphic& s, TDibGraphic& d) {
                               TResizeTransform t;
                               t.Filtered = true;
                               t.FilterKind = uint8_t(kind);
                               t.NewWidth = std::max(2, int(s.GetWidth() * scaleW));
                               t.NewHeight = std::max(2, int(s.GetHeight() * scaleH));
                               t.ForceFormat = target >= 0;
                               t.TargetFormat = TImageFormat(target >= 0 ? target : 0);
                               t.ApplyOnDest(s, d);
                           },
                           [=](const TDibGraphic& s, TDibGraphic& d) {
                               const TImageFormat format = target >= 0 ? TImageFormat(target) : s.ImageFormat();
                               d.NewImage(std::max(2, int(s.GetWidth() * scaleW)), std::max(2, int(s.GetHeight() * scaleH)),
                                          format, format == s.ImageFormat() ? &s.LogPalette() : nullptr, s.XDpi(), s.YDpi());
                               reference::resample(s, d, kind);
                           }});
        }
    ops.push_back(inPlace("invert", InvertPictureColors, reference::invert));
    return ops;
}

void compareOn(int width, int height, TImageFormat format, bool randomPalette, unsigned seed,
               const std::vector<Operation>& ops)
{
    std::mt19937 random(seed);
    TDibGraphic source;
    randomPicture(source, width, height, format, random, randomPalette);
    for (const Operation& op : ops) {
        SCOPED_TRACE(op.name);
        TDibGraphic fast, plain;
        op.fast(source, fast);
        op.plain(source, plain);
        QString where;
        ASSERT_TRUE(samePixels(fast, plain, &where)) << where.toStdString();
        if (fast.ImageFormat() != ifTrueColor) {
            for (int i = 0; i < 256; ++i)
                ASSERT_EQ(fast.LogPalette().palPalEntry[i], plain.LogPalette().palPalEntry[i]) << i;
        }
    }
}

} // namespace

class Differential : public ::testing::TestWithParam<TImageFormat> {
protected:
    void SetUp() override
    {
        saved_ = row_workers::parallelWorkThreshold();
        row_workers::setParallelWorkThreshold(1);
    }
    void TearDown() override { row_workers::setParallelWorkThreshold(saved_); }

private:
    int64_t saved_ = 0;
};

TEST_P(Differential, SmallOddPictures)
{
    const auto ops = operations();
    compareOn(37, 23, GetParam(), false, 11 + GetParam(), ops);
    compareOn(29, 17, GetParam(), true, 23 + GetParam(), ops);
}

// With the usual threshold, on a picture just big enough for the second thread.
TEST_P(Differential, UsualThresholdOnALargerPicture)
{
    row_workers::setParallelWorkThreshold(int64_t{1} << 16);
    std::vector<Operation> ops;
    for (const Operation& op : operations())
        if (op.name.rfind("resize", 0) != 0 || op.name == "resize filter 4 x0.500000 to -1")
            ops.push_back(op);
    compareOn(131, 97, GetParam(), GetParam() == ifColor256, 97 + GetParam(), ops);
}

TEST_P(Differential, ConversionFromSurfacesOfEveryDepth)
{
    std::mt19937 random(5 + GetParam());
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        std::vector<gdi::RgbQuad> table;
        if (bits <= 8)
            for (int i = 0; i < (1 << bits) - 1; ++i) // one short: the last index reads as black
                table.push_back({uint8_t(random()), uint8_t(random()), uint8_t(random()), 0});
        // Smaller, same and larger than the picture.
        for (auto [w, h] : {std::pair{40, 20}, std::pair{63, 57}, std::pair{90, 70}}) {
            gdi::DibSurface drawn(w, h, bits, table);
            for (size_t i = 0; i < drawn.imageBytes(); ++i)
                drawn.bits()[i] = uint8_t(random());
            TDibGraphic fast, plain;
            fast.NewImage(63, 57, ifTrueColor, nullptr, 0, 0);
            plain.NewImage(63, 57, ifTrueColor, nullptr, 0, 0);
            ConvertPictureFromSurface(fast, drawn, GetParam());
            reference::convertFromSurface(plain, drawn, GetParam());
            QString where;
            ASSERT_TRUE(samePixels(fast, plain, &where)) << where.toStdString();
        }
    }
}

static std::string formatName(const ::testing::TestParamInfo<TImageFormat>& info)
{
    static const char* const names[] = {"BlackWhite", "Gray16", "Gray256", "Color16", "Color256", "TrueColor"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, Differential, ::testing::ValuesIn(allFormats), formatName);

// Kernels whose sums do and do not fit 16 bits, unusual divisors, and widths around the
// sixteen-channel step, against the plain procedure.
TEST(DifferentialConvolution, KernelsDivisorsAndWidths)
{
    struct Case {
        std::array<int8_t, 9> kernel;
        int8_t divisor;
    };
    const Case cases[] = {
        {{1, 2, 1, 2, 35, 2, 1, 2, 1}, 47},          {{-1, -2, -1, -2, 37, -2, -1, -2, -1}, 25},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},            {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 1},
        {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 0},        {{1, 2, 1, 2, 4, 2, 1, 2, 1}, -7},
        {{127, 127, 127, 127, 127, 127, 127, 127, 127}, 127}, {{-128, 0, 0, 0, 127, 0, 0, 0, 127}, 3},
        {{-128, -128, -128, -128, 127, -128, -128, -128, -128}, 2}, {{3, 0, 0, 0, 0, 0, 0, 0, 0}, 2},
    };
    std::mt19937 random(41);
    for (int width : {3, 4, 7, 8, 9, 13}) {
        for (TImageFormat format : {ifTrueColor, ifColor16}) {
            TDibGraphic source;
            randomPicture(source, width, 5, format, random, false);
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << "width " << width << " format " << int(format) << " centre "
                                                << int(c.kernel[4]) << " divisor " << int(c.divisor));
                TConvolutionTransform t;
                t.Kernel = c.kernel;
                t.KernelDivisor = c.divisor;
                TDibGraphic fast, plain;
                t.ApplyOnDest(source, fast);
                reference::convolution(source, plain, c.kernel, c.divisor);
                QString where;
                ASSERT_TRUE(samePixels(fast, plain, &where)) << where.toStdString();
            }
        }
    }
}
