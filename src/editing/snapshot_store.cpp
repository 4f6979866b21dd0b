#include "editing/snapshot_store.h"

#include "imaging/dib_graphic.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

#include <cstring>
#include <utility>

SnapshotStore::SnapshotStore(int slotCount) : slots_(static_cast<size_t>(slotCount)) {}

SnapshotStore::~SnapshotStore() = default;

void SnapshotStore::store(int slot, const TDibGraphic& picture)
{
    std::unique_ptr<gdi::DibSurface>& target = slots_.at(static_cast<size_t>(slot));
    gdi::DibSurface* source = picture.DibSection();
    if (!source) {
        target.reset();
        return;
    }
    const int width = source->width();
    const int height = source->height();
    // A slot of the same size is reused; otherwise the old copy goes first, so a full history
    // of big pictures never holds one copy more than it keeps.
    if (!target || target->width() != width || target->height() != height) {
        target.reset();
        target = std::make_unique<gdi::DibSurface>(width, height, 24);
    }
    if (source->bitsPerPixel() == 24) {
        // Read through the constant surface, so that the copy does not count as a change.
        std::memcpy(target->bits(), std::as_const(*source).bits(), source->imageBytes());
        return;
    }
    gdi::DeviceContext from(*source);
    gdi::DeviceContext to(*target);
    to.BitBlt(0, 0, width, height, &from, 0, 0, gdi::SRCCOPY);
}

const gdi::DibSurface* SnapshotStore::snapshot(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).get();
}

size_t SnapshotStore::bytes() const
{
    size_t total = 0;
    for (const auto& slot : slots_) {
        if (slot)
            total += slot->imageBytes();
    }
    return total;
}
