#include "document/opened_picture.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/icon.h"
#include "platform/framework/picture.h"

bool StaysAsRead(const TGraphic* graphic)
{
    return !graphic || dynamic_cast<const TBitmap*>(graphic) || dynamic_cast<const TIcon*>(graphic);
}

std::unique_ptr<TGraphic> TakeAsBitmap(std::unique_ptr<TGraphic>& graphic)
{
    if (StaysAsRead(graphic.get()))
        return nullptr;
    std::unique_ptr<TGraphic> format = graphic->CreateLike();
    graphic = TPicture::BitmapOf(graphic.get());
    return format;
}
