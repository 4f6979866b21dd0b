// Fuzz entry point of the WebP reader. Whatever decodes, written lossless, reads back to the
// same pixels.
#include "../dib_round_trip.h"
#include "imaging/formats/webp_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PrepareFuzzing();
    TWebpGraphic picture;
    try {
        picture.Decode(std::span<const uint8_t>(data, size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    // Lossless encoding of a big picture takes seconds; the writer meets small ones just as well.
    if (int64_t{picture.GetWidth()} * picture.GetHeight() > 256 * 256)
        return 0;
    picture.SetLossless(true);
    CheckRoundTrip(picture);
    return 0;
}
