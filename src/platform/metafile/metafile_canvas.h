#pragma once
// Records drawing into a TMetafile of the metafile's present size. It records bitmaps drawn
// at a point, each as one bitmap record; closing (destruction) completes the recording and
// replaces the metafile's records.

#include "platform/framework/graphics_types.h"

#include <cstdint>
#include <vector>

class TGraphic;
class TMetafile;

class TMetafileCanvas {
public:
    // The screen is the only reference device there is; referenceDevice is accepted for the
    // framework's signature and may be null.
    TMetafileCanvas(TMetafile& metafile, const void* referenceDevice);
    ~TMetafileCanvas();
    TMetafileCanvas(const TMetafileCanvas&) = delete;
    TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

    // A bitmap graphic at (x, y), at its own size, as the recording's one picture; other
    // graphics raise EInvalidGraphicOperation.
    void Draw(int x, int y, TGraphic* graphic);

private:
    TMetafile& metafile_;
    std::vector<uint8_t> recording_;
};
