#pragma once
// Small TIFF files made with libtiff for the reader's tests: any layout, samples from a function.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TTiffGraphic;

struct TiffFixture {
    uint32_t width = 21;
    uint32_t height = 13;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = 1;
    uint16_t compression = 1;
    uint16_t planar = 1;
    uint16_t orientation = 1;
    uint32_t tileSize = 0; // 0: strips of rowsPerStrip rows
    uint32_t rowsPerStrip = 5;
    std::vector<uint16_t> extraSamples;
    // Written when not zero.
    float xResolution = 0;
    float yResolution = 0;
    uint16_t resolutionUnit = 2;
    // 1 << bitsPerSample entries each, when photometric is palette.
    std::vector<uint16_t> red, green, blue;
    // The value of sample s of pixel (x, y), as stored in the file.
    std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)> sample;
};

// The directories of a file, one after the other.
std::vector<uint8_t> makeTiff(const std::vector<TiffFixture>& images);
inline std::vector<uint8_t> makeTiff(const TiffFixture& image)
{
    return makeTiff(std::vector<TiffFixture>{image});
}

// Image imageIndex of bytes read through TTiffGraphic.
void readTiff(TTiffGraphic& picture, const std::vector<uint8_t>& bytes, int32_t imageIndex = 1);

std::vector<uint8_t> readFileBytes(const std::string& path);
