#include "platform/framework/jpeg_band_join.h"

#include "platform/framework/exceptions.h"

#include <QString>

namespace {

constexpr uint8_t kSof0 = 0xC0;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kRst0 = 0xD0;

[[noreturn]] void malformed()
{
    throw EInvalidGraphic(QStringLiteral("JPEG error: a band of the picture was not encoded as expected"));
}

// Where a band's pieces are: its headers end at the SOS marker, the scan header follows, and
// the entropy-coded data runs from there to the closing EOI.
struct BandLayout {
    size_t sofAt = 0;    // the SOF0 marker
    size_t sosAt = 0;    // the SOS marker
    size_t dataAt = 0;   // the first entropy-coded byte
    size_t dataEnd = 0;  // the EOI marker
};

BandLayout layoutOf(const std::vector<uint8_t>& band)
{
    BandLayout layout;
    const size_t size = band.size();
    if (size < 4 || band[0] != 0xFF || band[1] != 0xD8 || band[size - 2] != 0xFF || band[size - 1] != kEoi)
        malformed();
    size_t at = 2;
    bool sawSof = false;
    while (true) {
        if (at + 4 > size || band[at] != 0xFF)
            malformed();
        const uint8_t marker = band[at + 1];
        const size_t length = (size_t{band[at + 2]} << 8) | band[at + 3];
        if (length < 2 || at + 2 + length > size)
            malformed();
        if (marker == kSof0) {
            if (length < 7)
                malformed();
            layout.sofAt = at;
            sawSof = true;
        }
        if (marker == kSos) {
            if (!sawSof)
                malformed();
            layout.sosAt = at;
            layout.dataAt = at + 2 + length;
            layout.dataEnd = size - 2;
            return layout;
        }
        at += 2 + length;
    }
}

} // namespace

namespace JpegBandJoin {

std::vector<uint8_t> join(std::span<const std::vector<uint8_t>> bands, uint32_t fullHeight, uint16_t restartInterval)
{
    if (bands.empty() || fullHeight > 0xFFFF)
        malformed();
    const BandLayout first = layoutOf(bands[0]);
    size_t total = bands[0].size() + 6;
    for (const auto& band : bands)
        total += band.size();

    std::vector<uint8_t> joined;
    joined.reserve(total);
    const std::vector<uint8_t>& head = bands[0];
    joined.insert(joined.end(), head.begin(), head.begin() + static_cast<ptrdiff_t>(first.sosAt));
    // SOF0: marker, length, precision, then the height.
    joined[first.sofAt + 5] = static_cast<uint8_t>(fullHeight >> 8);
    joined[first.sofAt + 6] = static_cast<uint8_t>(fullHeight);
    const uint8_t dri[] = {0xFF, 0xDD, 0x00, 0x04, static_cast<uint8_t>(restartInterval >> 8),
                           static_cast<uint8_t>(restartInterval)};
    joined.insert(joined.end(), std::begin(dri), std::end(dri));
    joined.insert(joined.end(), head.begin() + static_cast<ptrdiff_t>(first.sosAt),
                  head.begin() + static_cast<ptrdiff_t>(first.dataAt));

    for (size_t i = 0; i < bands.size(); ++i) {
        const BandLayout band = i == 0 ? first : layoutOf(bands[i]);
        if (i > 0) {
            joined.push_back(0xFF);
            joined.push_back(static_cast<uint8_t>(kRst0 + (i - 1) % 8));
        }
        joined.insert(joined.end(), bands[i].begin() + static_cast<ptrdiff_t>(band.dataAt),
                      bands[i].begin() + static_cast<ptrdiff_t>(band.dataEnd));
    }
    joined.push_back(0xFF);
    joined.push_back(kEoi);
    return joined;
}

} // namespace JpegBandJoin
