// PNG true colour compressed in parts on two threads: the file reads back to the picture's
// pixels, as the one-thread file does, at every size where the parts meet differently.
#include "platform/framework/png_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

// Flat stretches, gradients and noise: runs, Paeth predictions and literals all occur.
std::unique_ptr<gdi::DibSurface> picture(int width, int height, int bits, unsigned seed)
{
    auto surface = std::make_unique<gdi::DibSurface>(width, height, bits);
    std::mt19937 random(seed);
    const int bytesPerPixel = bits / 8;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = surface->scanLine(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                row[x * bytesPerPixel + c] = (x / 9 + y / 5) % 3 == 0 ? static_cast<uint8_t>(random())
                                           : static_cast<uint8_t>(x * (c + 1) + y);
    }
    return surface;
}

// Rows that differ in their colours (the spare byte of 32-bit pixels aside), or -1.
int firstDifferentRow(const gdi::DibSurface& source, const gdi::DibSurface& back)
{
    if (back.width() != source.width() || back.height() != source.height() || back.bitsPerPixel() != 24)
        return 0;
    const int step = source.bitsPerPixel() / 8;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (!std::equal(source.scanLine(y) + x * step, source.scanLine(y) + x * step + 3, back.scanLine(y) + x * 3))
                return y;
    return -1;
}

} // namespace

TEST(PngParts, PartsReadBackToThePixelsAtEverySize)
{
    struct Case {
        int width, height, bits, parts;
    };
    // One row (one part whatever is asked), one column, more parts than rows, uneven parts,
    // and the spare byte of 32-bit pixels dropped.
    const Case cases[] = {{300, 1, 24, 8}, {1, 40, 24, 3}, {17, 5, 24, 8}, {101, 67, 24, 2},
                          {64, 99, 24, 8},  {53, 31, 32, 4}};
    for (const Case& c : cases) {
        const auto source = picture(c.width, c.height, c.bits, unsigned(c.width * 31 + c.height));
        const std::vector<uint8_t> file = PngCodec::encodeInParts(*source, 300, 300, c.parts);
        const PngCodec::DecodedPng back = PngCodec::decode(file);
        EXPECT_EQ(back.layout.xDpi, 300);
        EXPECT_EQ(firstDifferentRow(*source, *back.surface), -1)
            << c.width << " x " << c.height << " at " << c.bits << " bits in " << c.parts << " parts";
        const PngCodec::DecodedPng alone = PngCodec::decode(PngCodec::encodeInParts(*source, 0, 0, 1));
        EXPECT_EQ(firstDifferentRow(*source, *alone.surface), -1);
    }
}

TEST(PngParts, TheJoinedPartsAreOneZlibStreamWithItsChecksum)
{
    // The reader may pass over a wrong checksum at the end of the data; zlib itself may not.
    for (int parts : {1, 2, 5}) {
        const auto source = picture(120, 80, 24, 3);
        const std::vector<uint8_t> file = PngCodec::encodeInParts(*source, 0, 0, parts);
        std::vector<uint8_t> stream;
        for (size_t at = 8; at + 12 <= file.size();) {
            const size_t length = size_t(file[at]) << 24 | size_t(file[at + 1]) << 16 | size_t(file[at + 2]) << 8 | file[at + 3];
            if (std::equal(file.begin() + long(at) + 4, file.begin() + long(at) + 8, "IDAT"))
                stream.insert(stream.end(), file.begin() + long(at) + 8, file.begin() + long(at + 8 + length));
            at += 12 + length;
        }
        std::vector<uint8_t> rows(80 * (1 + 120 * 3) + 1);
        uLongf size = rows.size();
        EXPECT_EQ(uncompress(rows.data(), &size, stream.data(), uLong(stream.size())), Z_OK) << parts << " parts";
        EXPECT_EQ(size, 80u * (1 + 120 * 3)) << parts << " parts";
    }
}
