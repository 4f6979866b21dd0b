#include "editing/canvas_size.h"

#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/gdi/dib_surface.h"

#include <algorithm>
#include <memory>

namespace {

enum class Side { Width, Height };

// The slider's range ends two pixels past the current size. Lowering Max below the position
// moves the position, which reports a change and runs the whole step again first.
int clampedPosition(TSlider& slider, int currentSize)
{
    slider.SetMax(currentSize + 2);
    return std::max(1, slider.Position());
}

// The work image becomes a white screen-format bitmap of the new size with the picture at its
// top-left: what taking a copy and then cutting or widening it leaves. Whatever kind of graphic
// the work image held before, it holds a bitmap afterwards. Rows are copied directly: a step on
// a big picture must stay a few plain passes over its bytes.
void resizeWorkImage(TImage& workImage, const TDibGraphic& picture, int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pfDevice);
    bitmap->SetSize(width, height);
    gdi::DibSurface& surface = *bitmap->Surface();
    const int kept = std::min(width, picture.GetWidth());
    const bool trueColor = picture.ImageFormat() == ifTrueColor;
    for (int y = 0; y < height; ++y) {
        uint8_t* to = surface.scanLine(y);
        int x = 0;
        if (y < picture.GetHeight()) {
            const uint8_t* from = picture.ScanLine(y);
            for (; x < kept; ++x) {
                const uint32_t rgb = trueColor ? (uint32_t{from[3 * x + 2]} << 16) | (uint32_t{from[3 * x + 1]} << 8) |
                                                     from[3 * x]
                                               : picture.GetPixelRGB(x, y);
                to[4 * x] = static_cast<uint8_t>(rgb);
                to[4 * x + 1] = static_cast<uint8_t>(rgb >> 8);
                to[4 * x + 2] = static_cast<uint8_t>(rgb >> 16);
                to[4 * x + 3] = 0;
            }
        }
        for (; x < width; ++x) {
            to[4 * x] = to[4 * x + 1] = to[4 * x + 2] = 0xFF;
            to[4 * x + 3] = 0;
        }
    }
    workImage.Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

// The picture comes back as a 24-bit picture of the work image's size and pixels.
void recreatePicture(TImage& workImage, TDibGraphic& picture)
{
    TBitmap* bitmap = workImage.Picture()->Bitmap();
    const gdi::DibSurface& surface = *bitmap->Surface();
    const int width = bitmap->Width();
    picture.NewImage(width, bitmap->Height(), ifTrueColor, nullptr, 300, 300);
    for (int y = 0; y < bitmap->Height(); ++y) {
        const uint8_t* from = surface.scanLine(y);
        uint8_t* to = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
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
    host.WithoutSelectionFrame([&] {
        resizeWorkImage(*workImage, *picture, width, height);
        if (side == Side::Width)
            host.ShowPictureSize();
        host.SetModified();
        recreatePicture(*workImage, *picture);
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
