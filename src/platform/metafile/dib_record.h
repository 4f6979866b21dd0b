#pragma once
// A device-independent bitmap carried inside a metafile record: its header and colour table,
// checked against the bytes the record gives them before the raster layer sees them.

#include "platform/gdi/device_context.h"

#include <cstdint>
#include <optional>
#include <span>

namespace metafile {

struct RecordDib {
    gdi::BitmapInfo info;
    const uint8_t* bits = nullptr;
};

// The header at `header` (headerBytes long) and the pixel rows at `bits` (bitsBytes long).
// Nothing when the header is not one the raster layer draws or the rows do not fit.
std::optional<RecordDib> readRecordDib(std::span<const uint8_t> header, std::span<const uint8_t> bits);

// A packed DIB: header, colour table and rows one after the other (the WMF form).
std::optional<RecordDib> readPackedDib(std::span<const uint8_t> packed);

// A slice of a record, or an empty span when offset and size do not lie inside it.
std::span<const uint8_t> recordSlice(std::span<const uint8_t> record, uint64_t offset, uint64_t size);

} // namespace metafile
