#include "imaging/transforms/crop_transform.h"

#include <cstring>
#include <vector>

#include "imaging/transforms/pixel_rows.h"

void TCropTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    BeginProgress();
    if (CutTop == 0 && CutLeft == 0 && CutBottom == 0 && CutRight == 0) {
        Dest.AssignPicture(&Source);
        EndProgress();
        return;
    }
    const int64_t width = Source.GetWidth();
    const int64_t height = Source.GetHeight();
    // Negative cuts would read outside the source; they are refused like cuts that meet.
    if (CutTop < 0 || CutLeft < 0 || CutBottom < 0 || CutRight < 0 || CutTop >= height - CutBottom
        || CutLeft >= width - CutRight)
        throw EPictureError(QStringLiteral("Invalid crop parameters"));

    const int newWidth = static_cast<int>(width - CutLeft - CutRight);
    const int newHeight = static_cast<int>(height - CutTop - CutBottom);
    Dest.NewImage(newWidth, newHeight, Source.ImageFormat(), &Source.LogPalette(), Source.XDpi(), Source.YDpi());

    const bool trueColor = Source.ImageFormat() == ifTrueColor;
    const int bits = ImageFormatBitCount(Source.ImageFormat());
    std::vector<uint8_t> indexes(trueColor || bits == 8 ? 0 : static_cast<size_t>(width));
    ForEachRows(
        newHeight, trueColor || bits == 8 ? int64_t{newWidth} * 3 : 0, // the index buffer is shared: one thread
        [&](int, int first, int last) {
            for (int y = first; y < last; ++y) {
                const uint8_t* from = Source.ScanLine(y + CutTop);
                if (trueColor)
                    std::memcpy(Dest.ScanLine(y), from + 3 * static_cast<size_t>(CutLeft), 3 * static_cast<size_t>(newWidth));
                else if (bits == 8)
                    std::memcpy(Dest.ScanLine(y), from + CutLeft, static_cast<size_t>(newWidth));
                else {
                    pixel_rows::readIndexes(Source, y + CutTop, indexes.data());
                    pixel_rows::writeIndexes(Dest, y, indexes.data() + CutLeft);
                }
            }
        },
        0, newHeight);
    EndProgress();
}
