#include "imaging/transforms/palette_index_finder.h"

#include <algorithm>
#include <limits>

PaletteIndexFinder::PaletteIndexFinder(const TLogPalette& palette)
{
    const size_t count = std::min<size_t>(palette.palNumEntries, 256);
    palette_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        palette_.push_back({e.peRed, e.peGreen, e.peBlue});
    }
    if (!palette_.empty())
        cells_.assign(size_t{1} << (3 * GridBits), NotBuilt);
}

// An entry can be nearest to some colour of the cell only if its least distance to the cell is
// no more than the smallest greatest distance of any entry; every other entry is strictly
// farther than that entry for every colour of the cell. Candidates are sorted by that least
// distance (index order among equals); the scan settles ties by index itself.
uint32_t PaletteIndexFinder::buildCell(unsigned cell)
{
    constexpr int mask = (1 << GridBits) - 1;
    constexpr int span = (1 << CellShift) - 1;
    const int lo[3] = {int((cell >> (2 * GridBits)) & mask) << CellShift, int((cell >> GridBits) & mask) << CellShift,
                       int(cell & mask) << CellShift};
    auto axis = [&](int axisIndex, int value, int& least, int& most) {
        const int a = lo[axisIndex], b = lo[axisIndex] + span;
        const int below = value < a ? a - value : (value > b ? value - b : 0);
        const int far = std::max(value - a, b - value);
        least += below * below;
        most += far * far;
    };
    thread_local std::vector<int> leastDistance;
    leastDistance.resize(palette_.size());
    int threshold = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette_.size(); ++i) {
        int least = 0, most = 0;
        axis(0, palette_[i].red, least, most);
        axis(1, palette_[i].green, least, most);
        axis(2, palette_[i].blue, least, most);
        leastDistance[i] = least;
        threshold = std::min(threshold, most);
    }
    const size_t offset = pool_.size();
    for (size_t i = 0; i < palette_.size(); ++i)
        if (leastDistance[i] <= threshold)
            pool_.push_back({leastDistance[i], static_cast<int>(i)});
    std::stable_sort(pool_.begin() + static_cast<ptrdiff_t>(offset), pool_.end(),
                     [](const Candidate& a, const Candidate& b) { return a.least < b.least; });
    const uint32_t info = (static_cast<uint32_t>(offset) << 9) | static_cast<uint32_t>(pool_.size() - offset);
    cells_[cell] = info;
    return info;
}
