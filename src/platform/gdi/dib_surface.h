#pragma once
// The pixel memory of a device-independent bitmap: rows bottom-up, each padded to four bytes,
// 1, 4, 8, 24 or 32 bits per pixel, with a colour table for the palettised depths.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gdi/pixel_memory.h"
#include "platform/gdi/row_change_note.h"

namespace gdi {

// Who keeps something made from a surface's pixels and asks which rows changed since: each
// has its own note, so that taking one never hides a change from another.
enum class RowWatcher { View, History, Journal, Count };

// A colour-table entry as stored in a DIB: blue, green, red, reserved.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;

    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

class DibSurface {
public:
    // Bytes per row for a width and depth: ((width * bits + 31) / 32) * 4.
    static int64_t rowBytesFor(int64_t width, int bitsPerPixel);

    // A surface with every bit zero. Throws std::invalid_argument for a bad size or depth and
    // std::bad_alloc when the memory cannot be had.
    DibSurface(int width, int height, int bitsPerPixel, std::span<const RgbQuad> colorTable = {});

    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    // Gives the surface a new size of the same depth and colour table, reusing its memory:
    // a step of a few pixels costs no fresh pages. The pixels are undefined afterwards, for the
    // caller to write. Throws like the constructor; the surface is unchanged then.
    void reshape(int width, int height);
    // The same, keeping the pixels at the top left in place; only the area the old size did not
    // cover is undefined. Rows move inside the buffer, so a big surface is never held twice.
    void resizeKeepingTopLeft(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int rowBytes() const { return rowBytes_; }
    size_t imageBytes() const { return static_cast<size_t>(rowBytes_) * static_cast<size_t>(height_); }
    bool isPalettised() const { return bitsPerPixel_ <= 8; }

    // First byte of the buffer: the bottom row. The writable accessors note a possible write.
    uint8_t* bits()
    {
        written_.noteAll();
        return memory_.data();
    }
    const uint8_t* bits() const { return memory_.data(); }

    // Row y counted from the top (y = 0 is the top row, stored last).
    uint8_t* scanLine(int y)
    {
        written_.note(y);
        return memory_.data() + static_cast<size_t>(height_ - 1 - y) * rowBytes_;
    }
    const uint8_t* scanLine(int y) const { return memory_.data() + static_cast<size_t>(height_ - 1 - y) * rowBytes_; }

    // The rows whose pixels may have changed since this watcher last asked (all of them after a
    // change of the colour table or size, and for a new surface): any writable access counts,
    // whoever made it (a device context drawing, a blit, a codec). Lets the watcher keep what
    // it made of the surface until then.
    RowRange takeWrittenRows(RowWatcher watcher = RowWatcher::View) const { return written_.take(watcher); }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // The stored value of a pixel: an index on palettised depths, 0x00RRGGBB at 24 and 32 bits.
    // The caller keeps (x, y) inside the surface.
    uint32_t rawPixel(int x, int y) const;
    void setRawPixel(int x, int y, uint32_t value);

    const std::vector<RgbQuad>& colorTable() const { return colorTable_; }
    void setColorTable(std::span<const RgbQuad> table);

private:
    // Checked byte counts for a size of this depth; throws like the constructor.
    int checkedRowBytes(int width, int height) const;

    int width_;
    int height_;
    int bitsPerPixel_;
    int rowBytes_;
    PixelMemory memory_;
    std::vector<RgbQuad> colorTable_;
    // One note per watcher, all written together.
    class WatchedRows {
    public:
        void note(int row) { noteRows(row, row); }
        void noteRows(int first, int last)
        {
            for (RowChangeNote& n : notes_)
                n.noteRows(first, last);
        }
        void noteAll() { noteRows(0, INT_MAX); }
        RowRange take(RowWatcher watcher) { return notes_[static_cast<size_t>(watcher)].take(); }

    private:
        RowChangeNote notes_[static_cast<size_t>(RowWatcher::Count)];
    };
    mutable WatchedRows written_;
};

} // namespace gdi
