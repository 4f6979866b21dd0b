#pragma once
// Exact nearest palette entry for many colours at once: the same answer as a linear search by
// squared RGB distance with ties to the lower index, found through a grid of colour cells, each
// holding only the entries that can be nearest to some colour inside it.

#include <cstdint>
#include <vector>

#include "imaging/dib_graphic.h"

class PaletteIndexFinder {
public:
    // Searches the palette's first palNumEntries entries (at most 256).
    explicit PaletteIndexFinder(const TLogPalette& palette);

    // color is 0x00RRGGBB; the top byte is ignored. An empty palette answers 0.
    int nearestIndex(uint32_t color)
    {
        if (palette_.empty())
            return 0;
        const int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
        const unsigned cell = (unsigned(r >> CellShift) << (2 * GridBits)) | (unsigned(g >> CellShift) << GridBits)
                            | unsigned(b >> CellShift);
        uint32_t info = cells_[cell];
        if (info == NotBuilt)
            info = buildCell(cell);
        const Candidate* candidate = pool_.data() + (info >> 9);
        const Candidate* end = candidate + (info & 0x1FF);
        int best = candidate->index;
        int bestDistance = distance(palette_[best], r, g, b);
        // Candidates come nearest-to-the-cell first; once one cannot even come as near as the
        // best so far, none after it can.
        for (++candidate; candidate != end && candidate->least <= bestDistance; ++candidate) {
            const int d = distance(palette_[candidate->index], r, g, b);
            if (d < bestDistance || (d == bestDistance && candidate->index < best)) {
                bestDistance = d;
                best = candidate->index;
            }
        }
        return best;
    }

private:
    static constexpr int GridBits = 5; // 32 cells per channel, 8 levels each
    static constexpr int CellShift = 8 - GridBits;
    static constexpr uint32_t NotBuilt = 0xFFFFFFFFu;

    struct Entry {
        int red, green, blue;
    };
    struct Candidate {
        int least; // least squared distance from the entry to any colour of the cell
        int index;
    };

    static int distance(const Entry& e, int r, int g, int b)
    {
        return (r - e.red) * (r - e.red) + (g - e.green) * (g - e.green) + (b - e.blue) * (b - e.blue);
    }

    uint32_t buildCell(unsigned cell);

    std::vector<Entry> palette_;
    std::vector<uint32_t> cells_; // (pool offset << 9) | count, or NotBuilt
    std::vector<Candidate> pool_;
};
