// Big pixel buffers given up are kept for the next ones: a new buffer takes a kept one of about
// its size, zeroed, and only so many are kept.

#include "platform/gdi/pixel_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Sizes no other test uses, so that the kept buffers seen here are this test's own.
constexpr size_t kBig = (size_t{17} << 20) + 12345;

TEST(PixelMemory, ABigBufferGivenUpIsTakenAgainZeroed)
{
    // Only one picture's worth is kept: what earlier tests left would give way to this one.
    gdi::PixelMemory::releaseKept();
    const size_t keptBefore = gdi::PixelMemory::keptBytes();
    uint8_t* first = nullptr;
    {
        gdi::PixelMemory memory(kBig);
        first = memory.data();
        std::memset(first, 0xAB, kBig);
    }
    EXPECT_GE(gdi::PixelMemory::keptBytes(), keptBefore + kBig);

    gdi::PixelMemory again(kBig - 4096);
    EXPECT_EQ(again.data(), first);
    EXPECT_EQ(again.size(), kBig - 4096);
    EXPECT_TRUE(std::all_of(again.data(), again.data() + again.size(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(gdi::PixelMemory::keptBytes(), keptBefore);
}

TEST(PixelMemory, AKeptBufferIsNotCutUpForAMuchSmallerOne)
{
    uint8_t* big = nullptr;
    {
        gdi::PixelMemory memory(3 * kBig);
        big = memory.data();
    }
    gdi::PixelMemory small(kBig);
    EXPECT_NE(small.data(), big);
    gdi::PixelMemory large(3 * kBig);
    EXPECT_EQ(large.data(), big);
}

TEST(PixelMemory, OnlyAFewBuffersAreKept)
{
    {
        std::vector<std::unique_ptr<gdi::PixelMemory>> buffers;
        for (int i = 0; i < 10; ++i)
            buffers.push_back(std::make_unique<gdi::PixelMemory>(kBig));
    }
    // Each is kept whole huge pages long.
    EXPECT_LE(gdi::PixelMemory::keptBytes(), 4 * (kBig + (size_t{2} << 20)));
}

// A picture command gives up the picture and a temporary of the same size: one is kept, and
// closing the last window hands it back.
TEST(PixelMemory, KeepsOnePicturesWorthAndReleasesItOnRequest)
{
    {
        gdi::PixelMemory picture(kBig);
        gdi::PixelMemory temporary(kBig);
        gdi::PixelMemory smaller(kBig / 2);
    }
    EXPECT_LE(gdi::PixelMemory::keptBytes(), kBig + (size_t{2} << 20));
    EXPECT_GE(gdi::PixelMemory::keptBytes(), kBig / 2);
    gdi::PixelMemory::releaseKept();
    EXPECT_EQ(gdi::PixelMemory::keptBytes(), 0u);
}

} // namespace
