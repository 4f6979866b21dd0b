// Fuzz entry point of the icon reader (BMP and PNG entries). Whatever decodes must survive
// writing as one icon and reading back: the top-left 32 x 32 pixels unchanged.
#include "imaging/formats/icon_graphic.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keep single inputs small enough for the fuzzer's memory limit.
    static const bool limited = [] {
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return true;
    }();
    (void)limited;

    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TIconGraphic picture;
    try {
        picture.LoadFromStream(input);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream written;
    TIconGraphic::WriteIcon(picture, written);
    written.SetPosition(0);
    TIconGraphic back;
    back.LoadFromStream(written);
    const int width = std::min(32, picture.GetWidth());
    const int height = std::min(32, picture.GetHeight());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (back.GetPixelRGB(x, y) != picture.GetPixelRGB(x, y))
                std::abort();
    return 0;
}
