#include "dib_surface.h"

#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace gdi {

int64_t DibSurface::rowBytesFor(int64_t width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

namespace {

int validRowBytes(int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("bitmap size must be positive");
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::invalid_argument("unsupported bits per pixel");
    const int64_t rowBytes = DibSurface::rowBytesFor(width, bitsPerPixel);
    if (rowBytes > std::numeric_limits<int32_t>::max()
        || static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height) > std::numeric_limits<size_t>::max() / 2)
        throw std::bad_alloc();
    return static_cast<int>(rowBytes);
}

} // namespace

DibSurface::DibSurface(int width, int height, int bitsPerPixel, std::span<const RgbQuad> colorTable)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      rowBytes_(validRowBytes(width, height, bitsPerPixel)),
      memory_(static_cast<size_t>(rowBytes_) * static_cast<size_t>(height))
{
    setColorTable(colorTable);
}

int DibSurface::checkedRowBytes(int width, int height) const
{
    return validRowBytes(width, height, bitsPerPixel_);
}

void DibSurface::reshape(int width, int height)
{
    const int rowBytes = checkedRowBytes(width, height);
    memory_.resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
    width_ = width;
    height_ = height;
    rowBytes_ = rowBytes;
    written_.noteAll();
}

void DibSurface::resizeKeepingTopLeft(int width, int height)
{
    const size_t newRow = static_cast<size_t>(checkedRowBytes(width, height));
    const size_t oldRow = static_cast<size_t>(rowBytes_);
    const size_t oldRows = static_cast<size_t>(height_);
    const size_t newRows = static_cast<size_t>(height);
    // Room for every stage: the rows re-spaced first, then shifted for the new height.
    const size_t most = std::max({oldRow * oldRows, newRow * oldRows, newRow * newRows});
    memory_.resize(most);
    uint8_t* base = memory_.data();
    // Rows are stored bottom-up, the top row last. Re-spacing toward lower addresses goes from
    // the bottom row up, toward higher ones from the top row down, so no row is overwritten
    // before it has moved.
    const size_t kept = std::min(oldRow, newRow);
    if (newRow < oldRow) {
        for (size_t k = 1; k < oldRows; ++k)
            std::memmove(base + k * newRow, base + k * oldRow, kept);
    } else if (newRow > oldRow) {
        for (size_t k = oldRows; k-- > 1;)
            std::memmove(base + k * newRow, base + k * oldRow, kept);
    }
    // The top rows stay the top rows: the kept block moves to the new buffer's end.
    const size_t keptRows = std::min(oldRows, newRows);
    const size_t from = (oldRows - keptRows) * newRow;
    const size_t to = (newRows - keptRows) * newRow;
    if (from != to)
        std::memmove(base + to, base + from, keptRows * newRow);
    rowBytes_ = static_cast<int>(newRow);
    height_ = height;
    width_ = width;
    // Shrinking in place does not fail in practice; if it did, the bigger buffer would do.
    try {
        memory_.resize(newRow * newRows);
    } catch (const std::bad_alloc&) {
    }
    written_.noteAll();
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
