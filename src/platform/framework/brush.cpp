#include "platform/framework/brush.h"

#include "platform/framework/bitmap.h"

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::Assign(TPersistent* source)
{
    if (auto* brush = dynamic_cast<TBrush*>(source)) {
        color_ = brush->color_;
        style_ = brush->style_;
        if (brush->bitmap_) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(brush->bitmap_.get());
        } else {
            bitmap_.reset();
        }
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TBrush::SetColor(TColor value)
{
    if (value == color_ && style_ != bsClear)
        return;
    color_ = value;
    if (style_ == bsClear)
        style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value != style_) {
        style_ = value;
        Changed();
    }
}

void TBrush::SetBitmap(TBitmap* value)
{
    if (value && !value->Empty()) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(value);
        bitmap_ = std::move(copy);
    } else {
        bitmap_.reset();
    }
    Changed();
}
