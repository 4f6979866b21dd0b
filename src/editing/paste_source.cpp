#include "editing/paste_source.h"

#include "platform/framework/canvas.h"
#include "platform/framework/graphics_types.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

namespace {

// Between true-colour depths a source copy only drops or adds the unused byte, so drawing a
// converted copy gives exactly what drawing the original does. Palette targets match colours
// to their own table and keep the general path.
bool convertsExactly(const gdi::DibSurface& from, int targetBits)
{
    return targetBits == 24 && from.bitsPerPixel() == 32;
}

// A source copy of the whole of from, through the same drawing call the paste makes.
void drawWhole(gdi::DibSurface& from, gdi::DibSurface& to)
{
    gdi::DeviceContext source(from);
    gdi::DeviceContext target(to);
    TCanvas sourceCanvas;
    TCanvas targetCanvas;
    sourceCanvas.SetHandle(&source);
    targetCanvas.SetHandle(&target);
    const TRect whole = Rect(0, 0, from.width(), from.height());
    targetCanvas.SetCopyMode(cmSrcCopy);
    targetCanvas.CopyRect(whole, &sourceCanvas, whole);
    targetCanvas.SetHandle(nullptr);
    sourceCanvas.SetHandle(nullptr);
}

} // namespace

gdi::DibSurface& PasteSource::For(const HBITMAP& data, int targetBits)
{
    gdi::DibSurface& original = *data->surface;
    if (!convertsExactly(original, targetBits)) {
        Release();
        return original;
    }
    if (data != from_ || targetBits != bits_ || !converted_) {
        Release();
        auto copy = std::make_unique<gdi::DibSurface>(original.width(), original.height(), targetBits);
        drawWhole(original, *copy);
        converted_ = std::move(copy);
        from_ = data;
        bits_ = targetBits;
    }
    return *converted_;
}

void PasteSource::Release()
{
    converted_.reset();
    from_.reset();
    bits_ = 0;
}
