#include "imaging/transforms/color_depth_command.h"

#include "imaging/transforms/color_depth.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"

void ConvertColorDepth(TDibGraphic& Picture, TImage& WorkImage, TImageFormat Format)
{
    if (Picture.GetEmpty())
        return;
    TCanvas& canvas = *WorkImage.Canvas();
    Picture.Draw(canvas, TRect{0, 0, Picture.GetWidth(), Picture.GetHeight()});
    const gdi::DibSurface* drawn = WorkImage.Picture()->Bitmap()->Surface();
    if (drawn) {
        ConvertPictureFromSurface(Picture, *drawn, Format);
        return;
    }
    // An empty work image adds nothing: the picture is re-created all black.
    Picture.NewImage(Picture.GetWidth(), Picture.GetHeight(), Format, nullptr, 300, 300);
}
