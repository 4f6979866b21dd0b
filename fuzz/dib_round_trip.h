#pragma once
// Shared by the fuzz targets of the picture-format classes: a Gui application for the pictures'
// canvases, a small size policy, and the check that whatever decodes writes and reads back to
// the same pixels.

#include "imaging/dib_graphic.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

inline void PrepareFuzzing()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static const std::unique_ptr<QGuiApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Keep single inputs small enough for the fuzzer's memory limit.
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return std::make_unique<QGuiApplication>(argc, argv);
    }();
}

// Writes picture with its own class and reads it back; aborts when a pixel or the size changed.
inline void CheckRoundTrip(TDibGraphic& picture)
{
    TMemoryStream written;
    picture.SaveToStream(written);
    written.SetPosition(0);
    const std::unique_ptr<TDibGraphic> back = picture.NewInstance();
    back->LoadFromStream(written);
    if (back->GetWidth() != picture.GetWidth() || back->GetHeight() != picture.GetHeight())
        std::abort();
    for (int32_t y = 0; y < picture.GetHeight(); ++y) {
        for (int32_t x = 0; x < picture.GetWidth(); ++x) {
            if (back->GetPixelRGB(x, y) != picture.GetPixelRGB(x, y))
                std::abort();
        }
    }
}

// Decodes the bytes with a picture of class T (as one image, or as frames when multiImage) and
// checks the round trip of what decoded. Refusals are the reader's ordinary answer.
template <class T>
void FuzzPictureClass(const uint8_t* data, size_t size, bool multiImage = false)
{
    PrepareFuzzing();
    T picture;
    picture.SetMultiImage(multiImage);
    try {
        TMemoryStream stream;
        stream.WriteBuffer(data, static_cast<int64_t>(size));
        stream.SetPosition(0);
        picture.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return;
    } catch (const EPictureError&) {
        return;
    } catch (const EStreamError&) {
        return;
    }
    CheckRoundTrip(picture);
}
