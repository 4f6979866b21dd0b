// The undo slots hold true copies of the picture, whatever its format.

#include "editing/snapshot_store.h"

#include "imaging/dib_graphic.h"
#include "platform/gdi/dib_surface.h"

#include <gtest/gtest.h>

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

TEST_P(SnapshotStoreFormats, CopiesEveryPixelAsTrueColour)
{
    TDibGraphic picture;
    picture.NewImage(7, 5, GetParam().format, nullptr, 0, 0);
    // Black and white, placed unevenly so that a row or byte-order slip shows.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            picture.SetPixelRGB(x, y, (x * 3 + y) % 4 == 0 ? 0xFFFFFF : 0x000000);

    SnapshotStore store(25);
    const uint64_t changes = picture.ChangeCount();
    store.store(3, picture);
    // Taking a snapshot only reads: the view keeps what it rendered of the picture.
    EXPECT_EQ(picture.ChangeCount(), changes);
    ASSERT_NE(store.snapshot(3), nullptr);
    EXPECT_EQ(store.snapshot(3)->bitsPerPixel(), 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(slotPixel(store, 3, x, y), picture.GetPixelRGB(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, SnapshotStoreFormats,
                         ::testing::Values(FormatCase{"BlackWhite", ifBlackWhite}, FormatCase{"Gray16", ifGray16},
                                           FormatCase{"Color256", ifColor256}, FormatCase{"TrueColor", ifTrueColor}),
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

} // namespace
