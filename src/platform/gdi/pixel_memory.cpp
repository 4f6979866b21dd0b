#include "platform/gdi/pixel_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace gdi {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// A first touch of a small page costs about as much as filling it, so from half a huge page up
// (the work image of a new window, a view's screen copy) a buffer is huge pages only; at worst
// that doubles the memory of a picture of one or two megabytes.
constexpr size_t kLeastMapped = kHugePage / 2;

// Whole huge pages: a tail of small pages would cost a fault for every one of them.
size_t mappedLength(size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

void preferHugePages(uint8_t* start, size_t length)
{
#ifdef MADV_HUGEPAGE
    ::madvise(start, length, MADV_HUGEPAGE);
#else
    (void)start;
    (void)length;
#endif
}

// A zeroed mapping starting on a huge-page boundary, so that each whole huge page in it can be
// one. The advice covers the whole mapping, which therefore stays one piece the kernel can
// remap; advice on part of it would split it and make every resize a copy.
uint8_t* mapZeroed(size_t length)
{
    const size_t padded = length + kHugePage;
    void* mapped = ::mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto first = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t start = (first + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = start + length;
    if (start > first)
        ::munmap(mapped, start - first);
    if (first + padded > end)
        ::munmap(reinterpret_cast<void*>(end), first + padded - end);
    auto* bytes = reinterpret_cast<uint8_t*>(start);
    preferHugePages(bytes, length);
    return bytes;
}

struct Mapping {
    uint8_t* data = nullptr;
    size_t length = 0;
};

// Enough for the buffers one picture command gives up and takes again (the picture, the work
// image, a temporary), without holding on to a closed window's whole history: besides these
// bounds, no more than the biggest of them, one picture's worth.
constexpr size_t kMostKept = 4;
// A few huge pages fault in quickly; keeping them would only push the big buffers out.
constexpr size_t kLeastKept = 4 * kHugePage;
constexpr size_t kMostKeptBytes = size_t{512} << 20;

// Mappings given up and kept for the next buffers.
class KeptMappings {
public:
    // The kept mapping closest above length, cut to length, or none.
    Mapping take(size_t length)
    {
        std::unique_lock lock(mutex_);
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (!fits(it->length, length))
                continue;
            if (best == kept_.end() || it->length < best->length)
                best = it;
        }
        if (best == kept_.end())
            return {};
        Mapping found = *best;
        kept_.erase(best);
        lock.unlock();
        if (found.length > length) {
            ::munmap(found.data + length, found.length - length);
            found.length = length;
        }
        return found;
    }

    void give(uint8_t* data, size_t length)
    {
        std::vector<Mapping> dropped;
        {
            std::lock_guard lock(mutex_);
            if (length >= kLeastKept)
                kept_.push_back({data, length});
            else
                dropped.push_back({data, length});
            trim(dropped);
        }
        for (const Mapping& m : dropped)
            ::munmap(m.data, m.length);
    }

    void release()
    {
        std::deque<Mapping> dropped;
        {
            std::lock_guard lock(mutex_);
            dropped.swap(kept_);
        }
        for (const Mapping& m : dropped)
            ::munmap(m.data, m.length);
    }

    size_t bytes()
    {
        std::lock_guard lock(mutex_);
        return keptBytes();
    }

private:
    // A mapping serves requests of at least half its length, so that a big one is not cut up
    // for a small one.
    static bool fits(size_t have, size_t want) { return have >= want && have / 2 <= want; }

    size_t keptBytes() const
    {
        size_t total = 0;
        for (const Mapping& m : kept_)
            total += m.length;
        return total;
    }

    // The oldest go first when there are too many.
    void trim(std::vector<Mapping>& dropped)
    {
        size_t biggest = 0;
        for (const Mapping& m : kept_)
            biggest = std::max(biggest, m.length);
        const size_t most = std::min(kMostKeptBytes, biggest);
        while (!kept_.empty() && (kept_.size() > kMostKept || keptBytes() > most)) {
            dropped.push_back(kept_.front());
            kept_.pop_front();
        }
    }

    std::mutex mutex_;
    std::deque<Mapping> kept_; // oldest first
};

// Never destroyed: surfaces in static storage give their memory back after any static object
// would have gone.
KeptMappings& keptMappings()
{
    static auto* kept = new KeptMappings;
    return *kept;
}

} // namespace

PixelMemory::PixelMemory(size_t bytes) : size_(bytes)
{
    if (bytes >= kLeastMapped) {
        mapped_ = mappedLength(bytes);
        data_ = keptMappings().take(mapped_).data;
        if (data_)
            std::memset(data_, 0, bytes);
        else
            data_ = mapZeroed(mapped_);
    } else {
        data_ = static_cast<uint8_t*>(std::calloc(std::max<size_t>(bytes, 1), 1));
    }
    if (!data_)
        throw std::bad_alloc();
}

PixelMemory::~PixelMemory()
{
    if (mapped_)
        keptMappings().give(data_, mapped_);
    else
        std::free(data_);
}

size_t PixelMemory::keptBytes()
{
    return keptMappings().bytes();
}

void PixelMemory::releaseKept()
{
    keptMappings().release();
}

void PixelMemory::swap(PixelMemory& other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(mapped_, other.mapped_);
}

void PixelMemory::resize(size_t bytes)
{
    if (mapped_ && bytes >= kLeastMapped) {
        const size_t length = mappedLength(bytes);
        if (length != mapped_) {
            void* moved = ::mremap(data_, mapped_, length, MREMAP_MAYMOVE);
            if (moved == MAP_FAILED)
                throw std::bad_alloc();
            data_ = static_cast<uint8_t*>(moved);
            mapped_ = length;
        }
        size_ = bytes;
        return;
    }
    if (!mapped_ && bytes < kLeastMapped) {
        if (bytes == size_)
            return;
        auto* moved = static_cast<uint8_t*>(std::realloc(data_, std::max<size_t>(bytes, 1)));
        if (!moved)
            throw std::bad_alloc();
        data_ = moved;
        size_ = bytes;
        return;
    }
    // Crossing between the heap and a mapping: one copy.
    PixelMemory other(bytes);
    std::memcpy(other.data_, data_, std::min(size_, bytes));
    swap(other);
}

} // namespace gdi
