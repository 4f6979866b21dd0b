#include "whole_copy_store.h"

#include "platform/gdi/dib_surface.h"

#include <cstring>
#include <utility>

WholeCopyStore::WholeCopyStore(int slotCount) : slots_(static_cast<size_t>(slotCount)) {}

WholeCopyStore::~WholeCopyStore() = default;

void WholeCopyStore::store(int slot, const TDibGraphic& picture)
{
    Slot& target = slots_.at(static_cast<size_t>(slot));
    const gdi::DibSurface* source = picture.DibSection();
    if (!source) {
        target.pixels.reset();
        return;
    }
    const int width = source->width();
    const int height = source->height();
    const int bits = source->bitsPerPixel();
    // A slot of the same shape is reused; otherwise the old copy goes first, so a full history
    // of big pictures never holds one copy more than it keeps.
    if (!target.pixels || target.pixels->width() != width || target.pixels->height() != height ||
        target.pixels->bitsPerPixel() != bits) {
        target.pixels.reset();
        target.pixels = std::make_unique<gdi::DibSurface>(width, height, bits, source->colorTable());
    } else {
        target.pixels->setColorTable(source->colorTable());
    }
    // Read through the constant surface, so that the copy does not count as a change.
    std::memcpy(target.pixels->bits(), std::as_const(*source).bits(), source->imageBytes());
    target.format = picture.ImageFormat();
    target.xDpi = picture.XDpi();
    target.yDpi = picture.YDpi();
}

const gdi::DibSurface* WholeCopyStore::snapshot(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).pixels.get();
}

TImageFormat WholeCopyStore::format(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).format;
}

size_t WholeCopyStore::bytes() const
{
    size_t total = 0;
    for (const Slot& slot : slots_) {
        if (slot.pixels)
            total += slot.pixels->imageBytes();
    }
    return total;
}
// The restoring half of the whole-copy store.

#include "whole_copy_store.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// The part of a width x height area at the origin that lies outside the inner area at the
// origin: the strip to its right and the strip below it. Empty strips have no area.
std::array<TRect, 2> outside(int width, int height, int innerWidth, int innerHeight)
{
    innerWidth = std::min(innerWidth, width);
    innerHeight = std::min(innerHeight, height);
    return {TRect{innerWidth, 0, width, height}, TRect{0, innerHeight, innerWidth, height}};
}

bool hasArea(const TRect& r)
{
    return r.right > r.left && r.bottom > r.top;
}

void blit(gdi::DeviceContext& to, const TRect& r, const gdi::DeviceContext& from)
{
    if (hasArea(r))
        to.BitBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, &from, r.left, r.top, gdi::SRCCOPY);
}

} // namespace

void WholeCopyStore::prepareWorkImage(TImage& workImage)
{
    workImage.Picture()->Bitmap()->SetPixelFormat(pf32bit);
}

void WholeCopyStore::restoreWhole(int slot, TDibGraphic& picture) const
{
    const Slot& shot = slots_.at(static_cast<size_t>(slot));
    const gdi::DibSurface* pixels = shot.pixels.get();
    if (!pixels)
        return;
    const TLogPalette palette = PaletteOfColorTable(pixels->colorTable());
    TDibGraphic restored;
    restored.NewImage(pixels->width(), pixels->height(), shot.format, shot.format == ifTrueColor ? nullptr : &palette,
                      shot.xDpi, shot.yDpi);
    // Same width, height and depth as when it was stored: the same row layout.
    Q_ASSERT(restored.DibSection()->imageBytes() == pixels->imageBytes());
    std::memcpy(restored.Bits(), pixels->bits(), pixels->imageBytes());
    if (!picture.GetEmpty()) {
        TCanvas& was = *picture.Canvas();
        TCanvas& now = *restored.Canvas();
        now.SetPen(was.Pen());
        now.SetBrush(was.Brush());
        now.SetFont(was.Font());
        now.SetCopyMode(was.CopyMode());
    }
    picture.SwapImage(restored);
}

void WholeCopyStore::restoreInto(int slot, TImage& workImage, TDibGraphic& picture) const
{
    const Slot& shot = slots_.at(static_cast<size_t>(slot));
    gdi::DibSurface* shotPixels = shot.pixels.get();

    // The picture in the slot's format is made before anything is drawn, so that a picture
    // too big for it leaves both images as they were. The two are exchanged, and the old image
    // stays until the end: it still has the colours of whatever the work image does not reach.
    TDibGraphic exchanged;
    bool recreated = false;
    if (shotPixels && !picture.GetEmpty()) {
        const gdi::DibSurface& current = *std::as_const(picture).DibSection();
        if (picture.ImageFormat() != shot.format || current.colorTable() != shotPixels->colorTable()) {
            const TLogPalette palette = PaletteOfColorTable(shotPixels->colorTable());
            exchanged.NewImage(picture.GetWidth(), picture.GetHeight(), shot.format,
                               shot.format == ifTrueColor ? nullptr : &palette, shot.xDpi, shot.yDpi);
            recreated = true;
        } else {
            picture.SetXDpi(shot.xDpi);
            picture.SetYDpi(shot.yDpi);
        }
    }

    TBitmap* work = workImage.Picture()->Bitmap();
    if (shotPixels) {
        gdi::DeviceContext from(*shotPixels);
        TCanvas source;
        source.SetHandle(&from);
        const TRect whole = Rect(0, 0, shotPixels->width(), shotPixels->height());
        TCanvas* canvas = workImage.Canvas();
        canvas->SetCopyMode(cmSrcCopy);
        canvas->CopyRect(whole, &source, whole);
        source.SetHandle(nullptr);
    }
    if (picture.GetEmpty() || work->Empty())
        return;
    if (recreated) {
        picture.SwapImage(exchanged);
        // The new image comes with a new canvas; the pen, brush and font the user chose stay.
        TCanvas& now = *picture.Canvas();
        TCanvas& was = *exchanged.Canvas();
        now.SetPen(was.Pen());
        now.SetBrush(was.Brush());
        now.SetFont(was.Font());
        now.SetCopyMode(was.CopyMode());
        now.SetPenPos(was.PenPos());
    }

    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    const int workWidth = std::min(width, work->Width());
    const int workHeight = std::min(height, work->Height());
    // What the slot put in the work image goes to the picture straight from the slot: the
    // same colours, with the slot's own indexes when both are palettised alike.
    const int shotWidth = shotPixels ? std::min(workWidth, shotPixels->width()) : 0;
    const int shotHeight = shotPixels ? std::min(workHeight, shotPixels->height()) : 0;
    gdi::DeviceContext to(*picture.DibSection());
    if (shotWidth > 0 && shotHeight > 0) {
        gdi::DeviceContext from(*shotPixels);
        blit(to, TRect{0, 0, shotWidth, shotHeight}, from);
    }
    const std::array<TRect, 2> fromWork = outside(workWidth, workHeight, shotWidth, shotHeight);
    for (const TRect& r : fromWork)
        blit(to, r, *work->Canvas()->Handle());
    if (!recreated)
        return;
    gdi::DeviceContext old(*exchanged.DibSection());
    for (const TRect& r : outside(width, height, workWidth, workHeight))
        blit(to, r, old);
    // Colours the new format cannot show were matched; the work image takes what the picture
    // shows there, so that a file saved now is what is on the screen.
    if (picture.IsPalettised()) {
        TCanvas* canvas = workImage.Canvas();
        for (const TRect& r : fromWork) {
            if (hasArea(r))
                canvas->CopyRect(r, picture.Canvas(), r);
        }
    }
}
