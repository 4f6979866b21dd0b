#include "platform/metafile/metafile.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/metafile/emf_document.h"
#include "platform/metafile/emf_player.h"
#include "platform/metafile/metafile_canvas.h"
#include "platform/metafile/wmf_document.h"
#include "platform/metafile/wmf_player.h"

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(TPersistent* source)
{
    if (auto* other = dynamic_cast<TMetafile*>(source)) {
        emf_ = other->emf_;
        wmf_ = other->wmf_;
        width_ = other->width_;
        height_ = other->height_;
        Changed(this);
        return;
    }
    // A bitmap becomes a recording of itself at its own size, as exporting records it.
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        SetHeight(bitmap->Height());
        SetWidth(bitmap->Width());
        TMetafileCanvas canvas(*this, nullptr);
        canvas.Draw(0, 0, bitmap);
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect)
{
    gdi::DeviceContext& dc = *canvas.Handle();
    const gdi::Rect destination{rect.left, rect.top, rect.right, rect.bottom};
    if (emf_)
        metafile::playEmf(*emf_, dc, destination);
    else if (wmf_)
        metafile::playWmf(*wmf_, dc, destination);
}

bool TMetafile::GetEmpty() const
{
    return !emf_ && !wmf_;
}

int TMetafile::GetHeight() const
{
    return height_;
}

int TMetafile::GetWidth() const
{
    return width_;
}

void TMetafile::SetHeight(int value)
{
    if (value == height_)
        return;
    height_ = value;
    Changed(this);
}

void TMetafile::SetWidth(int value)
{
    if (value == width_)
        return;
    width_ = value;
    Changed(this);
}

void TMetafile::load(std::vector<uint8_t> bytes)
{
    std::shared_ptr<const metafile::EmfDocument> emf;
    std::shared_ptr<const metafile::WmfDocument> wmf;
    int width = 0, height = 0;
    if (metafile::EmfDocument::hasSignature(bytes)) {
        emf = std::make_shared<const metafile::EmfDocument>(std::move(bytes));
        width = emf->widthPixels();
        height = emf->heightPixels();
    } else if (metafile::WmfDocument::hasSignature(bytes)) {
        wmf = std::make_shared<const metafile::WmfDocument>(std::move(bytes));
        width = wmf->widthPixels();
        height = wmf->heightPixels();
    } else {
        throw EInvalidGraphic(QStringLiteral("Invalid metafile"));
    }
    // Whoever shows the metafile makes a picture of this size: refuse sizes no picture can have.
    PictureSizePolicy::check(width, height, 32);
    emf_ = std::move(emf);
    wmf_ = std::move(wmf);
    width_ = width;
    height_ = height;
}

void TMetafile::LoadFromStream(TStream& stream)
{
    load(stream.ReadRemaining());
    Changed(this);
}

void TMetafile::SaveToStream(TStream& stream)
{
    if (emf_)
        stream.WriteBuffer(emf_->bytes());
    else if (wmf_)
        stream.WriteBuffer(wmf_->bytes());
}

void TMetafile::setRecords(std::vector<uint8_t> emfBytes)
{
    const int width = width_, height = height_;
    emf_ = std::make_shared<const metafile::EmfDocument>(std::move(emfBytes));
    wmf_.reset();
    width_ = width;
    height_ = height;
    Changed(this);
}

void TMetafile::LoadFromClipboardFormat(unsigned short, const HBITMAP&, const HPALETTE&)
{
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TMetafile::SaveToClipboardFormat(unsigned short&, HBITMAP&, HPALETTE&)
{
    throw EInvalidGraphicOperation(QStringLiteral("Metafiles are not put on the clipboard"));
}
