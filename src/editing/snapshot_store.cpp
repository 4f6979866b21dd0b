#include "editing/snapshot_store.h"

#include "platform/gdi/dib_surface.h"

#include <cstring>
#include <utility>

SnapshotStore::SnapshotStore(int slotCount) : slots_(static_cast<size_t>(slotCount)) {}

SnapshotStore::~SnapshotStore() = default;

void SnapshotStore::store(int slot, const TDibGraphic& picture)
{
    Slot& target = slots_.at(static_cast<size_t>(slot));
    const gdi::DibSurface* source = picture.DibSection();
    if (!source) {
        target.pixels.reset();
        return;
    }
    const int width = source->width();
    const int height = source->height();
    const int bits = source->bitsPerPixel();
    // A slot of the same shape is reused; otherwise the old copy goes first, so a full history
    // of big pictures never holds one copy more than it keeps.
    if (!target.pixels || target.pixels->width() != width || target.pixels->height() != height ||
        target.pixels->bitsPerPixel() != bits) {
        target.pixels.reset();
        target.pixels = std::make_unique<gdi::DibSurface>(width, height, bits, source->colorTable());
    } else {
        target.pixels->setColorTable(source->colorTable());
    }
    // Read through the constant surface, so that the copy does not count as a change.
    std::memcpy(target.pixels->bits(), std::as_const(*source).bits(), source->imageBytes());
    target.format = picture.ImageFormat();
    target.xDpi = picture.XDpi();
    target.yDpi = picture.YDpi();
}

const gdi::DibSurface* SnapshotStore::snapshot(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).pixels.get();
}

TImageFormat SnapshotStore::format(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).format;
}

size_t SnapshotStore::bytes() const
{
    size_t total = 0;
    for (const Slot& slot : slots_) {
        if (slot.pixels)
            total += slot.pixels->imageBytes();
    }
    return total;
}
