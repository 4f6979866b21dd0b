#include "platform/gdi/large_buffer.h"

#include <new>

#include <sys/mman.h>

namespace gdi {

LargeBuffer::LargeBuffer(size_t bytes)
    : size_(bytes)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    void* p = nullptr;
    if (bytes >= 2 * kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (p)
            ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
    } else {
        p = std::malloc(bytes > 0 ? bytes : 1);
    }
    if (!p)
        throw std::bad_alloc();
    bytes_.reset(static_cast<uint8_t*>(p));
}

} // namespace gdi
