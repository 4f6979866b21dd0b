#include "platform/metafile/metafile_canvas.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/metafile/emf_writer.h"
#include "platform/metafile/metafile.h"

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, const void* referenceDevice) : metafile_(metafile)
{
    (void)referenceDevice;
}

TMetafileCanvas::~TMetafileCanvas()
{
    if (!recording_.empty())
        metafile_.setRecords(std::move(recording_));
}

void TMetafileCanvas::Draw(int x, int y, TGraphic* graphic)
{
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    if (!bitmap)
        throw EInvalidGraphicOperation(QStringLiteral("Only bitmaps can be recorded in a metafile"));
    const gdi::DibSurface* surface = bitmap->Surface();
    if (!surface || surface->width() <= 0 || surface->height() <= 0)
        return;
    recording_ = metafile::writeBitmapEmf(metafile_.Width(), metafile_.Height(), x, y, *surface);
}
