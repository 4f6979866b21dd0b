// Fuzz entry point of the PNG reader. Whatever decodes must survive writing and reading back
// with the same depth, colour table and pixels.
#include "platform/framework/exceptions.h"
#include "platform/framework/png_codec.h"
#include "platform/framework/size_policy.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keep single inputs small enough for the fuzzer's memory limit.
    static const bool limited = [] {
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return true;
    }();
    (void)limited;

    PngCodec::DecodedPng decoded;
    try {
        decoded = PngCodec::decode(std::span<const uint8_t>(data, size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    const gdi::DibSurface& surface = *decoded.surface;
    const PngCodec::DecodedPng again = PngCodec::decode(PngCodec::encode(surface));
    const gdi::DibSurface& back = *again.surface;
    if (back.width() != surface.width() || back.height() != surface.height()
        || back.bitsPerPixel() != surface.bitsPerPixel() || back.colorTable() != surface.colorTable())
        std::abort();
    if (std::memcmp(back.bits(), surface.bits(), surface.imageBytes()) != 0)
        std::abort();
    return 0;
}
