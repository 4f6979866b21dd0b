#pragma once
// The clipboard's picture ready to be drawn on the picture being pasted on. The clipboard keeps
// its picture in the screen's format; pasting that on a true-colour picture converts every pixel,
// and paste mode pastes at every mouse move. So the converted copy is kept for as long as the
// clipboard hands out the same picture.

#include "platform/framework/handles.h"

#include <memory>

namespace gdi {
class DibSurface;
}

class PasteSource {
public:
    // The pixels to draw for the clipboard's picture data on a surface of targetBits bits per
    // pixel: data's own surface, or a copy in the target's depth where that gives the same
    // pixels as drawing data itself.
    gdi::DibSurface& For(const HBITMAP& data, int targetBits);
    // Lets go of the copy and of the clipboard picture it was made from.
    void Release();

private:
    HBITMAP from_;
    int bits_ = 0;
    std::unique_ptr<gdi::DibSurface> converted_;
};
