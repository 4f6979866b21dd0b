#pragma once
// One page read from a device, as 8-bit RGB rows top-down, and its packed DIB for a native
// transfer: a BITMAPINFOHEADER, then 24-bit rows bottom-up, each padded to four bytes.

#include "platform/twain/twain.h"

#include <cstdint>
#include <vector>

struct ScannedPage {
    int width = 0;
    int height = 0;
    int dpi = 0;
    std::vector<uint8_t> rgb; // width * 3 bytes a row

    // A movable block the receiver frees; null when memory is short.
    TW_HANDLE PackedDib() const;
    TW_IMAGEINFO Info() const;
};
