#include "platform/framework/picture.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/icon.h"

#include <QFileInfo>

#include <utility>
#include <vector>

namespace {

struct FileFormat {
    QString extension; // lower case, without the dot
    QString description;
    TGraphicClass graphicClass;
};

struct ClipboardFormat {
    unsigned short format;
    TGraphicClass graphicClass;
};

// The framework's own classes come first; later registrations are searched before them.
std::vector<FileFormat>& fileFormats()
{
    static std::vector<FileFormat> formats = {
        {QStringLiteral("ico"), QStringLiteral("Icons"), &CreateGraphicOf<TIcon>},
        {QStringLiteral("bmp"), QStringLiteral("Bitmaps"), &CreateGraphicOf<TBitmap>},
    };
    return formats;
}

std::vector<ClipboardFormat>& clipboardFormats()
{
    static std::vector<ClipboardFormat> formats = {{CF_BITMAP, &CreateGraphicOf<TBitmap>}};
    return formats;
}

TGraphicClass findClipboardFormat(unsigned short format)
{
    const auto& formats = clipboardFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->format == format)
            return it->graphicClass;
    return nullptr;
}

const FileFormat* findFileFormat(const QString& extension)
{
    const QString key = extension.toLower();
    const auto& formats = fileFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->extension == key)
            return &*it;
    return nullptr;
}

} // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const QString& extension, const QString& description, TGraphicClass graphicClass)
{
    QString key = extension.toLower();
    if (key.startsWith(u'.'))
        key.remove(0, 1);
    fileFormats().push_back(FileFormat{key, description, graphicClass});
}

void TPicture::RegisterClipboardFormat(unsigned short format, TGraphicClass graphicClass)
{
    clipboardFormats().push_back(ClipboardFormat{format, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass)
{
    std::erase_if(fileFormats(), [&](const FileFormat& f) { return f.graphicClass == graphicClass; });
    std::erase_if(clipboardFormats(), [&](const ClipboardFormat& f) { return f.graphicClass == graphicClass; });
}

TGraphicClass TPicture::FindFileFormat(const QString& extension)
{
    const FileFormat* format = findFileFormat(extension);
    return format ? format->graphicClass : nullptr;
}

QString TPicture::FileFormatDescription(const QString& extension)
{
    const FileFormat* format = findFileFormat(extension);
    return format ? format->description : QString();
}

bool TPicture::SupportsClipboardFormat(unsigned short format)
{
    return findClipboardFormat(format) != nullptr;
}

void TPicture::adopt(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    if (graphic_)
        graphic_->OnChange = [this](TObject*) { Changed(this); };
    Changed(this);
}

void TPicture::Changed(TObject* /*sender*/)
{
    if (OnChange)
        OnChange(this);
}

void TPicture::SetGraphic(TGraphic* value)
{
    if (!value) {
        adopt(nullptr);
        return;
    }
    if (value == graphic_.get())
        return;
    std::unique_ptr<TGraphic> copy = value->Create();
    copy->Assign(value);
    adopt(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> value)
{
    adopt(std::move(value));
}

void TPicture::SetBitmap(TBitmap* value)
{
    SetGraphic(static_cast<TGraphic*>(value));
}

std::unique_ptr<TBitmap> TPicture::BitmapOf(TGraphic* graphic)
{
    auto bitmap = std::make_unique<TBitmap>();
    if (!graphic || graphic->Empty())
        return bitmap;
    try {
        bitmap->Assign(graphic);
    } catch (const EConvertError&) {
        bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(graphic->Width(), graphic->Height());
        bitmap->Canvas()->Draw(0, 0, graphic);
    }
    return bitmap;
}

TBitmap* TPicture::Bitmap()
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get()))
        return bitmap;
    // Another class becomes a bitmap of the same size and pixels, so callers that draw on or
    // save "the bitmap" keep the picture instead of silently losing it.
    std::unique_ptr<TBitmap> bitmap = BitmapOf(graphic_.get());
    TBitmap* result = bitmap.get();
    adopt(std::move(bitmap));
    return result;
}

TIcon* TPicture::Icon()
{
    if (auto* icon = dynamic_cast<TIcon*>(graphic_.get()))
        return icon;
    auto icon = std::make_unique<TIcon>();
    TIcon* result = icon.get();
    adopt(std::move(icon));
    return result;
}

int TPicture::Width() const
{
    return graphic_ ? graphic_->Width() : 0;
}

int TPicture::Height() const
{
    return graphic_ ? graphic_->Height() : 0;
}

std::unique_ptr<TGraphic> TPicture::ReadFile(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix();
    const TGraphicClass graphicClass = FindFileFormat(extension);
    if (!graphicClass)
        throw EInvalidGraphic(FrameworkMessages::unknownExtension(extension));
    std::unique_ptr<TGraphic> graphic = graphicClass();
    graphic->LoadFromFile(fileName);
    return graphic;
}

void TPicture::LoadFromFile(const QString& fileName)
{
    adopt(ReadFile(fileName));
}

void TPicture::SaveToFile(const QString& fileName)
{
    if (graphic_)
        graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette)
{
    const TGraphicClass graphicClass = findClipboardFormat(format);
    if (!graphicClass)
        throw EInvalidGraphic(FrameworkMessages::unknownClipboardFormat());
    std::unique_ptr<TGraphic> graphic = graphicClass();
    graphic->LoadFromClipboardFormat(format, data, palette);
    adopt(std::move(graphic));
}

void TPicture::SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette)
{
    if (graphic_)
        graphic_->SaveToClipboardFormat(format, data, palette);
}

void TPicture::Assign(TPersistent* source)
{
    if (!source) {
        SetGraphic(static_cast<TGraphic*>(nullptr));
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        if (picture != this)
            SetGraphic(picture->Graphic());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(graphic);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest)
{
    if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
        graphic->Assign(graphic_.get());
        return;
    }
    TPersistent::AssignTo(dest);
}
