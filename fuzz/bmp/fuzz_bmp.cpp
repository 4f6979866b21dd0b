// Fuzz entry point of the BMP reader: a file, and the same bytes as a packed DIB. Whatever
// decodes must survive writing and reading back unchanged, and the stream reader, which fills
// the picture's rows straight from the file, must decide every input as the reader of bytes.
#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <cstdlib>
#include <cstring>
#include <optional>

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

void sameAsFromStream(std::span<const uint8_t> bytes, const DecodedBmp* decoded)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes);
    stream.SetPosition(0);
    std::unique_ptr<gdi::DibSurface> read;
    try {
        read = BmpCodec::readFile(stream).surface;
    } catch (const EInvalidGraphic&) {
    }
    if (!decoded || !read) {
        if (decoded || read)
            std::abort();
        return;
    }
    const gdi::DibSurface& a = *decoded->surface;
    if (read->width() != a.width() || read->height() != a.height() || read->bitsPerPixel() != a.bitsPerPixel()
        || read->colorTable() != a.colorTable() || std::memcmp(read->bits(), a.bits(), a.imageBytes()) != 0)
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
    std::optional<DecodedBmp> decoded;
    try {
        decoded = BmpCodec::decodeFile(bytes);
    } catch (const EInvalidGraphic&) {
    }
    if (decoded)
        roundTrip(*decoded);
    sameAsFromStream(bytes, decoded ? &*decoded : nullptr);
    try {
        BmpCodec::decodePackedDib(bytes.size() > 14 ? bytes.subspan(14) : bytes);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
