// The restoring half of the undo slots: it draws through the work image, a framework image.

#include "editing/snapshot_store.h"

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

void SnapshotStore::prepareWorkImage(TImage& workImage)
{
    workImage.Picture()->Bitmap()->SetPixelFormat(pf32bit);
}

void SnapshotStore::restoreWhole(int slot, TDibGraphic& picture)
{
    const Slot& shot = slots_.at(static_cast<size_t>(slot));
    if (shot.bands.empty())
        return;
    reference_ = Reference{};
    const gdi::DibSurface* pixels = materialise(shot);
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
    referTo(std::as_const(picture).DibSection(), &shot);
}

bool SnapshotStore::restoreBands(const Slot& shot, TImage& workImage, TDibGraphic& picture, const Reference& before)
{
    const Shape& shape = shot.shape;
    TBitmap* work = workImage.Picture()->Bitmap();
    if (shot.bands.empty() || picture.GetEmpty() || picture.ImageFormat() != shot.format || work->Empty())
        return false;
    gdi::DibSurface* pictureSurface = picture.DibSection();
    gdi::DibSurface* workSurface = work->Surface();
    if (!workSurface || shapeOf(*pictureSurface) != shape || workSurface->width() != shape.width ||
        workSurface->height() != shape.height || workSurface->bitsPerPixel() != 32)
        return false;

    const std::vector<bool> toPicture = differing(*pictureSurface, before, shape, shot.bands);
    const Shape workShape = shapeOf(*workSurface);
    Reference workBefore = std::move(workReference_);
    workReference_ = Reference{};
    // The work image is known by the bands it was drawn from, in its own 32-bit shape.
    if (workBefore.surface == workSurface && workBefore.shape == workShape)
        workBefore.shape = shape;
    const std::vector<bool> toWork = differing(*workSurface, workBefore, shape, shot.bands);
    std::vector<bool> wanted(shot.bands.size());
    for (size_t i = 0; i < wanted.size(); ++i)
        wanted[i] = toPicture[i] || toWork[i];
    gdi::DibSurface* shotPixels = materialise(shot, &wanted);

    picture.SetXDpi(shot.xDpi);
    picture.SetYDpi(shot.yDpi);
    // Runs of bands, from the bottom of the buffer up, as rectangles from the top.
    auto drawRuns = [&](const std::vector<bool>& which, auto&& draw) {
        const size_t count = which.size();
        for (size_t i = 0; i < count;) {
            if (!which[i]) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < count && which[end])
                ++end;
            const int bottom = shape.height - static_cast<int>(i) * BandRows;
            const int top = std::max(0, shape.height - static_cast<int>(end) * BandRows);
            draw(TRect{0, top, shape.width, bottom});
            i = end;
        }
    };
    {
        gdi::DeviceContext from(*shotPixels);
        TCanvas source;
        source.SetHandle(&from);
        TCanvas* canvas = workImage.Canvas();
        canvas->SetCopyMode(cmSrcCopy);
        drawRuns(toWork, [&](const TRect& r) { canvas->CopyRect(r, &source, r); });
        source.SetHandle(nullptr);
        gdi::DeviceContext to(*pictureSurface);
        drawRuns(toPicture, [&](const TRect& r) { blit(to, r, from); });
    }
    referTo(pictureSurface, &shot);
    forgetWrites(*workSurface);
    workReference_ = {workSurface, workShape, shot.bands};
    return true;
}

void SnapshotStore::restoreInto(int slot, TImage& workImage, TDibGraphic& picture)
{
    const Slot& shot = slots_.at(static_cast<size_t>(slot));
    // Whatever fails below leaves the picture unknown to the history: the next snapshot is whole.
    const Reference before = std::move(reference_);
    reference_ = Reference{};
    if (restoreBands(shot, workImage, picture, before))
        return;
    workReference_ = Reference{};
    gdi::DibSurface* shotPixels = materialise(shot);

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
    if (shotPixels && !work->Empty() && work->Surface() && work->Surface()->bitsPerPixel() == 32 &&
        work->Width() == shotPixels->width() && work->Height() == shotPixels->height()) {
        // Set before the picture is drawn: the work image is exactly the slot now, whatever follows.
        forgetWrites(*work->Surface());
        workReference_ = {work->Surface(), shapeOf(*work->Surface()), shot.bands};
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
    // The slot covered the whole picture: the picture is now exactly the slot.
    const bool whole = shotPixels && shotWidth == width && shotHeight == height && shotPixels->width() == width &&
                       shotPixels->height() == height;
    if (!recreated) {
        referTo(whole ? std::as_const(picture).DibSection() : nullptr, &shot);
        return;
    }
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
    referTo(whole ? std::as_const(picture).DibSection() : nullptr, &shot);
}
