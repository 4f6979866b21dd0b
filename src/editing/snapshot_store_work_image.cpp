// The restoring half of the undo slots: it draws through the work image, a framework image.

#include "editing/snapshot_store.h"

#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

void SnapshotStore::prepareWorkImage(TImage& workImage)
{
    workImage.Picture()->Bitmap()->SetPixelFormat(pf32bit);
}

void SnapshotStore::restoreInto(int slot, TImage& workImage, TDibGraphic& picture) const
{
    TBitmap* work = workImage.Picture()->Bitmap();
    if (gdi::DibSurface* shot = slots_.at(static_cast<size_t>(slot)).get()) {
        gdi::DeviceContext from(*shot);
        TCanvas source;
        source.SetHandle(&from);
        const TRect whole = Rect(0, 0, shot->width(), shot->height());
        TCanvas* canvas = workImage.Canvas();
        canvas->SetCopyMode(cmSrcCopy);
        canvas->CopyRect(whole, &source, whole);
        source.SetHandle(nullptr);
    }
    gdi::DibSurface* pixels = picture.DibSection();
    if (!pixels || work->Empty())
        return;
    gdi::DeviceContext to(*pixels);
    to.BitBlt(0, 0, work->Width(), work->Height(), work->Canvas()->Handle(), 0, 0, gdi::SRCCOPY);
}
