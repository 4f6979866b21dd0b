#include "imaging/transforms/orientation_transform.h"

#include "imaging/transforms/pixel_rows.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Reverses the order of the pixels of one row of whole bytes per pixel.
template <int Bytes>
void reverseRow(uint8_t* row, int width)
{
    uint8_t* left = row;
    uint8_t* right = row + static_cast<ptrdiff_t>(width - 1) * Bytes;
    while (left < right) {
        for (int i = 0; i < Bytes; ++i)
            std::swap(left[i], right[i]);
        left += Bytes;
        right -= Bytes;
    }
}

// Rows are stored bottom-up; these address them top-down without marking anything written,
// so that the two workers may share a picture.
struct RowAccess {
    uint8_t* bits;
    int height;
    ptrdiff_t rowBytes;
    uint8_t* row(int y) const { return bits + static_cast<ptrdiff_t>(height - 1 - y) * rowBytes; }
};

// Reverses a row of true-colour pixels through a copy of it (scratch: one byte more than the
// row's pixels), moving each pixel as one four-byte word whose spare byte the next one covers.
void reverseRow24(uint8_t* row, int width, uint8_t* scratch)
{
    const size_t bytes = 3 * static_cast<size_t>(width);
    std::memcpy(scratch, row, bytes);
    const uint8_t* from = scratch + bytes - 3;
    uint8_t* to = row;
    for (int i = 0; i < width - 1; ++i, from -= 3, to += 3) {
        uint32_t pixel;
        std::memcpy(&pixel, from, 4);
        std::memcpy(to, &pixel, 4);
    }
    std::memcpy(to, from, 3);
}

// Copies the pixels of a quarter turn for whole bytes per pixel. Destination rows are source
// columns. The work goes tile by tile: a band of destination rows, a run of destination columns
// at a time, so that the source rows a tile reads stay in the cache and in the address
// translation cache while the band's rows are written.
template <int Bytes>
void turnRows(const RowAccess& from, int sourceWidth, const RowAccess& to, int destWidth, bool clockwise, int first,
              int last)
{
    constexpr int Band = 64;
    constexpr int Run = 128;
    uint8_t* targets[Band];
    for (int band = first; band < last; band += Band) {
        const int count = std::min(last, band + Band) - band;
        for (int i = 0; i < count; ++i)
            targets[i] = to.row(band + i);
        // True-colour pixels move as four-byte words while the spare byte stays inside the
        // rows: read short of the source's last column, written short of the destination's
        // last one (the next pixel covers it).
        const bool wideReads = clockwise ? band + count < sourceWidth : band > 0;
        for (int run = 0; run < destWidth; run += Run) {
            const int runEnd = std::min(destWidth, run + Run);
            for (int x = run; x < runEnd; ++x) {
                // Clockwise: destination (x, y) is source (y, H - 1 - x); counter-clockwise: (W - 1 - y, x).
                const uint8_t* source = from.row(clockwise ? from.height - 1 - x : x);
                const ptrdiff_t at = static_cast<ptrdiff_t>(x) * Bytes;
                const uint8_t* pixels = source + static_cast<ptrdiff_t>(clockwise ? band : sourceWidth - 1 - band) * Bytes;
                const ptrdiff_t step = clockwise ? Bytes : -Bytes;
                if (Bytes == 3 && wideReads && x + 1 < destWidth) {
                    for (int i = 0; i < count; ++i, pixels += step) {
                        uint32_t word;
                        std::memcpy(&word, pixels, 4);
                        std::memcpy(targets[i] + at, &word, 4);
                    }
                } else {
                    for (int i = 0; i < count; ++i, pixels += step)
                        std::memcpy(targets[i] + at, pixels, Bytes);
                }
            }
        }
    }
}

} // namespace

void TOrientationTransform::Apply(TDibGraphic& Picture)
{
    switch (Orientation) {
    case orFlipHorizontal:
        flipInPlace(Picture, true, false);
        return;
    case orFlipVertical:
        flipInPlace(Picture, false, true);
        return;
    case orRotate180:
        flipInPlace(Picture, true, true);
        return;
    case orRotateClockwise:
    case orRotateCounterClockwise:
        TImageTransform::Apply(Picture);
        return;
    }
}

void TOrientationTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    if (Orientation == orRotateClockwise || Orientation == orRotateCounterClockwise) {
        quarterTurn(Source, Dest, Orientation == orRotateClockwise);
        return;
    }
    Dest.AssignPicture(&Source);
    if (!Dest.GetEmpty())
        Apply(Dest);
    else {
        BeginProgress();
        EndProgress();
    }
}

void TOrientationTransform::flipInPlace(TDibGraphic& picture, bool horizontal, bool vertical)
{
    BeginProgress();
    if (picture.GetEmpty()) {
        EndProgress();
        return;
    }
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    const int bits = ImageFormatBitCount(picture.ImageFormat());
    const RowAccess rows{picture.Bits(), height, picture.RowBytes()};
    const size_t rowBytes = static_cast<size_t>(picture.RowBytes());
    const gdi::PackedRowFormat& packed = gdi::packedRowFormat(bits);

    auto reverse = [&](uint8_t* row, std::vector<uint8_t>& indexes) {
        if (bits == 24)
            reverseRow24(row, width, indexes.data());
        else if (bits == 8)
            reverseRow<1>(row, width);
        else {
            // Packed pixels: through one byte per pixel, which leaves the row's padding alone.
            packed.fetchIndexes(row, 0, width, indexes.data());
            std::reverse(indexes.begin(), indexes.end());
            packed.storeIndexes(indexes.data(), 0, width, row);
        }
    };

    // A vertical flip exchanges row y with row H - 1 - y, so one worker owns both; the middle
    // row of an odd height only needs its own horizontal flip.
    const int pairs = vertical ? (height + 1) / 2 : height;
    // Per worker: one byte per pixel for the packed formats, a copy of the row for true colour.
    const size_t scratchBytes = bits < 8 ? static_cast<size_t>(width) : bits == 24 ? 3 * static_cast<size_t>(width) + 1 : 0;
    std::vector<uint8_t> indexes[2] = {std::vector<uint8_t>(scratchBytes), std::vector<uint8_t>(scratchBytes)};
    std::vector<uint8_t> spare[2];
    if (vertical) {
        spare[0].resize(rowBytes);
        spare[1].resize(rowBytes);
    }
    ForEachRows(
        pairs, static_cast<int64_t>(rowBytes) * (vertical ? 2 : 1),
        [&](int worker, int first, int last) {
            for (int y = first; y < last; ++y) {
                uint8_t* top = rows.row(y);
                if (!vertical) {
                    reverse(top, indexes[worker]);
                    continue;
                }
                const int mirrored = height - 1 - y;
                uint8_t* bottom = rows.row(mirrored);
                if (mirrored != y) {
                    std::memcpy(spare[worker].data(), top, rowBytes);
                    std::memcpy(top, bottom, rowBytes);
                    std::memcpy(bottom, spare[worker].data(), rowBytes);
                }
                if (horizontal) {
                    reverse(top, indexes[worker]);
                    if (mirrored != y)
                        reverse(bottom, indexes[worker]);
                }
            }
        },
        0, pairs);
    EndProgress();
}

void TOrientationTransform::quarterTurn(const TDibGraphic& source, TDibGraphic& dest, bool clockwise)
{
    BeginProgress();
    if (source.GetEmpty()) {
        dest.AssignPicture(&source);
        EndProgress();
        return;
    }
    const int width = source.GetWidth();
    const int height = source.GetHeight();
    const TImageFormat format = source.ImageFormat();
    // Dots per inch follow their axes.
    dest.NewImage(height, width, format, format == ifTrueColor ? nullptr : &source.LogPalette(), source.YDpi(),
                  source.XDpi());
    const int bits = ImageFormatBitCount(format);
    const RowAccess from{const_cast<uint8_t*>(source.Bits()), height, source.RowBytes()};
    const RowAccess to{dest.Bits(), width, dest.RowBytes()};
    const int destWidth = height;
    const int destHeight = width;

    if (bits == 24 || bits == 8) {
        ForEachRows(
            destHeight, int64_t{destWidth} * (bits / 8),
            [&](int, int first, int last) {
                if (bits == 24)
                    turnRows<3>(from, width, to, destWidth, clockwise, first, last);
                else
                    turnRows<1>(from, width, to, destWidth, clockwise, first, last);
            },
            0, destHeight);
        EndProgress();
        return;
    }
    // Packed pixels: the whole picture as one byte per pixel, turned, then packed again.
    const gdi::PackedRowFormat& packed = gdi::packedRowFormat(bits);
    std::vector<uint8_t> indexes(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        packed.fetchIndexes(from.row(y), 0, width, indexes.data() + static_cast<size_t>(y) * width);
    const RowAccess unpacked{indexes.data() + static_cast<size_t>(height - 1) * width, height, -ptrdiff_t{width}};
    std::vector<uint8_t> turned(static_cast<size_t>(destWidth) * static_cast<size_t>(destHeight));
    const RowAccess turnedRows{turned.data() + static_cast<size_t>(destHeight - 1) * destWidth, destHeight,
                               -ptrdiff_t{destWidth}};
    ForEachRows(
        destHeight, int64_t{destWidth},
        [&](int, int first, int last) {
            turnRows<1>(unpacked, width, turnedRows, destWidth, clockwise, first, last);
            for (int y = first; y < last; ++y)
                packed.storeIndexes(turnedRows.row(y), 0, destWidth, to.row(y));
        },
        0, destHeight);
    EndProgress();
}
