#pragma once
// The picture window's press, drag and release on its picture: previews drawn into the
// picture with an inverting pen and drawn again to remove them, the figure painted for good
// at the release.

#include "platform/framework/graphics_types.h"

class FigureHost;

// The window's own fields that the protocol reads and writes.
struct PictureMouseFields {
    bool& Drawing;
    TPoint& PressPoint;
    TPoint& MovePoint;
    TPoint& PointerPoint;
    bool& ButtonReleased;
    int& MoveCount;
    TPoint& SavedScrollPos;
};

// A view position (pixels at the view's zoom, relative to the displayed picture) as a
// picture position: divided by the zoom percent, times 100, truncated toward zero.
TPoint ViewToPicture(int x, int y, float zoomPercent);

class PictureMouse {
public:
    PictureMouse(FigureHost& host, PictureMouseFields fields) : host_(host), f_(fields) {}

    void MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(int x, int y);

private:
    FigureHost& host_;
    PictureMouseFields f_;
    // Whether a preview of the current drag is in the picture.
    bool previewShown_ = false;
};
