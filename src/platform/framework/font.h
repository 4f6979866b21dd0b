#pragma once
// The canvas font: face name, size, colour, style and character set.

#include "platform/framework/graphics_object.h"
#include "platform/framework/graphics_types.h"

class QFont;

class TFont : public TGraphicsObject {
public:
    // Fonts are measured at the screen's resolution.
    static constexpr int PixelsPerInch = 96;

    QString ClassName() const override { return QStringLiteral("TFont"); }
    void Assign(TPersistent* source) override;

    QString Name() const { return name_; }
    void SetName(const QString& value);
    // Height in pixels: negative = character height, positive = cell height.
    int Height() const { return height_; }
    void SetHeight(int value);
    // Size in points, derived from Height at PixelsPerInch.
    int Size() const;
    void SetSize(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset value);

    // Exchange with Qt's font dialog.
    QFont ToQFont() const;
    void AssignQFont(const QFont& font);

    friend bool operator==(const TFont& a, const TFont& b)
    {
        return a.name_ == b.name_ && a.height_ == b.height_ && a.color_ == b.color_ && a.style_ == b.style_
            && a.charset_ == b.charset_;
    }

private:
    QString name_ = QStringLiteral("MS Sans Serif");
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    TFontCharset charset_ = DEFAULT_CHARSET;
};
