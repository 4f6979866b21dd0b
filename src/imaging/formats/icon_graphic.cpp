#include "imaging/formats/icon_graphic.h"

#include "platform/framework/icon.h"
#include "platform/framework/stream.h"

#include <algorithm>

namespace {

// The system's icon size.
constexpr int kIconSize = 32;

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

void TIconGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    TIcon icon;
    icon.LoadFromStream(stream);
    // A new picture starts with every pixel zero: black.
    NewImage(icon.Width(), icon.Height(), ifTrueColor, nullptr, 0, 0);
    icon.Draw(*Canvas(), TRect{0, 0, icon.Width(), icon.Height()});
}

void TIconGraphic::SaveToStream(TStream& stream)
{
    WriteIcon(*this, stream);
}

void TIconGraphic::WriteIcon(TDibGraphic& picture, TStream& stream)
{
    constexpr int rowBytes = kIconSize * 3;
    constexpr int maskRowBytes = 4;
    constexpr uint32_t imageBytes = 40 + rowBytes * kIconSize + maskRowBytes * kIconSize;
    std::vector<uint8_t> out;
    out.reserve(6 + 16 + imageBytes);
    // Directory: reserved, type 1 (icon), one entry.
    putLe(out, 0, 2);
    putLe(out, 1, 2);
    putLe(out, 1, 2);
    out.push_back(kIconSize);
    out.push_back(kIconSize);
    out.push_back(0); // colour count: not palettised
    out.push_back(0);
    putLe(out, 1, 2);  // planes
    putLe(out, 24, 2); // bits per pixel
    putLe(out, imageBytes, 4);
    putLe(out, 6 + 16, 4);
    // The image: a DIB header whose height counts the colour rows and the mask rows.
    putLe(out, 40, 4);
    putLe(out, kIconSize, 4);
    putLe(out, 2 * kIconSize, 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, rowBytes * kIconSize + maskRowBytes * kIconSize, 4);
    for (int i = 0; i < 4; ++i)
        putLe(out, 0, 4);
    const int width = picture.Empty() ? 0 : std::min(kIconSize, picture.GetWidth());
    const int height = picture.Empty() ? 0 : std::min(kIconSize, picture.GetHeight());
    for (int y = kIconSize - 1; y >= 0; --y) {
        for (int x = 0; x < kIconSize; ++x) {
            const uint32_t rgb = x < width && y < height ? picture.GetPixelRGB(x, y) : 0;
            out.push_back(static_cast<uint8_t>(rgb));
            out.push_back(static_cast<uint8_t>(rgb >> 8));
            out.push_back(static_cast<uint8_t>(rgb >> 16));
        }
    }
    // All-black mask: every pixel opaque.
    out.resize(out.size() + maskRowBytes * kIconSize, 0);
    stream.WriteBuffer(out);
}
