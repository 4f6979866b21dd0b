// Fuzz entry point of the BMP reader: a file, and the same bytes as a packed DIB. Whatever
// decodes must survive writing and reading back unchanged.
#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"

#include <cstdlib>
#include <cstring>

namespace {

void roundTrip(const DecodedBmp& decoded)
{
    const gdi::DibSurface& surface = *decoded.surface;
    const std::vector<uint8_t> encoded = BmpCodec::encodeFile(surface, decoded.xPelsPerMeter, decoded.yPelsPerMeter);
    const DecodedBmp again = BmpCodec::decodeFile(encoded);
    const gdi::DibSurface& back = *again.surface;
    if (back.width() != surface.width() || back.height() != surface.height()
        || back.bitsPerPixel() != surface.bitsPerPixel() || back.colorTable() != surface.colorTable())
        std::abort();
    if (std::memcmp(back.bits(), surface.bits(), surface.imageBytes()) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keep single inputs small enough for the fuzzer's memory limit.
    static const bool limited = [] {
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return true;
    }();
    (void)limited;

    const std::span<const uint8_t> bytes(data, size);
    try {
        roundTrip(BmpCodec::decodeFile(bytes));
    } catch (const EInvalidGraphic&) {
    }
    try {
        BmpCodec::decodePackedDib(bytes.size() > 14 ? bytes.subspan(14) : bytes);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
