#include "editing/canvas_size.h"

#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"

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

// The work image becomes a white screen-format bitmap of the new size with the picture drawn
// at its top-left: what taking a copy and then cutting or widening it leaves. Whatever kind of
// graphic the work image held before, it holds a bitmap afterwards.
void resizeWorkImage(TImage& workImage, TDibGraphic& picture, int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pfDevice);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(clWhite);
    bitmap->SetSize(width, height);
    canvas->Draw(0, 0, &picture);
    // Only what the picture does not cover turns white: a step on a big picture is one pass.
    if (width > picture.GetWidth())
        canvas->FillRect(Rect(picture.GetWidth(), 0, width, height));
    if (height > picture.GetHeight())
        canvas->FillRect(Rect(0, picture.GetHeight(), width, height));
    workImage.Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

// The picture comes back as a 24-bit picture of the work image's size and pixels.
void recreatePicture(TImage& workImage, TDibGraphic& picture)
{
    TBitmap* bitmap = workImage.Picture()->Bitmap();
    picture.NewImage(bitmap->Width(), bitmap->Height(), ifTrueColor, nullptr, 300, 300);
    picture.Canvas()->Draw(0, 0, bitmap);
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
