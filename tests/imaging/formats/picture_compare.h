#pragma once
// Helpers of the format tests: pictures of random pixels, loading through a format class,
// and pixel comparison with another picture or a reference rendering.

#include "imaging/dib_graphic.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A picture of the given format whose pixels are random palette indexes or colours; a seed
// makes it repeatable.
void FillRandom(TDibGraphic& picture, int32_t width, int32_t height, TImageFormat format, uint32_t seed,
                const TLogPalette* palette = nullptr);

// The file's first image through a fresh picture of class T.
template <class T>
std::unique_ptr<T> LoadFile(const QString& path);

// Reads bytes through a fresh picture of the class of prototype.
std::unique_ptr<TDibGraphic> LoadBytes(const TDibGraphic& prototype, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> SaveBytes(TDibGraphic& picture);
// The reason a read through the class of prototype was refused; empty when the bytes read.
QString RefusalOf(const TDibGraphic& prototype, const std::vector<uint8_t>& bytes);

// A write-then-read case: the picture's format and size, and the format it comes back as.
struct RoundTripCase {
    const char* name;
    TImageFormat format;
    int32_t width;
    int32_t height;
    TImageFormat readBack;
};

// Pixels that differ between two pictures of the same size (their colours, not their storage).
int64_t DifferentPixels(const TDibGraphic& a, const TDibGraphic& b);
// Pixels that differ from a reference rendering laid over white; -1 when the sizes differ.
int64_t DifferentPixels(const TDibGraphic& picture, const QImage& reference);

#include "platform/framework/stream.h"

template <class T>
std::unique_ptr<T> LoadFile(const QString& path)
{
    auto picture = std::make_unique<T>();
    TFileStream stream(path, fmOpenRead);
    picture->LoadFromStream(stream);
    return picture;
}
