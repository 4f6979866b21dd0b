#include "editing/canvas_size.h"

#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "imaging/transforms/row_workers.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/dib_surface.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

enum class Side { Width, Height };

// The slider's range ends two pixels past the current size. Lowering Max below the position
// moves the position, which reports a change and runs the whole step again first.
int clampedPosition(TSlider& slider, int currentSize)
{
    slider.SetMax(currentSize + 2);
    return std::max(1, slider.Position());
}

// The memory of the work image's bitmap when nothing else can see it: the next bitmap takes
// it over, so that a step of a few pixels on a big picture costs no fresh pages.
std::shared_ptr<gdi::DibSurface> reusableWorkMemory(TImage& workImage)
{
    const auto* old = dynamic_cast<const TBitmap*>(workImage.Picture()->Graphic());
    if (!old)
        return nullptr;
    const HBITMAP handle = old->Handle();
    // Held by the bitmap and here, and its surface by nothing else.
    if (!handle || handle.use_count() != 2 || !handle->surface || handle->surface.use_count() != 1
        || handle->surface->bitsPerPixel() != 32)
        return nullptr;
    return handle->surface;
}

std::shared_ptr<gdi::DibSurface> workMemory(TImage& workImage, int width, int height)
{
    PictureSizePolicy::check(width, height, 32);
    if (std::shared_ptr<gdi::DibSurface> memory = reusableWorkMemory(workImage)) {
        try {
            memory->reshape(width, height);
            return memory;
        } catch (const std::exception&) {
            // A fresh surface below; the old one goes with the old bitmap.
        }
    }
    return std::make_shared<gdi::DibSurface>(width, height, 32);
}

// The picture's colours as 0x00RRGGBB, indexed like its pixels (empty for true colour).
std::vector<uint32_t> colourTable(const TDibGraphic& picture)
{
    std::vector<uint32_t> colours;
    if (picture.ImageFormat() == ifTrueColor)
        return colours;
    const TLogPalette& palette = picture.LogPalette();
    colours.resize(256, 0);
    for (int i = 0; i < palette.palNumEntries; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        colours[static_cast<size_t>(i)] = (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    return colours;
}

// The work image becomes a white screen-format bitmap of the new size with the picture at its
// top-left: what taking a copy and then cutting or widening it leaves. Whatever kind of graphic
// the work image held before, it holds a fresh bitmap afterwards. Each row is written once: the
// picture's pixels as 0x00RRGGBB words, then white where the picture does not reach.
void resizeWorkImage(TImage& workImage, const TDibGraphic& picture, int width, int height)
{
    std::shared_ptr<gdi::DibSurface> surface = workMemory(workImage, width, height);
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(ImageFormatBitCount(picture.ImageFormat()));
    const std::vector<uint32_t> colours = colourTable(picture);
    const int kept = std::min(width, picture.GetWidth());
    const int keptRows = std::min(height, picture.GetHeight());
    gdi::DibSurface& target = *surface;
    // Rows are independent; a big picture shares them with a second thread.
    row_workers::forEachRows(height, width, [&](int, int first, int last) {
        for (int y = first; y < last; ++y) {
            auto* to = reinterpret_cast<uint32_t*>(target.scanLine(y));
            int x = 0;
            if (y < keptRows) {
                format.fetchColors(picture.ScanLine(y), 0, kept, colours.data(), to);
                x = kept;
            }
            std::fill(to + x, to + width, 0x00FFFFFFu);
        }
    }, nullptr);
    auto handle = std::make_shared<BitmapObject>();
    handle->surface = std::move(surface);
    handle->dibSection = false;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pfDevice);
    bitmap->SetHandle(handle);
    workImage.Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

// A true-colour picture already holds what the work image got from it: it keeps its rows in
// place and only the uncovered area turns white (padding zero, as in a new picture).
bool resizeInPlace(TDibGraphic& picture, int width, int height)
{
    const int oldWidth = picture.GetWidth();
    const int oldHeight = picture.GetHeight();
    if (!picture.ResizeTrueColor(width, height))
        return false;
    const size_t pixelBytes = 3 * static_cast<size_t>(width);
    const size_t padding = static_cast<size_t>(picture.RowBytes()) - pixelBytes;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        const size_t from = y < oldHeight ? 3 * static_cast<size_t>(std::min(oldWidth, width)) : 0;
        std::memset(row + from, 0xFF, pixelBytes - from);
        std::memset(row + pixelBytes, 0, padding);
    }
    picture.SetXDpi(300);
    picture.SetYDpi(300);
    return true;
}

// The picture comes back as a 24-bit picture of the work image's size and pixels.
void recreatePicture(TImage& workImage, TDibGraphic& picture)
{
    TBitmap* bitmap = workImage.Picture()->Bitmap();
    const gdi::DibSurface& surface = *bitmap->Surface();
    const int width = surface.width();
    picture.NewImage(width, surface.height(), ifTrueColor, nullptr, 300, 300);
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(24);
    for (int y = 0; y < surface.height(); ++y)
        format.store(reinterpret_cast<const uint32_t*>(surface.scanLine(y)), 0, width, picture.ScanLine(y));
}

// The work image takes its copy of the picture as it stands, at the picture's size.
void copyPictureIntoWorkImage(CanvasSizeHost& host)
{
    TDibGraphic* picture = host.Picture();
    TImage* workImage = host.WorkImage();
    if (!picture || picture->GetEmpty() || !workImage)
        return;
    host.WithoutSelectionFrame(
        [&] { resizeWorkImage(*workImage, *picture, picture->GetWidth(), picture->GetHeight()); });
}

void resizePicture(CanvasSizeHost& host, TImage& workImage, TDibGraphic& picture, int width, int height)
{
    if (resizeInPlace(picture, width, height)) {
        // The picture now holds exactly what the work image would hand back to it. The work
        // image's own copy waits until something reads it, so dragging a slider over a big
        // picture does not copy the whole picture at every step.
        workImage.DeferPictureUpdate([&host] { copyPictureIntoWorkImage(host); }, width, height);
        return;
    }
    resizeWorkImage(workImage, picture, width, height);
    recreatePicture(workImage, picture);
}

void changeSize(CanvasSizeHost& host, TSlider& slider, Side side)
{
    TDibGraphic* picture = host.Picture();
    TImage* workImage = host.WorkImage();
    if (!picture || picture->GetEmpty() || !workImage)
        return;
    const int position = clampedPosition(slider, side == Side::Width ? picture->GetWidth() : picture->GetHeight());
    // The re-entered step may have changed the picture already; size from what it is now.
    const int width = side == Side::Width ? position : picture->GetWidth();
    const int height = side == Side::Height ? position : picture->GetHeight();
    // Refused before anything changes: the picture grows in place and its work image only later.
    PictureSizePolicy::checkWindow(width, height);
    host.WithoutSelectionFrame([&] {
        resizePicture(host, *workImage, *picture, width, height);
        if (side == Side::Width)
            host.ShowPictureSize();
        host.SetModified();
    });
    if (side == Side::Width) {
        host.Redraw(false);
    } else {
        host.Redraw(true);
        host.ShowPictureSize();
    }
}

} // namespace

void ChangePictureWidth(CanvasSizeHost& host, TSlider& slider)
{
    changeSize(host, slider, Side::Width);
}

void ChangePictureHeight(CanvasSizeHost& host, TSlider& slider)
{
    changeSize(host, slider, Side::Height);
}

void FitWorkImageToPicture(TImage& workImage, const TDibGraphic& picture)
{
    if (!picture.GetEmpty())
        resizeWorkImage(workImage, picture, picture.GetWidth(), picture.GetHeight());
}
