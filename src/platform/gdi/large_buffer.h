#pragma once
// Scratch bytes for large transient buffers (a file read whole, a batch of packed strips): the
// surfaces' own memory, so a large one lies on huge pages and filling it costs a few page
// faults instead of thousands; unlike the memory itself, a buffer can be moved and returned.

#include "platform/gdi/pixel_memory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace gdi {

class LargeBuffer {
public:
    LargeBuffer() = default;
    // Raises std::bad_alloc when the memory is not there.
    explicit LargeBuffer(size_t bytes) : memory_(std::make_unique<PixelMemory>(bytes)) {}

    uint8_t* data() { return memory_ ? memory_->data() : nullptr; }
    const uint8_t* data() const { return memory_ ? memory_->data() : nullptr; }
    size_t size() const { return memory_ ? memory_->size() : 0; }
    std::span<const uint8_t> bytes() const { return {data(), size()}; }

private:
    std::unique_ptr<PixelMemory> memory_;
};

} // namespace gdi
