#include "imaging/formats/tiff_writer.h"

#include "imaging/dib_graphic.h"
#include "imaging/formats/packbits.h"
#include "imaging/formats/tiff_handle.h"
#include "platform/gdi/large_buffer.h"

#include <QDateTime>

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kRowsPerStrip = 16;
constexpr char kSoftware[] = "Пиктаво";

struct SampleLayout {
    uint16_t bitsPerSample;
    uint16_t samplesPerPixel;
    uint16_t photometric;
    uint16_t compression;
};

SampleLayout layoutFor(TImageFormat format)
{
    switch (format) {
    case ifBlackWhite:
        return {1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4};
    case ifGray16:
        return {4, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS};
    case ifGray256:
        return {8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS};
    case ifColor16:
        return {4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS};
    case ifColor256:
        return {8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS};
    case ifTrueColor:
    default:
        return {8, 3, PHOTOMETRIC_RGB, COMPRESSION_PACKBITS};
    }
}

void setColourMap(TIFF* tif, const TDibGraphic& picture, int entries)
{
    std::vector<uint16_t> red(entries), green(entries), blue(entries);
    const TLogPalette& palette = picture.LogPalette();
    for (int i = 0; i < entries; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        red[i] = static_cast<uint16_t>(e.peRed * 257);
        green[i] = static_cast<uint16_t>(e.peGreen * 257);
        blue[i] = static_cast<uint16_t>(e.peBlue * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

void setTags(TIFF* tif, const TDibGraphic& picture, const SampleLayout& layout)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(picture.GetWidth()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(picture.GetHeight()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(picture.XDpi()));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(picture.YDpi()));
    TIFFSetField(tif, TIFFTAG_SOFTWARE, kSoftware);
    const QByteArray now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd hh:mm:ss")).toLatin1();
    TIFFSetField(tif, TIFFTAG_DATETIME, now.constData());
    if (layout.photometric == PHOTOMETRIC_PALETTE)
        setColourMap(tif, picture, 1 << layout.bitsPerSample);
}

// The row as the file stores it: red, green, blue for true colour, white as zero for black
// and white; the palettised depths are stored as they are.
const uint8_t* fileRow(const uint8_t* row, TImageFormat format, int32_t width, std::vector<uint8_t>& buffer)
{
    if (format == ifTrueColor) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* in = row + size_t(x) * 3;
            uint8_t* out = buffer.data() + size_t(x) * 3;
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        return buffer.data();
    }
    if (format == ifBlackWhite) {
        std::transform(row, row + buffer.size(), buffer.begin(), [](uint8_t b) { return static_cast<uint8_t>(~b); });
        return buffer.data();
    }
    return row;
}

// Rows through libtiff's own encoder (Group 4 for black and white).
void writeEncodedRows(TIFF* tif, const TiffHandle& handle, const TDibGraphic& picture, size_t fileRowBytes)
{
    const TImageFormat format = picture.ImageFormat();
    std::vector<uint8_t> buffer(format == ifTrueColor || format == ifBlackWhite ? fileRowBytes : 0);
    for (int32_t y = 0; y < picture.GetHeight(); ++y) {
        const uint8_t* row = fileRow(picture.ScanLine(y), format, picture.GetWidth(), buffer);
        // libtiff takes the row as writable but only reads it for these encoders.
        if (TIFFWriteScanline(tif, const_cast<uint8_t*>(row), static_cast<uint32_t>(y), 0) < 0)
            handle.fail(QStringLiteral("Cannot write TIFF"));
    }
}

// Strips are packed here rather than by libtiff so that two threads can pack a large picture;
// they are packed a batch at a time and written in order.
constexpr uint64_t kParallelPixels = 1'000'000;
// A batch holds at most this many strips and about this many bytes of packed strips.
constexpr size_t kStripsPerBatch = 128;
constexpr size_t kBatchBytes = size_t{4} << 20;

void writePackBitsStrips(TIFF* tif, const TiffHandle& handle, const TDibGraphic& picture, size_t fileRowBytes)
{
    const TImageFormat format = picture.ImageFormat();
    const int32_t width = picture.GetWidth();
    const int32_t height = picture.GetHeight();
    const int strips = static_cast<int>((height + kRowsPerStrip - 1) / kRowsPerStrip);
    const bool parallel = uint64_t(width) * uint64_t(height) >= kParallelPixels && strips > 1;
    const size_t stripCapacity = PackBits::maxPackedSize(fileRowBytes) * kRowsPerStrip;
    const int stripsPerBatch =
        static_cast<int>(std::min({kStripsPerBatch, std::max<size_t>(2, kBatchBytes / stripCapacity), size_t(strips)}));
    // The strips of a batch, each at its own place in one buffer that packing fills.
    gdi::LargeBuffer packed(stripCapacity * static_cast<size_t>(stripsPerBatch));
    std::vector<size_t> packedSizes(static_cast<size_t>(stripsPerBatch));
    for (int batch = 0; batch < strips; batch += stripsPerBatch) {
        const int batchEnd = std::min(strips, batch + stripsPerBatch);
        std::atomic<int> next{batch};
        const auto pack = [&] {
            std::vector<uint8_t> buffer(format == ifTrueColor ? fileRowBytes : 0);
            for (int strip = next++; strip < batchEnd; strip = next++) {
                const auto slot = static_cast<size_t>(strip - batch);
                uint8_t* out = packed.data() + slot * stripCapacity;
                size_t size = 0;
                const int32_t top = strip * static_cast<int32_t>(kRowsPerStrip);
                const int32_t bottom = std::min(height, top + static_cast<int32_t>(kRowsPerStrip));
                for (int32_t y = top; y < bottom; ++y)
                    size += PackBits::packRow(fileRow(picture.ScanLine(y), format, width, buffer), fileRowBytes, out + size);
                packedSizes[slot] = size;
            }
        };
        if (parallel) {
            std::thread helper(pack);
            pack();
            helper.join();
        } else {
            pack();
        }
        for (int strip = batch; strip < batchEnd; ++strip) {
            const auto slot = static_cast<size_t>(strip - batch);
            if (TIFFWriteRawStrip(tif, static_cast<uint32_t>(strip), packed.data() + slot * stripCapacity,
                                  static_cast<tmsize_t>(packedSizes[slot])) < 0)
                handle.fail(QStringLiteral("Cannot write TIFF"));
        }
    }
}

} // namespace

namespace TiffWriter {

void writeImage(const TDibGraphic& picture, TStream& stream)
{
    if (picture.GetEmpty())
        throw EPictureError(QStringLiteral("An empty picture cannot be written as TIFF"));
    TiffHandle handle(stream, TiffHandle::Mode::Write);
    TIFF* tif = handle.get();
    const TImageFormat format = picture.ImageFormat();
    const SampleLayout layout = layoutFor(format);
    setTags(tif, picture, layout);

    const int32_t width = picture.GetWidth();
    const size_t fileRowBytes = (size_t(width) * layout.bitsPerSample * layout.samplesPerPixel + 7) / 8;
    if (layout.compression == COMPRESSION_PACKBITS)
        writePackBitsStrips(tif, handle, picture, fileRowBytes);
    else
        writeEncodedRows(tif, handle, picture, fileRowBytes);
    if (!TIFFWriteDirectory(tif))
        handle.fail(QStringLiteral("Cannot write TIFF"));
    handle.finishWriting();
}

} // namespace TiffWriter
