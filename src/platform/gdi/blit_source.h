#pragma once
// The pixel rows a blit reads from: a surface, or a DIB handed in by pointer and header.

#include "platform/gdi/dib_surface.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace gdi::detail {

// StretchBlt and the DIB calls pick their source pixels differently on the platform.
enum class Sampling { StretchBlt, Dib };

// Row y (top = 0) starts at top + y * step.
struct BlitSource {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    const uint8_t* top = nullptr;
    ptrdiff_t step = 0;
    std::span<const RgbQuad> table;
    const DibSurface* surface = nullptr; // set when the rows belong to a surface
    Sampling sampling = Sampling::StretchBlt;

    const uint8_t* row(int y) const { return top + step * y; }
};

inline BlitSource sourceOf(const DibSurface& s)
{
    BlitSource b;
    b.width = s.width();
    b.height = s.height();
    b.bitsPerPixel = s.bitsPerPixel();
    b.top = s.scanLine(0);
    b.step = -static_cast<ptrdiff_t>(s.rowBytes());
    b.table = s.colorTable();
    b.surface = &s;
    return b;
}

} // namespace gdi::detail
