#include "dib_surface.h"

#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include <sys/mman.h>

namespace gdi {

int64_t DibSurface::rowBytesFor(int64_t width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

namespace {

// Big pictures live on huge pages where the system offers them: a 12-megapixel picture then
// takes a few dozen page faults on first touch instead of thousands.
uint8_t* allocateZeroed(size_t bytes)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    if (bytes < 4 * kHugePage)
        return static_cast<uint8_t*>(std::calloc(bytes, 1));
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto* p = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded));
    if (!p)
        return nullptr;
    ::madvise(p, rounded, MADV_HUGEPAGE);
    std::memset(p, 0, bytes);
    return p;
}

} // namespace

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
    bits_.reset(allocateZeroed(static_cast<size_t>(rowBytes) * static_cast<size_t>(height)));
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
        return loadPackedPixel<1>(row, x);
    case 4:
        return loadPackedPixel<4>(row, x);
    case 8:
        return loadPackedPixel<8>(row, x);
    case 24:
        return loadPackedPixel<24>(row, x);
    default:
        return loadPackedPixel<32>(row, x);
    }
}

void DibSurface::setRawPixel(int x, int y, uint32_t value)
{
    uint8_t* row = scanLine(y);
    switch (bitsPerPixel_) {
    case 1:
        return storePackedPixel<1>(row, x, value);
    case 4:
        return storePackedPixel<4>(row, x, value);
    case 8:
        return storePackedPixel<8>(row, x, value);
    case 24:
        return storePackedPixel<24>(row, x, value);
    default:
        return storePackedPixel<32>(row, x, value);
    }
}

} // namespace gdi
