#pragma once
// The framework icon: the data of an ICO file and the image decoded from it. Icons keep the
// size they were made with.

#include "platform/framework/graphic.h"

#include <QImage>

#include <vector>

class TIcon : public TGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TIcon"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TIcon>(); }

    void Assign(TPersistent* source) override;
    // Draws the icon scaled into rect; transparent pixels of the icon leave the canvas alone.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    bool GetEmpty() const override { return image_.isNull(); }
    int GetHeight() const override { return image_.height(); }
    int GetWidth() const override { return image_.width(); }
    // Raise EInvalidGraphicOperation "Cannot change the size of an icon".
    void SetHeight(int value) override;
    void SetWidth(int value) override;

    // Reads an ICO or CUR file from the stream's position to its end (EPictureFileError when it
    // is not one); writes the data it was read from unchanged.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Icons are not exchanged through the clipboard.
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) override;
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) override;

    // The decoded image (ARGB32, alpha not premultiplied) and the file data.
    const QImage& Image() const { return image_; }
    const std::vector<uint8_t>& Data() const { return data_; }

protected:
    // A bitmap destination gets the icon drawn over the bitmap's brush colour.
    void AssignTo(TPersistent* dest) override;

private:
    std::vector<uint8_t> data_;
    QImage image_;
};
