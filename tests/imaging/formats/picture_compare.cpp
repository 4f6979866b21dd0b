#include "picture_compare.h"

#include "platform/framework/exceptions.h"

#include <random>

void FillRandom(TDibGraphic& picture, int32_t width, int32_t height, TImageFormat format, uint32_t seed,
                const TLogPalette* palette)
{
    picture.NewImage(width, height, format, palette, 0, 0);
    std::mt19937 random(seed);
    // Runs of repeated values as well as noise, so both kinds of packet are written.
    std::uniform_int_distribution<int> runLength(1, 90);
    const int colours = format == ifTrueColor ? 0 : 1 << ImageFormatBitCount(format);
    uint32_t value = 0;
    int left = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (left-- <= 0) {
                value = colours ? random() % colours : random() & 0xFFFFFF;
                left = random() % 2 ? runLength(random) : 0;
            }
            if (colours)
                picture.SetPixelIndex(x, y, value);
            else
                picture.SetPixelRGB(x, y, value);
        }
    }
}

std::unique_ptr<TDibGraphic> LoadBytes(const TDibGraphic& prototype, const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    std::unique_ptr<TDibGraphic> picture = prototype.NewInstance();
    picture->LoadFromStream(stream);
    return picture;
}

std::vector<uint8_t> SaveBytes(TDibGraphic& picture)
{
    TMemoryStream stream;
    picture.SaveToStream(stream);
    const auto bytes = stream.Bytes();
    return {bytes.begin(), bytes.end()};
}

int64_t DifferentPixels(const TDibGraphic& a, const TDibGraphic& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return -1;
    int64_t differ = 0;
    for (int32_t y = 0; y < a.GetHeight(); ++y) {
        for (int32_t x = 0; x < a.GetWidth(); ++x)
            differ += a.GetPixelRGB(x, y) != b.GetPixelRGB(x, y);
    }
    return differ;
}

int64_t DifferentPixels(const TDibGraphic& picture, const QImage& reference)
{
    if (picture.GetWidth() != reference.width() || picture.GetHeight() != reference.height())
        return -1;
    const QImage argb = reference.convertToFormat(QImage::Format_ARGB32);
    auto over = [](uint32_t c, uint32_t a) { return (c * a + 255 * (255 - a) + 127) / 255; };
    int64_t differ = 0;
    for (int32_t y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int32_t x = 0; x < argb.width(); ++x) {
            const QRgb p = line[x];
            const uint32_t a = static_cast<uint32_t>(qAlpha(p));
            const uint32_t expected = (over(qRed(p), a) << 16) | (over(qGreen(p), a) << 8) | over(qBlue(p), a);
            differ += picture.GetPixelRGB(x, y) != expected;
        }
    }
    return differ;
}

QString RefusalOf(const TDibGraphic& prototype, const std::vector<uint8_t>& bytes)
{
    try {
        LoadBytes(prototype, bytes);
    } catch (const EPictureFileError& e) {
        return e.Reason();
    }
    return {};
}
