// The undo slots hold true copies of the picture, whatever its format, and give it back with
// its format and palette.

#include "editing/snapshot_store.h"

#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

uint32_t slotPixel(const SnapshotStore& store, int slot, int x, int y)
{
    return store.snapshot(slot)->rawPixel(x, y);
}

struct FormatCase {
    const char* name;
    TImageFormat format;
};

class SnapshotStoreFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SnapshotStoreFormats, KeepsEveryPixelInThePicturesOwnFormatAndPalette)
{
    TDibGraphic picture;
    picture.NewImage(7, 5, GetParam().format, nullptr, 72, 150);
    // Black and white, placed unevenly so that a row or byte-order slip shows.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            picture.SetPixelRGB(x, y, (x * 3 + y) % 4 == 0 ? 0xFFFFFF : 0x000000);

    SnapshotStore store(25);
    const uint64_t changes = picture.ChangeCount();
    store.store(3, picture);
    // Taking a snapshot only reads: the view keeps what it rendered of the picture.
    EXPECT_EQ(picture.ChangeCount(), changes);
    const gdi::DibSurface* slot = store.snapshot(3);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(store.format(3), GetParam().format);
    EXPECT_EQ(slot->bitsPerPixel(), ImageFormatBitCount(GetParam().format));
    EXPECT_EQ(slot->colorTable(), picture.DibSection()->colorTable());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(slotPixel(store, 3, x, y), std::as_const(*picture.DibSection()).rawPixel(x, y))
                << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, SnapshotStoreFormats,
                         ::testing::Values(FormatCase{"BlackWhite", ifBlackWhite}, FormatCase{"Gray16", ifGray16},
                                           FormatCase{"Color16", ifColor16}, FormatCase{"Color256", ifColor256},
                                           FormatCase{"TrueColor", ifTrueColor}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SnapshotStore, KeepsEachSlotApartAndEmptiesForAnEmptyPicture)
{
    TDibGraphic picture;
    picture.NewImage(4, 3, ifTrueColor, nullptr, 0, 0);
    picture.SetPixelRGB(1, 1, 0x123456);
    SnapshotStore store(25);
    store.store(1, picture);
    picture.SetPixelRGB(1, 1, 0xABCDEF);
    store.store(2, picture);
    EXPECT_EQ(slotPixel(store, 1, 1, 1), 0x123456u);
    EXPECT_EQ(slotPixel(store, 2, 1, 1), 0xABCDEFu);
    EXPECT_EQ(store.snapshot(0), nullptr);
    EXPECT_EQ(store.bytes(), 2 * store.snapshot(1)->imageBytes());

    TDibGraphic empty;
    store.store(1, empty);
    EXPECT_EQ(store.snapshot(1), nullptr);
}

TEST(SnapshotStore, ASlotFollowsThePictureSize)
{
    TDibGraphic picture;
    picture.NewImage(4, 3, ifTrueColor, nullptr, 0, 0);
    SnapshotStore store(25);
    store.store(1, picture);
    picture.NewImage(9, 2, ifTrueColor, nullptr, 0, 0);
    store.store(1, picture);
    EXPECT_EQ(store.snapshot(1)->width(), 9);
    EXPECT_EQ(store.snapshot(1)->height(), 2);
}

// A grey snapshot restored into a wider true-colour picture (the width slider ran since): the
// picture turns grey at its own size, the snapshot's part keeps its exact indexes, the part the
// work image covers takes its colours as near as grey allows, and the part beyond the work
// image keeps the picture's own; the work image then shows what the picture shows.
TEST(SnapshotStore, RestoringTakesTheSlotsFormatAndKeepsTheSize)
{
    TDibGraphic grey;
    grey.NewImage(4, 3, ifGray256, nullptr, 72, 72);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            grey.SetPixelIndex(x, y, static_cast<uint32_t>(10 * x + 50 * y));
    SnapshotStore store(25);
    store.store(1, grey);

    TDibGraphic picture;
    picture.NewImage(10, 5, ifTrueColor, nullptr, 300, 300);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            picture.SetPixelRGB(x, y, 0x404040);
    picture.Canvas()->Brush()->SetColor(0x00C87D2A);
    TImage work;
    work.Picture()->Bitmap()->SetSize(8, 5);
    work.Canvas()->Brush()->SetColor(0x000000FF); // red, as a canvas colour
    work.Canvas()->FillRect(Rect(0, 0, 8, 5));
    SnapshotStore::prepareWorkImage(work);

    store.restoreInto(1, work, picture);
    ASSERT_EQ(picture.ImageFormat(), ifGray256);
    EXPECT_EQ(picture.GetWidth(), 10);
    EXPECT_EQ(picture.GetHeight(), 5);
    EXPECT_EQ(picture.XDpi(), 72);
    EXPECT_EQ(picture.DibSection()->colorTable(), grey.DibSection()->colorTable());
    // The brush chosen before stays with the picture's new canvas.
    EXPECT_EQ(picture.Canvas()->Brush()->Color(), TColor(0x00C87D2A));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture.GetPixelIndex(x, y), static_cast<uint32_t>(10 * x + 50 * y)) << x << "," << y;
    const uint32_t redAsGrey = picture.GetPixelRGB(5, 1);
    EXPECT_EQ(redAsGrey & 0xFF, (redAsGrey >> 16) & 0xFF);
    EXPECT_EQ(picture.GetPixelRGB(1, 4), redAsGrey);
    // Beyond the work image: the picture's own dark grey, matched as blits into 8 bits match.
    const uint32_t kept = picture.GetPixelRGB(9, 2);
    EXPECT_NEAR(static_cast<int>(kept & 0xFF), 0x40, 4);
    EXPECT_EQ(kept & 0xFF, (kept >> 16) & 0xFF);
    EXPECT_NE(kept, redAsGrey);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint32_t shown = picture.GetPixelRGB(x, y);
            const TColor asCanvas = ((shown & 0xFF) << 16) | (shown & 0xFF00) | ((shown >> 16) & 0xFF);
            EXPECT_EQ(work.Canvas()->Pixels(x, y) & 0xFFFFFF, asCanvas) << x << "," << y;
        }
}

} // namespace
