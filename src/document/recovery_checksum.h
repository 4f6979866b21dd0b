#pragma once
// The checksum of journal records: CRC-32C, with the processor's own instruction where it has
// one, so that checking a whole picture costs a few milliseconds rather than a hundred.

#include <cstddef>
#include <cstdint>

namespace recovery {

uint32_t Checksum(const uint8_t* bytes, size_t count);

} // namespace recovery
