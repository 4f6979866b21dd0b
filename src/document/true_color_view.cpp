#include "document/true_color_view.h"

#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/jpeg_image.h"

std::unique_ptr<TDibGraphic> MakeTrueColorView(TGraphic* graphic)
{
    auto view = std::make_unique<TDibGraphic>();
    const int width = graphic ? graphic->Width() : 0;
    const int height = graphic ? graphic->Height() : 0;
    view->NewImage(width, height, ifTrueColor, nullptr, 300, 300);
    if (graphic)
        view->Canvas()->Draw(0, 0, graphic);
    return view;
}

bool DrawsPixelsOnly(const TGraphic& graphic)
{
    return dynamic_cast<const TBitmap*>(&graphic) || dynamic_cast<const TDibGraphic*>(&graphic) ||
           dynamic_cast<const TJPEGImage*>(&graphic);
}
