// Fuzz entry point of the TIFF reader: the first image, and the image count. Whatever decodes
// must survive writing and reading back to the same pixels.
#include "imaging/formats/tiff_graphic.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/packed_rows.h"

#include <cstdlib>
#include <vector>

namespace {

bool samePixels(const TDibGraphic& a, const TDibGraphic& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.ImageFormat() != b.ImageFormat())
        return false;
    if (a.IsPalettised()) {
        const int entries = 1 << ImageFormatBitCount(a.ImageFormat());
        for (int i = 0; i < entries; ++i)
            if (!(a.LogPalette().palPalEntry[i] == b.LogPalette().palPalEntry[i]))
                return false;
    }
    const gdi::PackedRowFormat& rows = gdi::packedRowFormat(ImageFormatBitCount(a.ImageFormat()));
    std::vector<uint32_t> rowA(static_cast<size_t>(a.GetWidth()));
    std::vector<uint32_t> rowB(rowA.size());
    for (int32_t y = 0; y < a.GetHeight(); ++y) {
        rows.fetch(a.ScanLine(y), 0, a.GetWidth(), rowA.data());
        rows.fetch(b.ScanLine(y), 0, b.GetWidth(), rowB.data());
        if (rowA != rowB)
            return false;
    }
    return true;
}

void roundTrip(TTiffGraphic& picture)
{
    TMemoryStream written;
    picture.SaveToStream(written);
    written.SetPosition(0);
    TTiffGraphic back;
    back.LoadFromStream(written);
    if (!samePixels(picture, back))
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

    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    try {
        stream.SetPosition(0);
        TTiffGraphic picture;
        picture.LoadFromStream(stream);
        roundTrip(picture);
    } catch (const Exception&) {
    }
    try {
        stream.SetPosition(0);
        TTiffGraphic counter;
        if (counter.GetImageCount(stream) < 1)
            std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
