#include "imaging/commands/effect_commands.h"

#include "imaging/commands/command_progress.h"
#include "imaging/commands/transform_command.h"
#include "imaging/picture_command.h"
#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/saturation.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/gdi/device_context.h"

#include <vector>

namespace {

void runTransform(PictureHost& host, TImageTransform& transform)
{
    RunTransformCommand(host, transform);
}

} // namespace

void BrightnessCommand(PictureHost& host, int amount)
{
    TBrightnessTransform transform;
    transform.SetAmount(amount);
    runTransform(host, transform);
}

void ContrastCommand(PictureHost& host, bool enhance)
{
    TContrastTransform transform;
    transform.Enhance = enhance;
    runTransform(host, transform);
}

void SharpenCommand(PictureHost& host, int strength)
{
    TSharpenTransform transform;
    transform.Strength = static_cast<uint8_t>(strength);
    runTransform(host, transform);
}

void SmoothCommand(PictureHost& host, int strength)
{
    TSmoothTransform transform;
    transform.Strength = static_cast<uint8_t>(strength);
    runTransform(host, transform);
}

void SaturationCommand(PictureHost& host, int sliderPosition)
{
    RunPictureCommand(host, {}, [&](TDibGraphic& picture) {
        if (picture.GetEmpty())
            return;
        CommandProgress progress(host, picture);
        ChangeSaturation(picture, SaturationChange(sliderPosition));
    });
}

void TextureCommand(PictureHost& host, const QString& fileName)
{
    TDibGraphic* picture = host.Picture();
    if (!picture || !picture->Canvas())
        return;
    TBitmap texture;
    texture.LoadFromFile(fileName);
    picture->Canvas()->Brush()->SetBitmap(&texture);
}

bool PixelReadCommand(PictureHost& host)
{
    TDibGraphic* picture = host.Picture();
    if (!picture)
        return true;
    bool read = false;
    if (const gdi::DibSurface* surface = picture->DibSection(); surface && picture->MemoryDC()) {
        gdi::BitmapInfo info = gdi::BitmapInfo::describe(*surface);
        std::vector<uint8_t> bits(static_cast<size_t>(surface->rowBytes()) * static_cast<size_t>(surface->height()));
        read = picture->MemoryDC()->GetDIBits(0, static_cast<unsigned>(surface->height()), bits.data(), info,
                                              gdi::DIB_RGB_COLORS) != 0;
    }
    host.Redraw();
    return read;
}
