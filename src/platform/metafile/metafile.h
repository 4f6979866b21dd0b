#pragma once
// The framework's metafile graphic: an enhanced (or Windows) metafile kept as its records,
// drawn by playing them onto a canvas, and recorded through TMetafileCanvas.

#include "platform/framework/graphic.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace metafile {
class EmfDocument;
class WmfDocument;
} // namespace metafile

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    QString ClassName() const override { return QStringLiteral("TMetafile"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TMetafile>(); }
    void Assign(TPersistent* source) override;

    // Plays the records with the picture frame fitted to rect.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    bool GetEmpty() const override;
    // In pixels at the screen's 96 dots per inch.
    int GetHeight() const override;
    int GetWidth() const override;
    void SetHeight(int value) override;
    void SetWidth(int value) override;

    // EMF or WMF, told apart by their headers. A damaged file raises EInvalidGraphic and
    // leaves the metafile as it was.
    void LoadFromStream(TStream& stream) override;
    // The records as they are: EMF, or WMF for a metafile read from one.
    void SaveToStream(TStream& stream) override;
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) override;
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) override;

    // Replaces the records with a finished recording (used by TMetafileCanvas).
    void setRecords(std::vector<uint8_t> emfBytes);

private:
    void load(std::vector<uint8_t> bytes);

    std::shared_ptr<const metafile::EmfDocument> emf_;
    std::shared_ptr<const metafile::WmfDocument> wmf_;
    int width_ = 0;
    int height_ = 0;
};
