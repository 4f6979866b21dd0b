#include "platform/framework/size_policy.h"

#include "platform/framework/exceptions.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include <unistd.h>

namespace PictureSizePolicy {

namespace {

std::atomic<uint64_t> overrideBytes{0};

uint64_t defaultBytes()
{
    constexpr uint64_t floorBytes = uint64_t{256} << 20;
    constexpr uint64_t ceilingBytes = uint64_t{4} << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return floorBytes;
    const uint64_t physical = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    return std::clamp(physical / 4, floorBytes, ceilingBytes);
}

} // namespace

uint64_t maxBytes()
{
    const uint64_t set = overrideBytes.load(std::memory_order_relaxed);
    if (set != 0)
        return set;
    static const uint64_t computed = defaultBytes();
    return computed;
}

void setMaxBytes(uint64_t bytes)
{
    overrideBytes.store(bytes, std::memory_order_relaxed);
}

namespace {

// Bytes of one row of width pixels at bitsPerPixel, padded to four bytes; 0 when the sides are
// out of range. Both sides below 2^31 keep every product below 2^64.
uint64_t paddedRowBytes(int64_t width, int64_t height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        return 0;
    if (width > std::numeric_limits<int32_t>::max() || height > std::numeric_limits<int32_t>::max())
        return 0;
    const uint64_t rowBytes = ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 31) / 32) * 4;
    return rowBytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ? 0 : rowBytes;
}

} // namespace

bool fits(int64_t width, int64_t height, int bitsPerPixel)
{
    const uint64_t rowBytes = paddedRowBytes(width, height, bitsPerPixel);
    return rowBytes != 0 && rowBytes <= maxBytes() / static_cast<uint64_t>(height);
}

void check(int64_t width, int64_t height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        throw EInvalidGraphic(QStringLiteral("Invalid bitmap: size %1 x %2").arg(width).arg(height));
    if (!fits(width, height, bitsPerPixel))
        throw EInvalidGraphic(tooLargeMessage(width, height));
}

void checkFile(int64_t width, int64_t height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        RaiseDamagedFile(QStringLiteral("размер рисунка %1 x %2").arg(width).arg(height));
    if (!fits(width, height, bitsPerPixel) || !fitsWindow(width, height))
        RaisePictureTooLarge(width, height);
}

QString tooLargeMessage(int64_t width, int64_t height)
{
    return QStringLiteral("Рисунок %1 на %2 точек слишком велик: для него не хватает памяти").arg(width).arg(height);
}

bool fitsWindow(int64_t width, int64_t height)
{
    const uint64_t pictureRow = paddedRowBytes(width, height, 24);
    const uint64_t workRow = paddedRowBytes(width, height, 32);
    return pictureRow != 0 && workRow != 0 && pictureRow + workRow <= maxBytes() / static_cast<uint64_t>(height);
}

void checkWindow(int64_t width, int64_t height)
{
    if (!fitsWindow(width, height))
        throw Exception(tooLargeMessage(width, height));
}

} // namespace PictureSizePolicy
