#pragma once
// The canvas brush: colour, style and an optional pattern bitmap.

#include "platform/framework/graphics_object.h"
#include "platform/framework/graphics_types.h"

#include <memory>

class TBitmap;

namespace gdi {
struct ColorTile;
}

class TBrush : public TGraphicsObject {
public:
    TBrush();
    ~TBrush() override;
    QString ClassName() const override { return QStringLiteral("TBrush"); }
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    // Setting a colour drops bsClear back to bsSolid, as the framework does.
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // While a pattern bitmap is set the brush paints it, repeated, whatever its style. The
    // brush keeps its own copy, so the caller's bitmap may go away.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    void SetBitmap(TBitmap* value);
    // The pattern bitmap's pixels as colours, each in its own colour; made once per bitmap, so
    // draw on a pattern bitmap only before handing it to the brush. Null without a bitmap.
    std::shared_ptr<const gdi::ColorTile> Tile() const;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<TBitmap> bitmap_;
    mutable std::shared_ptr<const gdi::ColorTile> tile_;
};
