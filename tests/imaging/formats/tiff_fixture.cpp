#include "tiff_fixture.h"

#include "imaging/formats/tiff_graphic.h"
#include "platform/framework/stream.h"

#include <QTemporaryDir>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// Samples packed as the file stores them: leftmost first in the high bits, 16 bits native.
std::vector<uint8_t> packRow(const TiffFixture& f, uint32_t y, uint32_t x0, uint32_t count, uint32_t plane)
{
    const uint32_t perPixel = f.planar == PLANARCONFIG_SEPARATE ? 1 : f.samplesPerPixel;
    const uint32_t bits = f.bitsPerSample;
    std::vector<uint8_t> row((size_t{count} * perPixel * bits + 7) / 8);
    size_t bit = 0;
    for (uint32_t x = x0; x < x0 + count; ++x) {
        for (uint32_t s = 0; s < perPixel; ++s, bit += bits) {
            const uint32_t sampleIndex = perPixel == 1 ? plane : s;
            const uint32_t v = x < f.width && y < f.height ? f.sample(x, y, sampleIndex) : 0;
            if (bits == 16) {
                const uint16_t wide = static_cast<uint16_t>(v);
                std::memcpy(row.data() + bit / 8, &wide, 2);
            } else if (bits == 8) {
                row[bit / 8] = static_cast<uint8_t>(v);
            } else {
                row[bit / 8] |= static_cast<uint8_t>((v & ((1u << bits) - 1)) << (8 - bits - bit % 8));
            }
        }
    }
    return row;
}

void writeDirectory(TIFF* tif, const TiffFixture& f)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, f.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, f.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, f.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, f.planar);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, f.orientation);
    if (f.xResolution != 0 || f.yResolution != 0) {
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, f.resolutionUnit);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, f.xResolution);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, f.yResolution);
    }
    if (!f.extraSamples.empty())
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(f.extraSamples.size()), f.extraSamples.data());
    if (!f.red.empty())
        TIFFSetField(tif, TIFFTAG_COLORMAP, f.red.data(), f.green.data(), f.blue.data());
    if (f.compression == COMPRESSION_JPEG && f.photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    const uint32_t planes = f.planar == PLANARCONFIG_SEPARATE ? f.samplesPerPixel : 1;
    if (f.tileSize) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, f.tileSize);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, f.tileSize);
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tif)));
        for (uint32_t plane = 0; plane < planes; ++plane)
            for (uint32_t ty = 0; ty < f.height; ty += f.tileSize)
                for (uint32_t tx = 0; tx < f.width; tx += f.tileSize) {
                    size_t at = 0;
                    for (uint32_t r = 0; r < f.tileSize; ++r) {
                        const std::vector<uint8_t> row = packRow(f, ty + r, tx, f.tileSize, plane);
                        std::copy(row.begin(), row.end(), tile.begin() + static_cast<ptrdiff_t>(at));
                        at += row.size();
                    }
                    if (TIFFWriteTile(tif, tile.data(), tx, ty, 0, static_cast<uint16_t>(plane)) < 0)
                        throw std::runtime_error("fixture tile not written");
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, f.rowsPerStrip);
        for (uint32_t plane = 0; plane < planes; ++plane)
            for (uint32_t y = 0; y < f.height; ++y) {
                std::vector<uint8_t> row = packRow(f, y, 0, f.width, plane);
                if (TIFFWriteScanline(tif, row.data(), y, static_cast<uint16_t>(plane)) < 0)
                    throw std::runtime_error("fixture row not written");
            }
    }
    if (!TIFFWriteDirectory(tif))
        throw std::runtime_error("fixture directory not written");
}

} // namespace

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> makeTiff(const std::vector<TiffFixture>& images)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("fixture.tif")).toStdString();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        throw std::runtime_error("fixture not created");
    for (const TiffFixture& image : images)
        writeDirectory(tif, image);
    TIFFClose(tif);
    return readFileBytes(path);
}

void readTiff(TTiffGraphic& picture, const std::vector<uint8_t>& bytes, int32_t imageIndex)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    picture.SetImageIndex(imageIndex);
    picture.LoadFromStream(stream);
}
