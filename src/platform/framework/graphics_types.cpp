#include "platform/framework/graphics_types.h"

#include <array>

namespace {

// The system colours of a light desktop scheme, indexed by clXxx & 0xFF, as 0x00BBGGRR.
constexpr std::array<gdi::ColorRef, 31> kSystemColors = {
    0xC8C8C8, // scroll bar
    0x000000, // desktop background
    0xD1B499, // active caption
    0xDBCDBF, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xFCF7F4, // inactive border
    0xABABAB, // application workspace
    0xD77800, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x000000, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3-D dark shadow
    0xE3E3E3, // 3-D light
    0x000000, // tooltip text
    0xE1FFFF, // tooltip background
    0xB5B5B5, // (unused slot)
    0xCC6600, // hot-tracked item
    0xEAD1B9, // gradient of the active caption
    0xF2E4D7, // gradient of the inactive caption
    0xFF9933, // highlighted menu item
    0xF0F0F0, // menu bar
};

} // namespace

gdi::ColorRef ColorToRGB(TColor color)
{
    if (color < 0) {
        const unsigned index = static_cast<unsigned>(color) & 0xFFu;
        return index < kSystemColors.size() ? kSystemColors[index] : 0;
    }
    return static_cast<gdi::ColorRef>(color);
}
