#include "imaging/formats/palette_format.h"

TImageFormat PaletteFormat(const TLogPalette& palette, bool sixteenColours)
{
    const TImageFormat grey = sixteenColours ? ifGray16 : ifGray256;
    const TLogPalette& ramp = *DefaultPalette(grey);
    const int count = sixteenColours ? 16 : 256;
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& a = palette.palPalEntry[i];
        const TPaletteEntry& b = ramp.palPalEntry[i];
        if (a.peRed != b.peRed || a.peGreen != b.peGreen || a.peBlue != b.peBlue)
            return sixteenColours ? ifColor16 : ifColor256;
    }
    return grey;
}
