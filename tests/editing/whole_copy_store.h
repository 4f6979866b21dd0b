#pragma once
// The undo slots as plain whole copies of the picture, in its own format, with its palette and
// resolution: the model the shared-band store is held to, step by step.

#include "imaging/dib_graphic.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {
class DibSurface;
}
class TImage;

class WholeCopyStore {
public:
    explicit WholeCopyStore(int slotCount);
    ~WholeCopyStore();
    WholeCopyStore(const WholeCopyStore&) = delete;
    WholeCopyStore& operator=(const WholeCopyStore&) = delete;

    int slotCount() const { return static_cast<int>(slots_.size()); }

    // Replaces the slot by a copy of the whole picture (an empty picture leaves it empty).
    void store(int slot, const TDibGraphic& picture);
    // Null while the slot is empty.
    const gdi::DibSurface* snapshot(int slot) const;
    // The pixel format the slot's picture had; meaningful while the slot holds one.
    TImageFormat format(int slot) const;
    // Pixel memory held by all slots.
    size_t bytes() const;

    // Leaves a 32-bit bitmap in the work image, of its own size and pixels.
    static void prepareWorkImage(TImage& workImage);
    // Draws the slot on the work image with its top-left at (0, 0), clipped to the work image,
    // then the whole work image on the picture at (0, 0), clipped to the picture. The picture
    // first takes the slot's pixel format, palette and resolution, keeping its size; where it
    // reaches past the work image it keeps its own colours. An empty slot draws nothing on
    // the work image and leaves the picture's format alone. Nothing changes when the picture
    // cannot be made in the slot's format (the error goes on to the caller).
    void restoreInto(int slot, TImage& workImage, TDibGraphic& picture) const;
    // The picture becomes exactly the slot's picture: size, format, palette, resolution and
    // pixels; it keeps its pen, brush and font. Nothing changes for an empty slot, or when the
    // picture cannot be made (the error goes on to the caller).
    void restoreWhole(int slot, TDibGraphic& picture) const;

private:
    struct Slot {
        std::unique_ptr<gdi::DibSurface> pixels;
        TImageFormat format = ifTrueColor;
        uint16_t xDpi = 0;
        uint16_t yDpi = 0;
    };

    std::vector<Slot> slots_;
};
