#include "platform/framework/image.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"

#include <utility>

TImage::TImage()
{
    picture_.OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage()
{
    picture_.OnChange = nullptr;
}

void TImage::DeferPictureUpdate(std::function<void()> update, int width, int height)
{
    pendingUpdate_ = std::move(update);
    pendingWidth_ = width;
    pendingHeight_ = height;
}

void TImage::SettlePicture()
{
    // Taken out first: the work reads the picture through this image itself.
    if (std::function<void()> update = std::exchange(pendingUpdate_, nullptr))
        update();
}

TCanvas* TImage::Canvas()
{
    SettlePicture();
    if (!picture_.Graphic()) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(width_, height_);
        picture_.SetGraphic(std::move(bitmap));
    }
    auto* bitmap = dynamic_cast<TBitmap*>(picture_.Graphic());
    if (!bitmap)
        throw EInvalidOperation(FrameworkMessages::imageCanvasNeedsBitmap());
    return bitmap->Canvas();
}

void TImage::SetBounds(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TImage::SetAutoSize(bool value)
{
    autoSize_ = value;
    PictureChanged(this);
}

void TImage::SetStretch(bool value)
{
    stretch_ = value;
    PictureChanged(this);
}

void TImage::SetCenter(bool value)
{
    center_ = value;
    PictureChanged(this);
}

void TImage::SetTransparent(bool value)
{
    transparent_ = value;
    PictureChanged(this);
}

void TImage::PictureChanged(TObject* /*sender*/)
{
    // Handing the transparency on to the graphic notifies again; one pass is enough.
    if (inPictureChanged_)
        return;
    inPictureChanged_ = true;
    if (TGraphic* graphic = picture_.Graphic()) {
        if (autoSize_ && !graphic->Empty()) {
            width_ = graphic->Width();
            height_ = graphic->Height();
        }
        if (dynamic_cast<TBitmap*>(graphic))
            graphic->SetTransparent(transparent_);
    }
    inPictureChanged_ = false;
    if (OnPictureChanged)
        OnPictureChanged(this);
}

TRect TImage::DestRect() const
{
    int w = picture_.Width();
    int h = picture_.Height();
    if (stretch_) {
        w = width_;
        h = height_;
    }
    int x = 0;
    int y = 0;
    if (center_) {
        x = (width_ - w) / 2;
        y = (height_ - h) / 2;
    }
    return Bounds(x, y, w, h);
}

void TImage::Paint(TCanvas& canvas)
{
    SettlePicture();
    if (TGraphic* graphic = picture_.Graphic())
        canvas.StretchDraw(DestRect(), graphic);
}
