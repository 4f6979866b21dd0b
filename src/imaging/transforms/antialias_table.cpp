#include "imaging/transforms/antialias_table.h"

#include <cmath>

static std::array<TAntiAliasEntry, 256> buildAntiAliasTable()
{
    std::array<TAntiAliasEntry, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        int p[4], q[4], g[4];
        for (int k = 0; k < 4; ++k) {
            p[k] = (byte >> (7 - k)) & 1;
            q[k] = (byte >> (3 - k)) & 1;
        }
        // Halves go to the even neighbour: two white pixels of four give 8, one of two gives 8.
        for (int k = 0; k < 3; ++k)
            g[k] = static_cast<int>(std::nearbyint(3.75 * (p[k] + p[k + 1] + q[k] + q[k + 1])));
        // The fourth pixel of a group never looks into the next group.
        g[3] = static_cast<int>(std::nearbyint(7.5 * (p[3] + q[3])));
        table[byte].first = static_cast<uint8_t>(g[0] << 4 | g[1]);
        table[byte].second = static_cast<uint8_t>(g[2] << 4 | g[3]);
    }
    return table;
}

const std::array<TAntiAliasEntry, 256>& antiAliasTable()
{
    static const std::array<TAntiAliasEntry, 256> table = buildAntiAliasTable();
    return table;
}
