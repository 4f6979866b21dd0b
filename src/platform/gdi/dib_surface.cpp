#include "dib_surface.h"

#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

namespace gdi {

namespace {

// Big pictures are touched page by page the first time they are written; with 4 KiB pages
// that is thousands of faults per copy, huge pages make it a few dozen. The whole pages of the
// buffer are marked, so that its mapping stays one piece and can still be resized in place.
void preferHugePages([[maybe_unused]] void* bits, [[maybe_unused]] size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kLeast = size_t{4} << 20;
    if (bytes < kLeast)
        return;
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(bits);
    const uintptr_t first = start & ~(page - 1);
    const uintptr_t end = (start + bytes + page - 1) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

} // namespace

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

int DibSurface::checkedRowBytes(int width, int height) const
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("bitmap size must be positive");
    const int64_t rowBytes = rowBytesFor(width, bitsPerPixel_);
    if (rowBytes > std::numeric_limits<int32_t>::max()
        || static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height) > std::numeric_limits<size_t>::max() / 2)
        throw std::bad_alloc();
    return static_cast<int>(rowBytes);
}

void DibSurface::reallocate(size_t from, size_t bytes)
{
    if (bytes == from)
        return;
    // Big buffers are moved by remapping their pages, not by copying them.
    auto* moved = static_cast<uint8_t*>(std::realloc(bits_.get(), bytes));
    if (!moved)
        throw std::bad_alloc();
    (void)bits_.release();
    bits_.reset(moved);
    preferHugePages(moved, bytes);
}

void DibSurface::reshape(int width, int height)
{
    const int rowBytes = checkedRowBytes(width, height);
    reallocate(imageBytes(), static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
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
    reallocate(imageBytes(), most);
    uint8_t* base = bits_.get();
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
        reallocate(most, newRow * newRows);
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
