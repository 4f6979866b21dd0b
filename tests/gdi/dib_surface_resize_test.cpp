// Resizing a surface in place: the pixels at the top left stay where the picture shows them,
// whichever way the rows are re-spaced and shifted inside the buffer.

#include "platform/gdi/dib_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

uint32_t pattern(int x, int y)
{
    return (static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u) & 0xFFFFFFu;
}

TEST(DibSurfaceResize, KeepsTheTopLeftPixels)
{
    struct Case {
        int bits, width, height, newWidth, newHeight;
    };
    // Widths chosen so that row lengths change and stay (3 and 4 pixels share a 12-byte row at
    // 24 bits), big enough to cover more than one huge page.
    const Case cases[] = {
        {24, 7, 5, 6, 5},     {24, 7, 5, 9, 5},         {24, 4, 6, 3, 6},     {24, 7, 5, 7, 3},
        {24, 7, 5, 7, 8},     {24, 7, 5, 3, 9},         {24, 7, 5, 11, 2},    {32, 5, 4, 8, 2},
        {32, 5, 4, 2, 7},     {24, 1500, 1200, 1499, 1200}, {24, 1500, 1200, 1502, 1203},
        {32, 1500, 1200, 1497, 1199},
        // Big buffers are mappings of their own: remapped smaller and larger, and moved between
        // a mapping and the heap.
        {32, 2000, 1500, 1998, 1500}, {32, 2000, 1500, 2002, 1502}, {32, 1500, 1500, 1400, 1400},
        {32, 1400, 1400, 1500, 1500},
        // Across the smallest mapped size (half a huge page): from a mapping to the heap and back.
        {32, 600, 500, 400, 400}, {32, 400, 400, 600, 500},
    };
    for (const Case& c : cases) {
        gdi::DibSurface surface(c.width, c.height, c.bits);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                surface.setRawPixel(x, y, pattern(x, y));
        (void)surface.takeWrittenRows();
        surface.resizeKeepingTopLeft(c.newWidth, c.newHeight);
        const std::string name = std::to_string(c.bits) + " bits " + std::to_string(c.width) + "x"
                               + std::to_string(c.height) + " -> " + std::to_string(c.newWidth) + "x"
                               + std::to_string(c.newHeight);
        ASSERT_EQ(surface.width(), c.newWidth) << name;
        ASSERT_EQ(surface.height(), c.newHeight) << name;
        EXPECT_EQ(surface.rowBytes(), gdi::DibSurface::rowBytesFor(c.newWidth, c.bits)) << name;
        EXPECT_EQ(surface.takeWrittenRows(), gdi::RowRange::all()) << name;
        int wrong = 0;
        for (int y = 0; y < std::min(c.height, c.newHeight); ++y)
            for (int x = 0; x < std::min(c.width, c.newWidth); ++x)
                wrong += (surface.rawPixel(x, y) & 0xFFFFFFu) != pattern(x, y);
        EXPECT_EQ(wrong, 0) << name;
    }
}

} // namespace
