#include "platform/framework/font.h"

#include <QFont>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv.
int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const long long rounded = (product >= 0) == (c >= 0) ? (std::llabs(product) + half) / std::llabs(c)
                                                          : -((std::llabs(product) + half) / std::llabs(c));
    return static_cast<int>(rounded);
}

} // namespace

void TFont::Assign(TPersistent* source)
{
    if (auto* font = dynamic_cast<TFont*>(source)) {
        name_ = font->name_;
        height_ = font->height_;
        color_ = font->color_;
        style_ = font->style_;
        charset_ = font->charset_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TFont::SetName(const QString& value)
{
    if (value != name_ && !value.isEmpty()) {
        name_ = value;
        Changed();
    }
}

void TFont::SetHeight(int value)
{
    if (value != height_) {
        height_ = value;
        Changed();
    }
}

int TFont::Size() const
{
    return -mulDiv(height_, 72, PixelsPerInch);
}

void TFont::SetSize(int value)
{
    SetHeight(-mulDiv(value, PixelsPerInch, 72));
}

void TFont::SetColor(TColor value)
{
    if (value != color_) {
        color_ = value;
        Changed();
    }
}

void TFont::SetStyle(TFontStyles value)
{
    if (value != style_) {
        style_ = value;
        Changed();
    }
}

void TFont::SetCharset(TFontCharset value)
{
    if (value != charset_) {
        charset_ = value;
        Changed();
    }
}

QFont TFont::ToQFont() const
{
    QFont font(name_);
    // A negative height is the character height, which is what a pixel size means to Qt; a
    // positive one is the cell height, of which the character takes about four fifths.
    const int pixels = height_ < 0 ? -height_ : (height_ > 0 ? std::max(1, height_ * 4 / 5) : 11);
    font.setPixelSize(pixels);
    font.setBold(style_ & fsBold);
    font.setItalic(style_ & fsItalic);
    font.setUnderline(style_ & fsUnderline);
    font.setStrikeOut(style_ & fsStrikeOut);
    return font;
}

void TFont::AssignQFont(const QFont& font)
{
    name_ = font.family();
    if (font.pixelSize() > 0)
        height_ = -font.pixelSize();
    else
        height_ = -static_cast<int>(std::lround(font.pointSizeF() * PixelsPerInch / 72.0));
    TFontStyles style = 0;
    if (font.bold())
        style |= fsBold;
    if (font.italic())
        style |= fsItalic;
    if (font.underline())
        style |= fsUnderline;
    if (font.strikeOut())
        style |= fsStrikeOut;
    style_ = style;
    Changed();
}
