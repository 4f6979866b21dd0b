// Fuzz entry point of the JPEG reader. Whatever decodes must survive writing and reading back
// at the same size (the codec is lossy, so only the shape is compared).
#include "platform/framework/exceptions.h"
#include "platform/framework/jpeg_codec.h"
#include "platform/framework/size_policy.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keep single inputs small enough for the fuzzer's memory limit.
    static const bool limited = [] {
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return true;
    }();
    (void)limited;

    DecodedJpeg decoded;
    try {
        decoded = JpegCodec::decode(std::span<const uint8_t>(data, size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    const gdi::DibSurface& surface = *decoded.surface;
    const DecodedJpeg again = JpegCodec::decode(JpegCodec::encode(surface, 75));
    if (again.surface->width() != surface.width() || again.surface->height() != surface.height())
        std::abort();
    return 0;
}
