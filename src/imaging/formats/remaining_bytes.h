#pragma once
// The rest of a stream in memory for the decoders that take a whole file at once; a large file
// lies on huge pages, which for some MB saves thousands of page faults.

#include "platform/framework/stream.h"
#include "platform/gdi/large_buffer.h"

inline gdi::LargeBuffer ReadRemainingBytes(TStream& stream)
{
    gdi::LargeBuffer bytes(static_cast<size_t>(stream.Remaining()));
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}
