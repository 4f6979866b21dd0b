#pragma once
// The 18-byte TGA header: what a reader needs from it, checked, and how a writer lays it out.

#include <array>
#include <cstdint>

enum class TgaKind : uint8_t { ColorMapped, TrueColor, Grey };

struct TgaHeader {
    static constexpr int kSize = 18;

    uint8_t idLength = 0;
    bool hasColorMap = false;
    TgaKind kind = TgaKind::TrueColor;
    bool compressed = false;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t pixelBits = 24;
    uint8_t alphaBits = 0;
    bool rightToLeft = false;
    bool topToBottom = true;

    int pixelBytes() const { return (pixelBits + 7) / 8; }
    int mapEntryBytes() const { return (mapEntryBits + 7) / 8; }
    int64_t mapBytes() const { return hasColorMap ? int64_t{mapLength} * mapEntryBytes() : 0; }
    uint8_t imageType() const;
};

// Raises EPictureFileError with the reason when the bytes are not a TGA header this reader can use.
TgaHeader ParseTgaHeader(const uint8_t* bytes);

std::array<uint8_t, TgaHeader::kSize> SerializeTgaHeader(const TgaHeader& header);
