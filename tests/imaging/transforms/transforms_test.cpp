#include "imaging/transforms/antialias_transform.h"
#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/crop_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/negative_transform.h"
#include "imaging/transforms/resample_filter.h"
#include "imaging/transforms/resize_transform.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "test_pictures.h"

using namespace test_pictures;

namespace {

void expectEverywhere(const TDibGraphic& picture, uint32_t color)
{
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            ASSERT_EQ(picture.GetPixelRGB(x, y), color) << x << ", " << y;
}

} // namespace

TEST(Brightness, AmountsOnGrey)
{
    struct Case {
        const char* name;
        double amount;
        uint32_t expected;
    } const cases[] = {
        {"full", 100, 0xFFFFFF}, {"none", -100, 0x000000}, {"default", 5, rgb(141, 141, 141)}, {"zero", 0, rgb(128, 128, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDibGraphic picture;
        fill(picture, 5, 4, ifTrueColor, rgb(128, 128, 128));
        TBrightnessTransform transform;
        if (c.amount != 5)
            transform.SetAmount(c.amount);
        transform.Apply(picture);
        expectEverywhere(picture, c.expected);
    }
    TBrightnessTransform limited;
    limited.SetAmount(250);
    EXPECT_EQ(limited.Amount, 100);
    limited.SetAmount(-250);
    EXPECT_EQ(limited.Amount, -100);
}

TEST(Brightness, PalettisedPictureKeepsItsFormat)
{
    TDibGraphic picture;
    fill(picture, 3, 3, ifColor16, 7); // (170, 170, 170)
    TBrightnessTransform transform;
    transform.SetAmount(100);
    TDibGraphic dest;
    transform.ApplyOnDest(picture, dest);
    EXPECT_EQ(dest.ImageFormat(), ifColor16);
    EXPECT_EQ(dest.GetPixelIndex(1, 1), 15u);
    EXPECT_EQ(picture.GetPixelIndex(1, 1), 7u) << "the source stays as it was";
}

TEST(Contrast, MoreAndLess)
{
    struct Case {
        bool enhance;
        uint32_t before, after;
    } const cases[] = {
        {true, rgb(64, 64, 64), rgb(51, 51, 51)},
        {true, 0x000000, 0x000000},
        {true, 0xFFFFFF, 0xFFFFFF},
        {false, 0x000000, 0x000000},
        {false, 0xFFFFFF, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        TDibGraphic picture;
        fill(picture, 2, 2, ifTrueColor, c.before);
        TContrastTransform transform;
        transform.Enhance = c.enhance;
        transform.Apply(picture);
        expectEverywhere(picture, c.after);
    }
    // Less contrast moves a dark grey toward mid-grey.
    TDibGraphic picture;
    fill(picture, 2, 2, ifTrueColor, rgb(64, 64, 64));
    TContrastTransform less;
    less.Enhance = false;
    less.Apply(picture);
    const uint32_t grey = picture.GetPixelRGB(0, 0) & 0xFF;
    EXPECT_GT(grey, 64u);
    EXPECT_LT(grey, 128u);
}

TEST(Convolution, CentreAndDivisorFollowStrength)
{
    struct Case {
        int strength, sharpenCentre, sharpenDivisor, smoothCentre, smoothDivisor;
    } const cases[] = {
        {0, 40, 28, 40, 52}, {10, 37, 25, 37, 49}, {20, 35, 23, 35, 47}, {50, 27, 15, 27, 39}, {100, 15, 3, 15, 27},
        {2, 39, 27, 39, 51}, // (100 - 2) / 4 = 24.5: the half goes to the even 24
    };
    TDibGraphic source, dest;
    fill(source, 3, 3, ifTrueColor, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strength);
        TSharpenTransform sharpen;
        sharpen.Strength = static_cast<uint8_t>(c.strength);
        sharpen.ApplyOnDest(source, dest);
        EXPECT_EQ(sharpen.Kernel[4], c.sharpenCentre);
        EXPECT_EQ(sharpen.KernelDivisor, c.sharpenDivisor);
        TSmoothTransform smooth;
        smooth.Strength = static_cast<uint8_t>(c.strength);
        smooth.ApplyOnDest(source, dest);
        EXPECT_EQ(smooth.Kernel[4], c.smoothCentre);
        EXPECT_EQ(smooth.KernelDivisor, c.smoothDivisor);
    }
}

TEST(Convolution, BelowThreeByThreeIsAnExactCopy)
{
    for (auto [w, h] : {std::pair{2, 5}, std::pair{5, 2}, std::pair{1, 1}}) {
        TDibGraphic source;
        fill(source, w, h, ifColor16, 9);
        source.SetPixelIndex(0, 0, 3);
        TDibGraphic dest;
        TSharpenTransform().ApplyOnDest(source, dest);
        EXPECT_EQ(dest.ImageFormat(), ifColor16);
        QString where;
        EXPECT_TRUE(samePixels(source, dest, &where)) << where.toStdString();
    }
}

TEST(Convolution, ThreeByThreeComputesOnlyTheCentre)
{
    // Border 50, centre 100. Sharpen 10: (37 * 100 - 12 * 50) div 25 = 124.
    // Smooth 20: (35 * 100 + 12 * 50) div 47 = 87.
    TDibGraphic source;
    fill(source, 3, 3, ifGray256, 50);
    source.SetPixelIndex(1, 1, 100);
    TSharpenTransform sharpen;
    TSmoothTransform smooth;
    for (auto [transform, centre] : {std::pair<TConvolutionTransform*, int>{&sharpen, 124}, {&smooth, 87}}) {
        TDibGraphic picture;
        picture.AssignPicture(&source);
        transform->Apply(picture);
        EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(picture.GetPixelRGB(x, y), x == 1 && y == 1 ? rgb(centre, centre, centre) : rgb(50, 50, 50));
    }
}

TEST(Convolution, SmoothOfAFlatPictureIsFlat)
{
    for (int strength : {0, 20, 100}) {
        TDibGraphic picture;
        fill(picture, 7, 5, ifTrueColor, rgb(201, 13, 77));
        TSmoothTransform smooth;
        smooth.Strength = static_cast<uint8_t>(strength);
        smooth.Apply(picture);
        expectEverywhere(picture, rgb(201, 13, 77));
    }
}

TEST(Convolution, NegativeSumsGiveZeroAndLargeSumsSaturate)
{
    TDibGraphic picture;
    fill(picture, 3, 3, ifTrueColor, rgb(255, 255, 255));
    picture.SetPixelRGB(1, 1, rgb(0, 255, 10));
    TSharpenTransform sharpen; // centre 37, outer sum -12, divisor 25
    sharpen.Apply(picture);
    // red: -12 * 255 < 0 -> 0; green: 25 * 255 / 25 = 255; blue: (370 - 3060) < 0 -> 0
    EXPECT_EQ(picture.GetPixelRGB(1, 1), rgb(0, 255, 0));
}

TEST(Negative, EachFormat)
{
    struct Case {
        TImageFormat format;
        uint32_t index;     // or colour for true colour
        uint32_t shown;     // GetPixelRGB afterwards
        uint32_t indexAfter;
    } const cases[] = {
        {ifBlackWhite, 0, 0xFFFFFF, 1},
        {ifGray16, 3, rgb(204, 204, 204), 12},
        {ifGray256, 10, rgb(245, 245, 245), 245},
        // Only the palette changes: index 1 (0, 0, 170) shows (255, 255, 85).
        {ifColor16, 1, rgb(255, 255, 85), 1},
        {ifColor256, 9, rgb(170, 170, 0), 9},
        {ifTrueColor, rgb(10, 20, 30), rgb(245, 235, 225), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        TDibGraphic picture;
        fill(picture, 9, 2, c.format, c.index);
        TNegativeTransform().Apply(picture);
        EXPECT_EQ(picture.ImageFormat(), c.format);
        EXPECT_EQ(picture.GetPixelRGB(8, 1), c.shown);
        if (c.format != ifTrueColor) {
            EXPECT_EQ(picture.GetPixelIndex(8, 1), c.indexAfter);
        }
        EXPECT_EQ(picture.XDpi(), 72);
    }
}

TEST(AntiAlias, AllWhiteAndOneWhitePixel)
{
    TDibGraphic white;
    fill(white, 11, 4, ifBlackWhite, 1);
    TAntiAliasTransform().Apply(white);
    EXPECT_EQ(white.ImageFormat(), ifGray16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 11; ++x)
            ASSERT_EQ(white.GetPixelIndex(x, y), x == 10 ? 8u : 15u) << x << ", " << y;

    for (auto [w, h] : {std::pair{3, 3}, std::pair{9, 6}}) {
        TDibGraphic picture;
        fill(picture, w, h, ifBlackWhite, 0);
        picture.SetPixelIndex(1, 1, 1);
        TAntiAliasTransform().Apply(picture);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(picture.GetPixelIndex(x, y), x <= 1 && y <= 1 ? 4u : 0u) << x << ", " << y;
    }
}

TEST(AntiAlias, GroupsOfFourAndOtherFormats)
{
    // A white column 4 is the first of a new group: column 3 (last of its group) never sees it.
    TDibGraphic picture;
    fill(picture, 8, 2, ifBlackWhite, 0);
    picture.SetPixelIndex(4, 0, 1);
    picture.SetPixelIndex(4, 1, 1);
    TAntiAliasTransform().Apply(picture);
    EXPECT_EQ(picture.GetPixelIndex(3, 0), 0u);
    EXPECT_EQ(picture.GetPixelIndex(4, 0), 8u);

    // The last row is looked up with itself in place of the row below.
    TDibGraphic bottom;
    fill(bottom, 4, 2, ifBlackWhite, 0);
    bottom.SetPixelIndex(0, 1, 1);
    TAntiAliasTransform().Apply(bottom);
    EXPECT_EQ(bottom.GetPixelIndex(0, 0), 4u);
    EXPECT_EQ(bottom.GetPixelIndex(0, 1), 8u);

    TDibGraphic grey;
    fill(grey, 4, 4, ifGray256, 77);
    TAntiAliasTransform().Apply(grey);
    EXPECT_EQ(grey.ImageFormat(), ifGray256);
    EXPECT_EQ(grey.GetPixelIndex(2, 2), 77u);
}

// Padding bits past the width (which a negative inverts) must not tint the last pixels.
TEST(AntiAlias, RowPaddingDoesNotLeakIn)
{
    TDibGraphic picture;
    fill(picture, 3, 2, ifBlackWhite, 1);
    TNegativeTransform().Apply(picture); // all black, padding bits now set
    TAntiAliasTransform().Apply(picture);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(picture.GetPixelIndex(x, 0), 0u) << x;
}

TEST(Resize, Errors)
{
    TDibGraphic source, dest;
    fill(source, 4, 4, ifTrueColor, 0x123456);
    TResizeTransform resize;
    resize.Filtered = true;
    for (auto [w, h] : {std::pair{1, 10}, std::pair{10, 1}}) {
        resize.NewWidth = w;
        resize.NewHeight = h;
        EXPECT_EQ(errorText([&] { resize.ApplyOnDest(source, dest); }), "Destination graphic too small");
    }
    TDibGraphic empty;
    resize.NewWidth = resize.NewHeight = 5;
    EXPECT_EQ(errorText([&] { resize.ApplyOnDest(empty, dest); }), "Source graphic too small");
    resize.FilterKind = 6;
    EXPECT_EQ(errorText([&] { resize.ApplyOnDest(source, dest); }), "Internal error: Invalid resize filter");
}

TEST(Resize, ContributorsMirrorAtTheEdges)
{
    // Four source pixels into two with Bell: scale 1/3, reach 4.5, source j = -4..4 contribute.
    // j < 0 mirrors to -j, j >= 4 to 7 - j; -4 mirrors to 4, still outside, and drops out.
    const resample::ContributorTable table = resample::buildContributors(4, 2, 2);
    ASSERT_EQ(table.size(), 2);
    std::vector<int> pixels;
    for (int k = table.first[0]; k < table.first[1]; ++k)
        pixels.push_back(table.list[k].pixel);
    EXPECT_EQ(pixels, (std::vector<int>{3, 2, 1, 0, 1, 2, 3, 3}));
    // The weights are those of the filter scaled by 1/3 and not normalised.
    EXPECT_FLOAT_EQ(table.list[table.first[0] + 3].weight, 0.75f / 3);

    // Enlarging 2 into 3 with the triangle: the middle pixel is the mean of the two.
    const resample::ContributorTable up = resample::buildContributors(2, 3, 0);
    ASSERT_EQ(up.first[2] - up.first[1], 2);
    EXPECT_FLOAT_EQ(up.list[up.first[1]].weight, 0.5f);
}

TEST(Resize, FlatPicturesStayFlatAndKeepTheirPalette)
{
    for (int kind = 0; kind < resample::FilterCount; ++kind) {
        SCOPED_TRACE(kind);
        TDibGraphic source, dest;
        fill(source, 6, 5, ifTrueColor, rgb(90, 90, 90));
        TResizeTransform resize;
        resize.Filtered = true;
        resize.FilterKind = static_cast<uint8_t>(kind);
        resize.NewWidth = 13;
        resize.NewHeight = 11;
        resize.ApplyOnDest(source, dest);
        ASSERT_EQ(dest.GetWidth(), 13);
        ASSERT_EQ(dest.GetHeight(), 11);
        // Unnormalised weights may miss the exact colour by a little, never by much.
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_NEAR(int(dest.GetPixelRGB(x, y) & 0xFF), 90, 6) << x << ", " << y;
    }
    TDibGraphic source, dest;
    fill(source, 4, 4, ifColor16, 5);
    TResizeTransform resize;
    resize.NewWidth = 9;
    resize.NewHeight = 2;
    resize.ApplyOnDest(source, dest);
    EXPECT_EQ(dest.ImageFormat(), ifColor16);
    EXPECT_EQ(dest.GetPixelIndex(8, 1), 5u);
    resize.ForceFormat = true;
    resize.TargetFormat = ifTrueColor;
    resize.ApplyOnDest(source, dest);
    EXPECT_EQ(dest.GetPixelRGB(0, 0), rgb(170, 0, 170));
}

TEST(Resize, UnfilteredStretchPicksAndAverages)
{
    TDibGraphic source, dest;
    fill(source, 2, 1, ifTrueColor, 0);
    source.SetPixelRGB(1, 0, 0xFFFFFF);
    TResizeTransform resize;
    resize.NewWidth = 4;
    resize.NewHeight = 2;
    resize.ApplyOnDest(source, dest);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(dest.GetPixelRGB(x, 1), x < 2 ? 0u : 0xFFFFFFu) << x;

    // A big true-colour source is averaged: 64 × 32 of alternate black and white columns
    // halved in width gives mid-grey.
    TDibGraphic stripes;
    fill(stripes, 64, 32, ifTrueColor, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 1; x < 64; x += 2)
            stripes.SetPixelRGB(x, y, rgb(200, 100, 50));
    resize.NewWidth = 32;
    resize.NewHeight = 32;
    resize.ApplyOnDest(stripes, dest);
    expectEverywhere(dest, rgb(100, 50, 25));
}

TEST(Crop, CutsAndErrors)
{
    TDibGraphic source, dest;
    fill(source, 3, 3, ifColor16, 2);
    source.SetPixelIndex(1, 1, 12);
    TCropTransform crop;
    crop.CutTop = crop.CutLeft = crop.CutBottom = crop.CutRight = 1;
    crop.ApplyOnDest(source, dest);
    ASSERT_EQ(dest.GetWidth(), 1);
    ASSERT_EQ(dest.GetHeight(), 1);
    EXPECT_EQ(dest.ImageFormat(), ifColor16);
    EXPECT_EQ(dest.GetPixelIndex(0, 0), 12u);
    EXPECT_EQ(dest.XDpi(), 72);

    struct Case {
        int top, left, bottom, right;
    } const bad[] = {{2, 0, 1, 0}, {0, 1, 0, 2}, {3, 0, 0, 0}, {0, 0, 0, 3}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const Case& c : bad) {
        crop.CutTop = c.top;
        crop.CutLeft = c.left;
        crop.CutBottom = c.bottom;
        crop.CutRight = c.right;
        EXPECT_EQ(errorText([&] { crop.ApplyOnDest(source, dest); }), "Invalid crop parameters");
    }
    crop.CutTop = crop.CutLeft = crop.CutBottom = crop.CutRight = 0;
    crop.ApplyOnDest(source, dest);
    EXPECT_TRUE(samePixels(source, dest));
}

TEST(ImageTransform, BaseHasNoApplyOnDest)
{
    TImageTransform transform;
    TDibGraphic a, b;
    fill(a, 2, 2, ifTrueColor, 0);
    EXPECT_EQ(errorText([&] { transform.ApplyOnDest(a, b); }), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    EXPECT_EQ(errorText([&] { transform.Apply(a); }), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    EXPECT_EQ(a.GetWidth(), 2) << "a failed Apply leaves the picture";
}

namespace {

struct ProgressLog {
    std::vector<int> reports;
    void attach(TImageTransform& t)
    {
        t.OnPercentChange = [this, &t](TImageTransform* sender, int percent) {
            EXPECT_EQ(sender, &t);
            reports.push_back(percent);
        };
    }
    void expectWellFormed() const
    {
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports.front(), 0);
        EXPECT_EQ(reports.back(), 100);
        for (size_t i = 1; i < reports.size(); ++i)
            EXPECT_GT(reports[i], reports[i - 1]) << "reports only changes, rising";
    }
};

} // namespace

TEST(ImageTransform, ProgressProtocol)
{
    // Small pictures run on one thread, big ones on two; both report from the caller's thread.
    for (auto [w, h] : {std::pair{4, 300}, std::pair{400, 300}}) {
        SCOPED_TRACE(w);
        TDibGraphic picture;
        fill(picture, w, h, ifTrueColor, 0x406080);
        TSmoothTransform smooth;
        ProgressLog log;
        log.attach(smooth);
        smooth.Apply(picture);
        log.expectWellFormed();
        if (w == 4) {
            EXPECT_GT(log.reports.size(), 20u) << "reports as the rows are processed";
        }
        EXPECT_EQ(smooth.ReportedPercent, 100);

        log.reports.clear();
        smooth.Apply(picture); // every run starts again at 0
        log.expectWellFormed();

        TResizeTransform resize;
        resize.Filtered = true;
        resize.NewWidth = w / 2 + 2;
        resize.NewHeight = h * 2;
        ProgressLog resizeLog;
        resizeLog.attach(resize);
        resize.Apply(picture);
        resizeLog.expectWellFormed();
    }
    // A run with nothing to do still reports 0 and 100.
    TDibGraphic tiny;
    fill(tiny, 2, 2, ifTrueColor, 0);
    TSharpenTransform sharpen;
    ProgressLog log;
    log.attach(sharpen);
    sharpen.Apply(tiny);
    EXPECT_EQ(log.reports, (std::vector<int>{0, 100}));
    // Without a handler nothing is reported and ReportedPercent is only reset.
    TNegativeTransform negative;
    negative.Apply(tiny);
    EXPECT_EQ(negative.ReportedPercent, 255);
}

TEST(ImageTransform, HandlerErrorLeavesThePictureUnchanged)
{
    for (int w : {30, 500}) {
        TDibGraphic picture;
        fill(picture, w, 300, ifColor16, 5);
        TSmoothTransform smooth;
        smooth.OnPercentChange = [](TImageTransform*, int percent) {
            if (percent >= 50)
                throw std::runtime_error("stopped");
        };
        EXPECT_THROW(smooth.Apply(picture), std::runtime_error);
        EXPECT_EQ(picture.ImageFormat(), ifColor16) << "the true-colour result was never assigned";
        EXPECT_EQ(picture.GetPixelIndex(15, 150), 5u);
    }
}
