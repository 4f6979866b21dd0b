#pragma once
// The undo slots of one picture window: the picture in its own pixel format, with its palette
// and resolution, so that undo brings back the picture as it was. A slot is a list of bands of
// whole rows; a band the picture did not write since the last snapshot is shared with it, so a
// stroke costs the bands it touched. The bands are compressed and, past the program's history
// budget, spilled to disk in the background (history_band.h).

#include "editing/history_band.h"
#include "imaging/dib_graphic.h"
#include "platform/gdi/dib_surface.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {
class DibSurface;
}
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
    bool holds(int slot) const { return !slots_.at(static_cast<size_t>(slot)).bands.empty(); }
    // The slot's picture, made up from its bands; null while the slot is empty. Stays valid
    // until the next call on the store.
    const gdi::DibSurface* snapshot(int slot) const;
    // The pixel format the slot's picture had; meaningful while the slot holds one.
    TImageFormat format(int slot) const;
    // Pixel bytes the slots stand for, each band counted once (however it is kept now).
    size_t bytes() const;
    // Rows of one band.
    static constexpr int BandRows = 64;

    // Leaves a 32-bit bitmap in the work image, of its own size and pixels.
    static void prepareWorkImage(TImage& workImage);
    // Draws the slot on the work image with its top-left at (0, 0), clipped to the work image,
    // then the whole work image on the picture at (0, 0), clipped to the picture. The picture
    // first takes the slot's pixel format, palette and resolution, keeping its size; where it
    // reaches past the work image it keeps its own colours. An empty slot draws nothing on
    // the work image and leaves the picture's format alone. Nothing changes when the picture
    // cannot be made in the slot's format (the error goes on to the caller).
    void restoreInto(int slot, TImage& workImage, TDibGraphic& picture);
    // The picture becomes exactly the slot's picture: size, format, palette, resolution and
    // pixels; it keeps its pen, brush and font. Nothing changes for an empty slot, or when the
    // picture cannot be made (the error goes on to the caller).
    void restoreWhole(int slot, TDibGraphic& picture);

private:
    using Bands = std::vector<std::shared_ptr<const history::Band>>;
    struct Shape {
        int width = 0;
        int height = 0;
        int bits = 0;
        std::vector<gdi::RgbQuad> colorTable;
        friend bool operator==(const Shape&, const Shape&) = default;
    };
    struct Slot {
        Shape shape;
        Bands bands;
        TImageFormat format = ifTrueColor;
        uint16_t xDpi = 0;
        uint16_t yDpi = 0;
    };
    // The bands a surface is known to equal, apart from the rows it noted as written since.
    struct Reference {
        const gdi::DibSurface* surface = nullptr;
        Shape shape;
        Bands bands;
    };

    static Shape shapeOf(const gdi::DibSurface& surface);
    // Bytes of band i of a shape, from the bottom row up as the buffer holds them.
    static size_t bandOffset(const Shape& shape, size_t band);
    static size_t bandBytes(const Shape& shape, size_t band);
    // The rows the history has not seen written; all rows when the surface is not the
    // reference's or another store took its note since.
    gdi::RowRange unseenRows(const gdi::DibSurface& surface);
    // Takes the surface's note for this store, dropping what it says.
    void forgetWrites(const gdi::DibSurface& surface);
    // After a restore: the picture equals the slot, or nothing is known about it.
    void referTo(const gdi::DibSurface* surface, const Slot* slot);
    // Makes the slot's picture up in the cache surface, reading only the bands it lacks (of
    // those wanted, when a list is given).
    gdi::DibSurface* materialise(const Slot& slot, const std::vector<bool>* wanted = nullptr) const;
    // The bands of a shape in which a surface may differ from the bands it was known to equal.
    std::vector<bool> differing(const gdi::DibSurface& surface, const Reference& known, const Shape& shape,
                                const Bands& bands);
    // Undo and redo between pictures of one shape: only the bands that differ from what the
    // picture and the work image hold are drawn. False when the shapes call for the full way.
    bool restoreBands(const Slot& shot, TImage& workImage, TDibGraphic& picture, const Reference& before);

    std::vector<Slot> slots_;
    Reference reference_;
    // The same for the work image, which holds the slot last restored in its own format.
    Reference workReference_;
    const uint64_t id_;
    mutable std::unique_ptr<gdi::DibSurface> made_;
    mutable Bands madeBands_;
};
