#pragma once
// Builds small BMP files field by field, so tests can write headers that lie.

#include <cstdint>
#include <vector>

struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 4;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> masks;   // written after a 40-byte header
    std::vector<uint32_t> palette; // 0x00RRGGBB, written as blue, green, red, 0
    std::vector<uint8_t> pixels;   // exactly as stored
    int64_t offBitsOverride = -1;
};

inline void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> makeBmp(const BmpSpec& s)
{
    std::vector<uint8_t> dib;
    putLe(dib, s.headerSize, 4);
    putLe(dib, static_cast<uint32_t>(s.width), 4);
    putLe(dib, static_cast<uint32_t>(s.height), 4);
    putLe(dib, s.planes, 2);
    putLe(dib, s.bitCount, 2);
    putLe(dib, s.compression, 4);
    putLe(dib, static_cast<uint32_t>(s.pixels.size()), 4);
    putLe(dib, 2835, 4);
    putLe(dib, 2835, 4);
    putLe(dib, s.colorsUsed, 4);
    putLe(dib, 0, 4);
    while (dib.size() < s.headerSize && dib.size() < 124)
        dib.push_back(0);
    for (uint32_t m : s.masks)
        putLe(dib, m, 4);
    for (uint32_t c : s.palette) {
        dib.push_back(static_cast<uint8_t>(c));
        dib.push_back(static_cast<uint8_t>(c >> 8));
        dib.push_back(static_cast<uint8_t>(c >> 16));
        dib.push_back(0);
    }
    const uint32_t offBits = s.offBitsOverride >= 0 ? static_cast<uint32_t>(s.offBitsOverride)
                                                    : static_cast<uint32_t>(14 + dib.size());
    std::vector<uint8_t> file{'B', 'M'};
    putLe(file, static_cast<uint32_t>(14 + dib.size() + s.pixels.size()), 4);
    putLe(file, 0, 4);
    putLe(file, offBits, 4);
    file.insert(file.end(), dib.begin(), dib.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}
