#include "platform/metafile/dib_record.h"

#include <cstring>

namespace metafile {

namespace {

template <typename T>
T readLe(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

struct HeaderFacts {
    gdi::BitmapInfo info;
    uint64_t tableBytes = 0;
};

std::optional<HeaderFacts> readHeader(std::span<const uint8_t> header)
{
    if (header.size() < 40)
        return std::nullopt;
    HeaderFacts facts;
    gdi::BitmapInfoHeader& h = facts.info.bmiHeader;
    const uint8_t* p = header.data();
    h.biSize = readLe<uint32_t>(p);
    h.biWidth = readLe<int32_t>(p + 4);
    h.biHeight = readLe<int32_t>(p + 8);
    h.biPlanes = readLe<uint16_t>(p + 12);
    h.biBitCount = readLe<uint16_t>(p + 14);
    h.biCompression = readLe<uint32_t>(p + 16);
    h.biSizeImage = readLe<uint32_t>(p + 20);
    h.biClrUsed = readLe<uint32_t>(p + 32);
    if (h.biSize < 40 || h.biSize > header.size() || h.biWidth <= 0 || h.biHeight == 0
        || h.biHeight == INT32_MIN)
        return std::nullopt;
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return std::nullopt;
    if (h.biCompression != kBiRgb && !(h.biCompression == kBiBitfields && (bpp == 16 || bpp == 32)))
        return std::nullopt;
    uint64_t colours = 0;
    if (bpp <= 8)
        colours = h.biClrUsed == 0 ? (uint64_t{1} << bpp) : std::min<uint64_t>(h.biClrUsed, uint64_t{1} << bpp);
    // Bit-field masks follow a 40-byte header and are read as a three-entry table.
    const uint64_t masks = h.biCompression == kBiBitfields && h.biSize == 40 ? 3 : 0;
    facts.tableBytes = (colours + masks) * 4;
    if (h.biSize + facts.tableBytes > header.size())
        return std::nullopt;
    const uint8_t* table = p + h.biSize;
    for (uint64_t i = 0; i < colours + masks; ++i) {
        const uint8_t* q = table + i * 4;
        facts.info.bmiColors.push_back(gdi::RgbQuad{q[0], q[1], q[2], q[3]});
    }
    return facts;
}

uint64_t rowsBytes(const gdi::BitmapInfoHeader& h)
{
    const uint64_t row = ((uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    const uint64_t rows = h.biHeight < 0 ? uint64_t(-int64_t(h.biHeight)) : uint64_t(h.biHeight);
    return row * rows;
}

} // namespace

std::span<const uint8_t> recordSlice(std::span<const uint8_t> record, uint64_t offset, uint64_t size)
{
    if (offset > record.size() || size > record.size() - offset)
        return {};
    return record.subspan(static_cast<size_t>(offset), static_cast<size_t>(size));
}

std::optional<RecordDib> readRecordDib(std::span<const uint8_t> header, std::span<const uint8_t> bits)
{
    std::optional<HeaderFacts> facts = readHeader(header);
    if (!facts || bits.empty() || rowsBytes(facts->info.bmiHeader) > bits.size())
        return std::nullopt;
    return RecordDib{std::move(facts->info), bits.data()};
}

std::optional<RecordDib> readPackedDib(std::span<const uint8_t> packed)
{
    std::optional<HeaderFacts> facts = readHeader(packed);
    if (!facts)
        return std::nullopt;
    const uint64_t offset = facts->info.bmiHeader.biSize + facts->tableBytes;
    return readRecordDib(packed, recordSlice(packed, offset, packed.size() - offset));
}

} // namespace metafile
