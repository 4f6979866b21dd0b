#pragma once
// The undo slots of one picture window: whole copies of the picture as 24-bit device bitmaps.
// Kept behind this one class so that a lighter way of holding them can replace it.

#include <cstddef>
#include <memory>
#include <vector>

namespace gdi {
class DibSurface;
}
class TDibGraphic;
class TImage;

class SnapshotStore {
public:
    explicit SnapshotStore(int slotCount);
    ~SnapshotStore();
    SnapshotStore(const SnapshotStore&) = delete;
    SnapshotStore& operator=(const SnapshotStore&) = delete;

    int slotCount() const { return static_cast<int>(slots_.size()); }

    // Replaces the slot by a copy of the whole picture (an empty picture leaves it empty).
    void store(int slot, const TDibGraphic& picture);
    // Null while the slot is empty.
    const gdi::DibSurface* snapshot(int slot) const;
    // Pixel memory held by all slots.
    size_t bytes() const;

    // Leaves a 32-bit bitmap in the work image, of its own size and pixels.
    static void prepareWorkImage(TImage& workImage);
    // Draws the slot on the work image with its top-left at (0, 0), clipped to the work image,
    // then the whole work image on the picture at (0, 0), clipped to the picture. An empty
    // slot draws nothing on the work image.
    void restoreInto(int slot, TImage& workImage, TDibGraphic& picture) const;

private:
    std::vector<std::unique_ptr<gdi::DibSurface>> slots_;
};
