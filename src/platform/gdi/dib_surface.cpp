#include "dib_surface.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>

namespace gdi {

int64_t DibSurface::rowBytesFor(int64_t width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

void DibSurface::FreeDeleter::operator()(uint8_t* p) const
{
    std::free(p);
}

DibSurface::DibSurface(int width, int height, int bitsPerPixel, std::span<const RgbQuad> colorTable)
    : width_(width), height_(height), bitsPerPixel_(bitsPerPixel), rowBytes_(0)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("bitmap size must be positive");
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::invalid_argument("unsupported bits per pixel");
    const int64_t rowBytes = rowBytesFor(width, bitsPerPixel);
    if (rowBytes > std::numeric_limits<int32_t>::max()
        || static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height) > std::numeric_limits<size_t>::max() / 2)
        throw std::bad_alloc();
    rowBytes_ = static_cast<int>(rowBytes);
    // calloc: the bits start zero, and large buffers get lazily zeroed pages from the system.
    bits_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(rowBytes), static_cast<size_t>(height))));
    if (!bits_)
        throw std::bad_alloc();
    setColorTable(colorTable);
}

void DibSurface::setColorTable(std::span<const RgbQuad> table)
{
    written_.noteAll();
    const size_t capacity = isPalettised() ? (size_t{1} << bitsPerPixel_) : 0;
    colorTable_.assign(table.begin(), table.begin() + std::min(table.size(), capacity));
}

uint32_t DibSurface::rawPixel(int x, int y) const
{
    const uint8_t* row = scanLine(y);
    switch (bitsPerPixel_) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 24: {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
    default: {
        const uint8_t* p = row + 4 * static_cast<size_t>(x);
        return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
    }
}

void DibSurface::setRawPixel(int x, int y, uint32_t value)
{
    uint8_t* row = scanLine(y);
    switch (bitsPerPixel_) {
    case 1: {
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = (value & 1u) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0u) | (value & 0x0Fu))
                    : static_cast<uint8_t>((b & 0x0Fu) | ((value & 0x0Fu) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<uint8_t>(value);
        break;
    case 24: {
        uint8_t* p = row + 3 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        break;
    }
    default: {
        uint8_t* p = row + 4 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        p[3] = 0;
        break;
    }
    }
}

} // namespace gdi
