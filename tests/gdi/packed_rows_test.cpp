// The packed-row table against plain per-pixel access: the surface's own pixel read and write
// for the depths a surface has, the layout's definition for 2 and 16 bits. Seeded random rows,
// start pixels on and off byte boundaries, and counts from none to the whole row.

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/packed_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <random>
#include <string>
#include <vector>

namespace {

using gdi::DibSurface;
using gdi::PackedRowFormat;

bool surfaceHasDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// One row with plain single-pixel access. Depths a surface has live in a one-row surface and
// use its rawPixel / setRawPixel; 2 and 16 bits are read and written as the layout defines.
class PlainRow {
public:
    PlainRow(int width, int bits) : width_(width), bits_(bits)
    {
        if (surfaceHasDepth(bits))
            surface_ = std::make_unique<DibSurface>(width, 1, bits);
        else
            bytes_.resize(static_cast<size_t>(DibSurface::rowBytesFor(width, bits)));
    }

    uint8_t* bytes() { return surface_ ? surface_->scanLine(0) : bytes_.data(); }
    size_t size() const { return static_cast<size_t>(DibSurface::rowBytesFor(width_, bits_)); }

    uint32_t get(int x)
    {
        if (surface_)
            return surface_->rawPixel(x, 0);
        const uint8_t* row = bytes_.data();
        if (bits_ == 2)
            return (row[x / 4] >> (6 - 2 * (x % 4))) & 3u;
        const uint32_t v = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
        auto channel = [](uint32_t c) { return (c * 255 + 15) / 31; };
        return (channel((v >> 10) & 31) << 16) | (channel((v >> 5) & 31) << 8) | channel(v & 31);
    }

    void set(int x, uint32_t value)
    {
        if (surface_) {
            surface_->setRawPixel(x, 0, value);
            return;
        }
        uint8_t* row = bytes_.data();
        if (bits_ == 2) {
            const int shift = 6 - 2 * (x % 4);
            row[x / 4] = static_cast<uint8_t>((row[x / 4] & ~(3u << shift)) | ((value & 3u) << shift));
            return;
        }
        // Each channel scaled to five bits, rounded.
        auto channel = [](uint32_t c) { return (c * 31 + 127) / 255; };
        const uint32_t v = (channel((value >> 16) & 0xFF) << 10) | (channel((value >> 8) & 0xFF) << 5)
            | channel(value & 0xFF);
        row[2 * x] = static_cast<uint8_t>(v);
        row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
    }

private:
    int width_;
    int bits_;
    std::unique_ptr<DibSurface> surface_;
    std::vector<uint8_t> bytes_;
};

struct Trial {
    int width;
    int x0;
    int count;
};

class PackedRowsTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
    const PackedRowFormat& format() const { return gdi::packedRowFormat(bits()); }

    // A random row, start and count; every fifth trial runs to the row's end.
    Trial randomTrial(PlainRow& row, int width)
    {
        for (size_t i = 0; i < row.size(); ++i)
            row.bytes()[i] = static_cast<uint8_t>(random_());
        const int x0 = std::uniform_int_distribution<int>(0, width - 1)(random_);
        const int rest = width - x0;
        const int count = random_() % 5 == 0 ? rest : std::uniform_int_distribution<int>(0, rest)(random_);
        return {width, x0, count};
    }

    int randomWidth() { return std::uniform_int_distribution<int>(1, 150)(random_); }

    // The bytes the pixels [0, end) occupy, copied to a block of exactly that size, so that a
    // read past them is caught by the address sanitizer.
    std::vector<uint8_t> exactBytes(PlainRow& row, int end) const
    {
        const size_t n = (static_cast<size_t>(end) * static_cast<size_t>(bits()) + 7) / 8;
        return std::vector<uint8_t>(row.bytes(), row.bytes() + n);
    }

    std::mt19937 random_{20261210u};
};

TEST_P(PackedRowsTest, FetchAgreesWithPixelRead)
{
    std::vector<uint32_t> colors(256);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = randomWidth();
        PlainRow row(width, bits());
        const Trial t = randomTrial(row, width);
        for (uint32_t& c : colors)
            c = random_();
        const std::vector<uint8_t> exact = exactBytes(row, t.x0 + t.count);

        std::vector<uint32_t> values(static_cast<size_t>(t.count) + 1, 0xDEADBEEFu);
        std::vector<uint32_t> shown(values);
        std::vector<uint8_t> indexes(static_cast<size_t>(t.count) + 1, 0xA5);
        format().fetch(exact.data(), t.x0, t.count, values.data());
        format().fetchColors(exact.data(), t.x0, t.count, colors.data(), shown.data());
        if (format().isPalettised())
            format().fetchIndexes(exact.data(), t.x0, t.count, indexes.data());
        for (int i = 0; i < t.count; ++i) {
            const uint32_t expected = row.get(t.x0 + i);
            ASSERT_EQ(values[i], expected) << "width " << width << " x0 " << t.x0 << " pixel " << i;
            ASSERT_EQ(shown[i], format().isPalettised() ? colors[expected] : expected) << "pixel " << i;
            if (format().isPalettised()) {
                ASSERT_EQ(indexes[i], expected) << "pixel " << i;
            }
        }
        EXPECT_EQ(values[t.count], 0xDEADBEEFu) << "wrote past count";
        EXPECT_EQ(shown[t.count], 0xDEADBEEFu) << "wrote past count";
        EXPECT_EQ(indexes[t.count], 0xA5) << "wrote past count";
    }
}

TEST_P(PackedRowsTest, StoreAgreesWithPixelWrite)
{
    for (int trial = 0; trial < 400; ++trial) {
        const int width = randomWidth();
        PlainRow row(width, bits());
        const Trial t = randomTrial(row, width);
        std::vector<uint8_t> stored(row.bytes(), row.bytes() + row.size());
        std::vector<uint8_t> storedIndexes(stored);

        // Any 32-bit value: the unused high bits must be dropped as the pixel write drops them.
        std::vector<uint32_t> values(static_cast<size_t>(t.count));
        std::vector<uint8_t> indexes(static_cast<size_t>(t.count));
        for (int i = 0; i < t.count; ++i) {
            values[i] = random_();
            indexes[i] = static_cast<uint8_t>(random_());
        }
        format().store(values.data(), t.x0, t.count, stored.data());
        if (format().isPalettised())
            format().storeIndexes(indexes.data(), t.x0, t.count, storedIndexes.data());

        const std::vector<uint8_t> before(row.bytes(), row.bytes() + row.size());
        for (int i = 0; i < t.count; ++i)
            row.set(t.x0 + i, values[i]);
        const std::vector<uint8_t> expected(row.bytes(), row.bytes() + row.size());
        ASSERT_EQ(stored, expected) << "width " << width << " x0 " << t.x0 << " count " << t.count;

        if (format().isPalettised()) {
            std::copy(before.begin(), before.end(), row.bytes());
            for (int i = 0; i < t.count; ++i)
                row.set(t.x0 + i, indexes[i]);
            const std::vector<uint8_t> expectedIndexes(row.bytes(), row.bytes() + row.size());
            ASSERT_EQ(storedIndexes, expectedIndexes) << "width " << width << " x0 " << t.x0 << " count " << t.count;
        }
    }
}

// Conversion between depths of one kind keeps every value: the per-pixel read of the source
// written pixel by pixel into the target.
TEST_P(PackedRowsTest, ConvertAgreesWithPixelCopy)
{
    const std::vector<int> kinds = format().isPalettised() ? std::vector<int>{1, 2, 4, 8} : std::vector<int>{16, 24, 32};
    for (int trial = 0; trial < 200; ++trial) {
        const int width = randomWidth();
        PlainRow source(width, bits());
        const Trial t = randomTrial(source, width);
        const int targetBits = kinds[random_() % kinds.size()];
        PlainRow target(width, targetBits);
        for (size_t i = 0; i < target.size(); ++i)
            target.bytes()[i] = static_cast<uint8_t>(random_());
        const int targetX = std::uniform_int_distribution<int>(0, width - t.count)(random_);
        std::vector<uint8_t> converted(target.bytes(), target.bytes() + target.size());

        gdi::convertPackedRow(format(), source.bytes(), t.x0, gdi::packedRowFormat(targetBits), converted.data(),
                              targetX, t.count);
        for (int i = 0; i < t.count; ++i)
            target.set(targetX + i, source.get(t.x0 + i));
        const std::vector<uint8_t> expected(target.bytes(), target.bytes() + target.size());
        ASSERT_EQ(converted, expected) << bits() << " to " << targetBits << " bits, width " << width;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, PackedRowsTest, ::testing::Values(1, 2, 4, 8, 16, 24, 32),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Bits" + std::to_string(info.param);
                         });

// Codecs read 16-bit pixels and write them back: every five-bit level survives the trip.
TEST(PackedRows, SixteenBitLevelsSurviveFetchAndStore)
{
    for (uint32_t v = 0; v < 32; ++v)
        EXPECT_EQ(gdi::reduceChannel8(gdi::expandChannel5(v)), v) << v;
}

TEST(PackedRows, UnknownDepthIsRefused)
{
    EXPECT_FALSE(gdi::hasPackedRowFormat(3));
    EXPECT_THROW(gdi::packedRowFormat(12), std::invalid_argument);
}

} // namespace
