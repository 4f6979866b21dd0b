#include "imaging/formats/tiff_row_converters.h"

#include <algorithm>
#include <cstring>

namespace TiffRows {

namespace {

// The picture keeps 8 bits per channel: a 16-bit sample gives its high byte.
template <typename Sample>
uint32_t top8(const uint8_t* samples, size_t index)
{
    if constexpr (sizeof(Sample) == 1) {
        return samples[index];
    } else {
        Sample value;
        std::memcpy(&value, samples + index * sizeof(Sample), sizeof value);
        return value >> 8;
    }
}

// A picture has no transparency, so a transparent pixel is shown as it would be on white
// paper. Associated alpha means the colour is already multiplied by it.
template <Alpha A>
uint8_t overWhite(uint32_t colour, uint32_t alpha)
{
    if constexpr (A == Alpha::None)
        return static_cast<uint8_t>(colour);
    else if constexpr (A == Alpha::Associated)
        return static_cast<uint8_t>(std::min<uint32_t>(255, colour + 255 - alpha));
    else
        return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

template <typename Sample, Alpha A>
void greyRow(const uint8_t* samples, uint8_t* row, const Context& context)
{
    const uint32_t step = context.samplesPerPixel;
    const uint32_t flip = context.minIsWhite ? 255 : 0;
    for (uint32_t x = 0; x < context.width; ++x) {
        const size_t at = size_t{x} * step;
        const uint32_t grey = top8<Sample>(samples, at) ^ flip;
        const uint32_t alpha = A == Alpha::None ? 255 : top8<Sample>(samples, at + 1);
        row[x] = overWhite<A>(grey, alpha);
    }
}

template <typename Sample, Alpha A>
void rgbRow(const uint8_t* samples, uint8_t* row, const Context& context)
{
    const uint32_t step = context.samplesPerPixel;
    for (uint32_t x = 0; x < context.width; ++x) {
        const size_t at = size_t{x} * step;
        const uint32_t alpha = A == Alpha::None ? 255 : top8<Sample>(samples, at + 3);
        uint8_t* out = row + size_t{x} * 3;
        out[0] = overWhite<A>(top8<Sample>(samples, at + 2), alpha);
        out[1] = overWhite<A>(top8<Sample>(samples, at + 1), alpha);
        out[2] = overWhite<A>(top8<Sample>(samples, at), alpha);
    }
}

template <typename Sample>
uint64_t sampleAt(const uint8_t* samples, size_t index)
{
    Sample value;
    std::memcpy(&value, samples + index * sizeof(Sample), sizeof value);
    return value;
}

// Ink amounts to light: each colour is what its own ink and the black ink leave of white,
// (max - K)(max - C) / max^2 of full light. Worked out in whole samples and rounded once
// to the nearest 8-bit level, so deep files lose nothing to an early cut to 8 bits.
template <typename Sample>
void cmykRow(const uint8_t* samples, uint8_t* row, const Context& context)
{
    constexpr uint64_t max = (uint64_t{1} << (8 * sizeof(Sample))) - 1;
    constexpr uint64_t whole = max * max;
    const uint32_t step = context.samplesPerPixel;
    const auto level = [](uint64_t light, uint64_t ink) {
        return static_cast<uint8_t>((light * (max - ink) * 255 + whole / 2) / whole);
    };
    for (uint32_t x = 0; x < context.width; ++x) {
        const size_t at = size_t{x} * step;
        const uint64_t light = max - sampleAt<Sample>(samples, at + 3);
        uint8_t* out = row + size_t{x} * 3;
        out[0] = level(light, sampleAt<Sample>(samples, at + 2));
        out[1] = level(light, sampleAt<Sample>(samples, at + 1));
        out[2] = level(light, sampleAt<Sample>(samples, at));
    }
}

// Values of Bits bits (leftmost in the high bits) mapped through map into 4-bit values.
template <int Bits>
void widenTo4(const uint8_t* samples, uint8_t* row, uint32_t width, const uint8_t* map)
{
    constexpr uint32_t perByte = 8 / Bits;
    constexpr uint32_t mask = (1u << Bits) - 1;
    std::memset(row, 0, (size_t{width} + 1) / 2);
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t shift = 8 - Bits * (x % perByte + 1);
        const uint32_t value = map[(samples[x / perByte] >> shift) & mask];
        row[x / 2] |= static_cast<uint8_t>(x % 2 ? value : value << 4);
    }
}

template <typename Sample>
Converter greyFor(Alpha alpha)
{
    switch (alpha) {
    case Alpha::Associated:
        return &greyRow<Sample, Alpha::Associated>;
    case Alpha::Unassociated:
        return &greyRow<Sample, Alpha::Unassociated>;
    default:
        return &greyRow<Sample, Alpha::None>;
    }
}

template <typename Sample>
Converter rgbFor(Alpha alpha)
{
    switch (alpha) {
    case Alpha::Associated:
        return &rgbRow<Sample, Alpha::Associated>;
    case Alpha::Unassociated:
        return &rgbRow<Sample, Alpha::Unassociated>;
    default:
        return &rgbRow<Sample, Alpha::None>;
    }
}

} // namespace

void copyRow(const uint8_t* samples, uint8_t* row, const Context& context)
{
    std::memcpy(row, samples, context.sampleRowBytes);
}

void copyInvertedRow(const uint8_t* samples, uint8_t* row, const Context& context)
{
    for (size_t i = 0; i < context.sampleRowBytes; ++i)
        row[i] = static_cast<uint8_t>(~samples[i]);
}

void invertInPlace(uint8_t* row, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        row[i] = static_cast<uint8_t>(~row[i]);
}

void grey2ToGrey16Row(const uint8_t* samples, uint8_t* row, const Context& context)
{
    static constexpr uint8_t blackFirst[4] = {0, 5, 10, 15};
    static constexpr uint8_t whiteFirst[4] = {15, 10, 5, 0};
    widenTo4<2>(samples, row, context.width, context.minIsWhite ? whiteFirst : blackFirst);
}

void palette1ToColor16Row(const uint8_t* samples, uint8_t* row, const Context& context)
{
    static constexpr uint8_t same[2] = {0, 1};
    widenTo4<1>(samples, row, context.width, same);
}

void palette2ToColor16Row(const uint8_t* samples, uint8_t* row, const Context& context)
{
    static constexpr uint8_t same[4] = {0, 1, 2, 3};
    widenTo4<2>(samples, row, context.width, same);
}

Converter greyConverter(int bitsPerSample, Alpha alpha)
{
    return bitsPerSample == 16 ? greyFor<uint16_t>(alpha) : greyFor<uint8_t>(alpha);
}

Converter rgbConverter(int bitsPerSample, Alpha alpha)
{
    return bitsPerSample == 16 ? rgbFor<uint16_t>(alpha) : rgbFor<uint8_t>(alpha);
}

Converter cmykConverter(int bitsPerSample)
{
    return bitsPerSample == 16 ? &cmykRow<uint16_t> : &cmykRow<uint8_t>;
}

void rgbaRasterRow(const uint32_t* raster, uint8_t* row, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t abgr = raster[x];
        const uint32_t alpha = abgr >> 24;
        uint8_t* out = row + size_t{x} * 3;
        out[0] = overWhite<Alpha::Associated>((abgr >> 16) & 0xFF, alpha);
        out[1] = overWhite<Alpha::Associated>((abgr >> 8) & 0xFF, alpha);
        out[2] = overWhite<Alpha::Associated>(abgr & 0xFF, alpha);
    }
}

} // namespace TiffRows
