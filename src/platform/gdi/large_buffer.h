#pragma once
// Scratch bytes for large transient buffers (a file read whole, a batch of packed strips):
// left uninitialised and, from a few MB on, placed on huge pages where the system offers them,
// so that filling one costs a few page faults instead of thousands.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace gdi {

class LargeBuffer {
public:
    LargeBuffer() = default;
    // Raises std::bad_alloc when the memory is not there.
    explicit LargeBuffer(size_t bytes);

    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    std::span<const uint8_t> bytes() const { return {bytes_.get(), size_}; }

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t[], FreeDeleter> bytes_;
    size_t size_ = 0;
};

} // namespace gdi
