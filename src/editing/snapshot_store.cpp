#include "editing/snapshot_store.h"

#include "platform/framework/size_policy.h"
#include "platform/gdi/dib_surface.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace {

// Pixel memory held by the slots of every window.
std::atomic<uint64_t> heldByAllStores{0};

} // namespace

SnapshotStore::SnapshotStore(int slotCount) : slots_(static_cast<size_t>(slotCount)) {}

SnapshotStore::~SnapshotStore()
{
    for (Slot& slot : slots_)
        release(slot);
}

void SnapshotStore::hold(Slot& slot, std::unique_ptr<gdi::DibSurface> pixels)
{
    release(slot);
    heldByAllStores += pixels->imageBytes();
    slot.pixels = std::move(pixels);
}

void SnapshotStore::release(Slot& slot)
{
    if (slot.pixels)
        heldByAllStores -= slot.pixels->imageBytes();
    slot.pixels.reset();
}

void SnapshotStore::makeRoom(uint64_t bytes, const Slot& keep)
{
    const uint64_t budget = PictureSizePolicy::historyBytes();
    while (heldByAllStores.load() + bytes > budget) {
        Slot* oldest = nullptr;
        for (Slot& slot : slots_) {
            if (&slot != &keep && slot.pixels && (!oldest || slot.storedAs < oldest->storedAs))
                oldest = &slot;
        }
        if (!oldest)
            return;
        release(*oldest);
    }
}

void SnapshotStore::store(int slot, const TDibGraphic& picture)
{
    Slot& target = slots_.at(static_cast<size_t>(slot));
    const gdi::DibSurface* source = picture.DibSection();
    if (!source) {
        release(target);
        return;
    }
    const int width = source->width();
    const int height = source->height();
    const int bits = source->bitsPerPixel();
    // A slot of the same shape is reused; otherwise the old copy goes first, so a full history
    // of big pictures never holds one copy more than it keeps.
    if (!target.pixels || target.pixels->width() != width || target.pixels->height() != height ||
        target.pixels->bitsPerPixel() != bits) {
        release(target);
        makeRoom(source->imageBytes(), target);
        hold(target, std::make_unique<gdi::DibSurface>(width, height, bits, source->colorTable()));
    } else {
        target.pixels->setColorTable(source->colorTable());
        makeRoom(0, target);
    }
    target.storedAs = ++stores_;
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
