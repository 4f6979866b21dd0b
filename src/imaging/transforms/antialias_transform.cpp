#include "imaging/transforms/antialias_transform.h"

#include <vector>

#include "imaging/transforms/antialias_table.h"

void TAntiAliasTransform::Apply(TDibGraphic& Picture)
{
    if (Picture.ImageFormat() != ifBlackWhite || Picture.GetEmpty()) {
        BeginProgress();
        EndProgress();
        return;
    }
    TImageTransform::Apply(Picture);
}

void TAntiAliasTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    BeginProgress();
    if (Source.ImageFormat() != ifBlackWhite || Source.GetEmpty()) {
        Dest.AssignPicture(&Source);
        EndProgress();
        return;
    }
    const int width = Source.GetWidth();
    const int height = Source.GetHeight();
    Dest.NewImage(width, height, ifGray16, nullptr, Source.XDpi(), Source.YDpi());
    const auto& table = antiAliasTable();
    const int sourceBytes = (width + 7) / 8;
    // Bits past the width are whatever the padding holds (a negative inverts it); they count
    // as black so that they never tint the last pixels of a row.
    const uint8_t lastMask = static_cast<uint8_t>(0xFF << ((8 - width % 8) % 8));

    ForEachRows(
        height, sourceBytes,
        [&](int, int first, int last) {
            for (int y = first; y < last; ++y) {
                const uint8_t* upper = Source.ScanLine(y);
                const uint8_t* lower = Source.ScanLine(y + 1 < height ? y + 1 : y);
                uint8_t* out = Dest.ScanLine(y);
                for (int j = 0; j < sourceBytes; ++j) {
                    uint8_t u = upper[j], l = lower[j];
                    if (j == sourceBytes - 1) {
                        u &= lastMask;
                        l &= lastMask;
                    }
                    const TAntiAliasEntry& high = table[(u & 0xF0) | (l >> 4)];
                    const TAntiAliasEntry& low = table[((u & 0x0F) << 4) | (l & 0x0F)];
                    out[4 * j] = high.first;
                    out[4 * j + 1] = high.second;
                    out[4 * j + 2] = low.first;
                    out[4 * j + 3] = low.second;
                }
            }
        },
        0, height);
    EndProgress();
}
