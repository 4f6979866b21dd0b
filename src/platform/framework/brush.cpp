#include "platform/framework/brush.h"

#include "platform/framework/bitmap.h"
#include "platform/gdi/device_context.h"

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
        tile_ = brush->tile_;
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
    tile_.reset();
    Changed();
}

std::shared_ptr<const gdi::ColorTile> TBrush::Tile() const
{
    if (tile_ || !bitmap_ || bitmap_->Empty())
        return tile_;
    const gdi::DibSurface* surface = bitmap_->Surface();
    if (!surface)
        return nullptr;
    auto tile = std::make_shared<gdi::ColorTile>();
    tile->width = surface->width();
    tile->height = surface->height();
    tile->colours.reserve(static_cast<size_t>(tile->width) * static_cast<size_t>(tile->height));
    const std::vector<gdi::RgbQuad>& table = surface->colorTable();
    for (int y = 0; y < tile->height; ++y)
        for (int x = 0; x < tile->width; ++x) {
            const uint32_t raw = surface->rawPixel(x, y);
            if (!surface->isPalettised())
                tile->colours.push_back(gdi::RGB(static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8),
                                                 static_cast<uint8_t>(raw)));
            else if (raw < table.size())
                tile->colours.push_back(gdi::RGB(table[raw].red, table[raw].green, table[raw].blue));
            else
                tile->colours.push_back(gdi::RGB(0, 0, 0));
        }
    tile_ = std::move(tile);
    return tile_;
}
