#include "platform/framework/clipboard.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/graphics_types.h"
#include "platform/framework/picture.h"
#include "platform/framework/qimage_conversion.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* systemClipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

TClipboard* Clipboard()
{
    static TClipboard clipboard;
    return &clipboard;
}

TClipboard::~TClipboard()
{
    QObject::disconnect(watching_);
}

void TClipboard::Clear()
{
    if (QClipboard* clipboard = systemClipboard())
        clipboard->clear();
}

bool TClipboard::HasFormat(unsigned short format) const
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard || format != CF_BITMAP)
        return false;
    const QMimeData* data = clipboard->mimeData();
    return data && data->hasImage();
}

void TClipboard::watch(QClipboard* clipboard) const
{
    if (watched_ == clipboard)
        return;
    QObject::disconnect(watching_);
    converted_.reset();
    watched_ = clipboard;
    watching_ = QObject::connect(clipboard, &QClipboard::dataChanged, [this] { converted_.reset(); });
}

HBITMAP TClipboard::GetAsBitmap() const
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard)
        return nullptr;
    watch(clipboard);
    if (converted_)
        return converted_;
    if (!HasFormat(CF_BITMAP))
        return nullptr;
    const QImage image = clipboard->image();
    if (image.isNull())
        return nullptr;
    auto object = std::make_shared<BitmapObject>();
    object->surface = SurfaceFromQImage(image);
    object->dibSection = false;
    converted_ = object;
    return object;
}

void TClipboard::SetAsBitmap(const HBITMAP& bitmap, const HPALETTE& /*palette*/)
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard)
        return;
    if (!bitmap || !bitmap->surface) {
        clipboard->clear();
        return;
    }
    clipboard->setImage(SurfaceToQImage(*bitmap->surface));
}

void TClipboard::Assign(TPersistent* source)
{
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        if (TGraphic* graphic = picture->Graphic())
            Assign(graphic);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        unsigned short format = 0;
        HBITMAP data;
        HPALETTE palette;
        graphic->SaveToClipboardFormat(format, data, palette);
        SetAsBitmap(data, palette);
        return;
    }
    TPersistent::Assign(source);
}

void TClipboard::AssignTo(TPersistent* dest)
{
    if (auto* picture = dynamic_cast<TPicture*>(dest)) {
        picture->LoadFromClipboardFormat(CF_BITMAP, GetAsBitmap(), GetPalette());
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->LoadFromClipboardFormat(CF_BITMAP, GetAsBitmap(), GetPalette());
        return;
    }
    TPersistent::AssignTo(dest);
}
