#include "editing/snapshot_store.h"

#include "platform/gdi/dib_surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// Which store took a surface's history note last. Two stores keeping the same picture each
// see only the writes since their own last take, so a store that was not the last to take it
// has missed some and copies the picture whole.
std::unordered_map<const gdi::DibSurface*, uint64_t>& noteTakers()
{
    static std::unordered_map<const gdi::DibSurface*, uint64_t> takers;
    return takers;
}

// The store whose cache holds a restored picture: one for the whole program, so that many big
// windows do not each keep one more copy of their picture.
const SnapshotStore* cacheHolder = nullptr;

uint64_t nextStoreId()
{
    static std::atomic<uint64_t> next{1};
    return next++;
}

} // namespace

SnapshotStore::SnapshotStore(int slotCount) : slots_(static_cast<size_t>(slotCount)), id_(nextStoreId()) {}

SnapshotStore::~SnapshotStore()
{
    if (cacheHolder == this)
        cacheHolder = nullptr;
    std::erase_if(noteTakers(), [this](const auto& taker) { return taker.second == id_; });
}

SnapshotStore::Shape SnapshotStore::shapeOf(const gdi::DibSurface& surface)
{
    return {surface.width(), surface.height(), surface.bitsPerPixel(), surface.colorTable()};
}

size_t SnapshotStore::bandOffset(const Shape& shape, size_t band)
{
    return band * BandRows * static_cast<size_t>(gdi::DibSurface::rowBytesFor(shape.width, shape.bits));
}

size_t SnapshotStore::bandBytes(const Shape& shape, size_t band)
{
    const size_t rows = std::min<size_t>(BandRows, static_cast<size_t>(shape.height) - band * BandRows);
    return rows * static_cast<size_t>(gdi::DibSurface::rowBytesFor(shape.width, shape.bits));
}

gdi::RowRange SnapshotStore::unseenRows(const gdi::DibSurface& surface)
{
    gdi::RowRange rows = surface.takeWrittenRows(gdi::RowWatcher::History);
    uint64_t& taker = noteTakers()[&surface];
    if (taker != id_ || reference_.surface != &surface || reference_.shape != shapeOf(surface))
        rows = gdi::RowRange::all();
    taker = id_;
    return rows;
}

void SnapshotStore::store(int slot, const TDibGraphic& picture)
{
    Slot& target = slots_.at(static_cast<size_t>(slot));
    const gdi::DibSurface* source = picture.DibSection();
    if (!source) {
        target = Slot{};
        return;
    }
    const gdi::RowRange written = unseenRows(*source);
    Shape shape = shapeOf(*source);
    const size_t count = (static_cast<size_t>(shape.height) + BandRows - 1) / BandRows;
    // Buffer rows run bottom-up: written rows first..last (from the top) are buffer rows
    // height-1-last..height-1-first.
    const int height = shape.height;
    const size_t firstBand =
        written.empty() ? count : static_cast<size_t>(std::max(0, height - 1 - std::min(written.last, height - 1))) / BandRows;
    const size_t lastBand =
        written.empty() ? 0 : static_cast<size_t>(std::max(0, height - 1 - std::max(written.first, 0))) / BandRows;
    // Bands of the same length can be kept as differences from the bands the picture had,
    // whether or not they are shared.
    const bool sameLayout = reference_.bands.size() == count && reference_.shape.width == shape.width &&
                            reference_.shape.height == shape.height && reference_.shape.bits == shape.bits;
    history::HistoryMemory::instance().notePictureBytes(source->imageBytes());
    Bands bands(count);
    // Read through the constant surface, so that the copy does not count as a change.
    const uint8_t* bits = std::as_const(*source).bits();
    for (size_t i = 0; i < count; ++i) {
        if ((i < firstBand || i > lastBand) && sameLayout)
            bands[i] = reference_.bands[i];
        else
            bands[i] = history::Band::make(bits + bandOffset(shape, i), bandBytes(shape, i),
                                           sameLayout ? reference_.bands[i] : nullptr);
    }
    reference_ = {source, shape, bands};
    target.shape = std::move(shape);
    target.bands = std::move(bands);
    target.format = picture.ImageFormat();
    target.xDpi = picture.XDpi();
    target.yDpi = picture.YDpi();
}

void SnapshotStore::forgetWrites(const gdi::DibSurface& surface)
{
    (void)surface.takeWrittenRows(gdi::RowWatcher::History);
    noteTakers()[&surface] = id_;
}

void SnapshotStore::referTo(const gdi::DibSurface* surface, const Slot* slot)
{
    if (!surface || !slot || slot->bands.empty()) {
        reference_ = Reference{};
        return;
    }
    // The restore's own writes are the slot's pixels: not a change.
    forgetWrites(*surface);
    reference_ = {surface, slot->shape, slot->bands};
}

gdi::DibSurface* SnapshotStore::materialise(const Slot& slot, const std::vector<bool>* wanted) const
{
    if (slot.bands.empty())
        return nullptr;
    if (cacheHolder != this) {
        if (cacheHolder) {
            cacheHolder->made_.reset();
            cacheHolder->madeBands_.clear();
        }
        cacheHolder = this;
    }
    const Shape& shape = slot.shape;
    if (!made_ || made_->width() != shape.width || made_->height() != shape.height ||
        made_->bitsPerPixel() != shape.bits) {
        made_.reset();
        madeBands_.clear();
        made_ = std::make_unique<gdi::DibSurface>(shape.width, shape.height, shape.bits, shape.colorTable);
    } else if (made_->colorTable() != shape.colorTable) {
        made_->setColorTable(shape.colorTable);
    }
    madeBands_.resize(slot.bands.size());
    uint8_t* bits = nullptr;
    for (size_t i = 0; i < slot.bands.size(); ++i) {
        if (madeBands_[i] == slot.bands[i] || (wanted && !(*wanted)[i]))
            continue;
        if (!bits)
            bits = made_->bits();
        // A band that cannot be read leaves the cache unknown there.
        const std::shared_ptr<const history::Band> known = std::move(madeBands_[i]);
        madeBands_[i].reset();
        if (known)
            slot.bands[i]->readOver(bits + bandOffset(shape, i), *known);
        else
            slot.bands[i]->read(bits + bandOffset(shape, i));
        madeBands_[i] = slot.bands[i];
    }
    return made_.get();
}

std::vector<bool> SnapshotStore::differing(const gdi::DibSurface& surface, const Reference& known,
                                           const Shape& shape, const Bands& bands)
{
    const size_t count = bands.size();
    gdi::RowRange written = surface.takeWrittenRows(gdi::RowWatcher::History);
    const bool mine = std::exchange(noteTakers()[&surface], id_) == id_;
    if (!mine || known.surface != &surface || known.shape != shape || known.bands.size() != count)
        return std::vector<bool>(count, true);
    std::vector<bool> differ(count, false);
    for (size_t i = 0; i < count; ++i)
        differ[i] = known.bands[i] != bands[i];
    if (!written.empty()) {
        const int height = shape.height;
        const size_t first = static_cast<size_t>(std::max(0, height - 1 - std::min(written.last, height - 1))) / BandRows;
        const size_t last = static_cast<size_t>(std::max(0, height - 1 - std::max(written.first, 0))) / BandRows;
        for (size_t i = first; i <= last && i < count; ++i)
            differ[i] = true;
    }
    return differ;
}

const gdi::DibSurface* SnapshotStore::snapshot(int slot) const
{
    return materialise(slots_.at(static_cast<size_t>(slot)));
}

TImageFormat SnapshotStore::format(int slot) const
{
    return slots_.at(static_cast<size_t>(slot)).format;
}

size_t SnapshotStore::bytes() const
{
    std::vector<const history::Band*> seen;
    for (const Slot& slot : slots_)
        for (const auto& band : slot.bands)
            seen.push_back(band.get());
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    size_t total = 0;
    for (const history::Band* band : seen)
        total += band->bytes();
    return total;
}
