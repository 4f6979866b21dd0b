#pragma once
// The bytes under a surface. Big buffers are mappings of their own: the whole mapping is marked
// for huge pages and a new size remaps its pages, so a size step of a few pixels on a big
// picture neither copies it nor touches its pages again. Small ones come from the C heap.
//
// A big buffer given up is kept for the next big one rather than handed back to the system
// (no more than one picture's worth):
// fresh pages cost a fault each, and many times more where the system has meanwhile passed its
// free pages on to a hypervisor, which it does with pages left free for a second or two.

#include <cstddef>
#include <cstdint>

namespace gdi {

class PixelMemory {
public:
    // bytes zero bytes. Throws std::bad_alloc when the memory cannot be had.
    explicit PixelMemory(size_t bytes);
    ~PixelMemory();

    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    // Keeps the first min(old, new) bytes; the bytes beyond them are undefined. Throws
    // std::bad_alloc, leaving the buffer as it was, when the memory cannot be had.
    void resize(size_t bytes);

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    // Bytes of the big buffers kept for reuse; for tests.
    static size_t keptBytes();
    // Hands every kept buffer back to the system (when the last picture window closes).
    static void releaseKept();

private:
    void swap(PixelMemory& other) noexcept;

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    // Length of the buffer's own mapping; 0 for a heap buffer.
    size_t mapped_ = 0;
};

} // namespace gdi
