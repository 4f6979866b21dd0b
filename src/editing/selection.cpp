#include "editing/selection.h"

#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/clipboard.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

#include <algorithm>

namespace {

TRect shifted(const TRect& r, int dx, int dy)
{
    return TRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Copy, Cut and Delete have nothing to act on when the rectangle holds no pixel, or when the
// copy it asks for could not be held in memory.
bool hasArea(const TRect& r)
{
    return r.right > r.left && r.bottom > r.top &&
           PictureSizePolicy::fits(int64_t{r.right} - r.left, int64_t{r.bottom} - r.top, 32) &&
           PictureSizePolicy::fits(std::max(1, r.right - 1), std::max(1, r.bottom - 1), 32);
}

// Puts the frames back when the read is over, also when it failed.
struct FramesPutBack {
    std::function<void()> putBack;
    ~FramesPutBack() { putBack(); }
};

} // namespace

TCanvas* Selection::canvas()
{
    TDibGraphic* picture = host_.Picture();
    return picture && !picture->GetEmpty() ? picture->Canvas() : nullptr;
}

void Selection::drawFrame(const TRect& rect)
{
    TCanvas* c = canvas();
    if (!c)
        return;
    c->DrawFocusRect(rect);
    const auto drawn = std::find(drawnFrames_.begin(), drawnFrames_.end(), rect);
    if (drawn != drawnFrames_.end())
        drawnFrames_.erase(drawn);
    else
        drawnFrames_.push_back(rect);
}

void Selection::eraseDrawnFrames()
{
    if (!canvas()) {
        drawnFrames_.clear();
        return;
    }
    while (!drawnFrames_.empty())
        drawFrame(drawnFrames_.back());
}

void Selection::EraseFrame()
{
    eraseDrawnFrames();
    f_.SelectionFrameShown = false;
}

void Selection::Forget()
{
    EraseFrame();
    f_.SelectionRect = TRect{0, 0, 0, 0};
    f_.NewSelectionPending = true;
    grabRect_ = originRect_ = targetRect_ = TRect{0, 0, 0, 0};
}

void Selection::WithoutFrame(const std::function<void()>& read)
{
    const std::vector<TRect> frames = drawnFrames_;
    eraseDrawnFrames();
    FramesPutBack guard{[this, &frames] {
        for (const TRect& frame : frames)
            drawFrame(frame);
    }};
    read();
}

void Selection::PixelsRestored(const std::vector<TRect>& framesInSnapshot)
{
    drawnFrames_.clear();
    for (const TRect& frame : framesInSnapshot)
        drawFrame(frame);
}

void Selection::backUpPicture()
{
    TDibGraphic* picture = host_.Picture();
    TBitmap& backup = f_.SelectionBackup;
    WithoutFrame([&] {
        backup.SetPixelFormat(pfDevice);
        backup.SetSize(picture->GetWidth(), picture->GetHeight());
        backup.Canvas()->Draw(0, 0, picture);
    });
}

// The press is tested against the left and top edges, the pointer against the right and
// bottom ones.
bool Selection::isMove() const
{
    const TPoint p = f_.PressPoint;
    const TPoint m = f_.PointerPoint;
    return grabRect_.left < p.x && grabRect_.top < p.y && m.x < grabRect_.right && m.y < grabRect_.bottom;
}

void Selection::moveStep()
{
    TCanvas& c = *canvas();
    const int dx = (f_.PointerPoint.x - f_.PressPoint.x) / 7;
    const int dy = (f_.PointerPoint.y - f_.PressPoint.y) / 7;
    targetRect_ = shifted(f_.SelectionRect, dx, dy);
    c.CopyRect(targetRect_, &c, f_.SelectionRect);
    if (f_.ButtonReleased) {
        // Back to the picture as it was when the selection was made, with the area placed once.
        c.Draw(0, 0, &f_.SelectionBackup);
        drawnFrames_.clear();
        host_.Redraw();
        c.CopyRect(targetRect_, &c, originRect_);
        grabRect_ = targetRect_;
    }
    f_.SelectionRect = targetRect_;
    drawFrame(targetRect_);
}

void Selection::newSelectionStep()
{
    if (f_.ButtonReleased) {
        backUpPicture();
        grabRect_ = f_.SelectionRect;
        originRect_ = grabRect_;
    }
    f_.SelectionRect = TRect{f_.PressPoint.x, f_.PressPoint.y, f_.PointerPoint.x, f_.PointerPoint.y};
    drawFrame(f_.SelectionRect);
}

void Selection::SelectionStep()
{
    if (!canvas())
        return;
    if (!isMove())
        newSelectionStep();
    else if (!f_.NewSelectionPending)
        moveStep();
    f_.SelectionFrameShown = true;
    f_.NewSelectionPending = false;
    host_.SetModified();
}

void Selection::PasteStep()
{
    if (TCanvas* c = canvas()) {
        // Read anew at every step: another program may have put something else there.
        try {
            const HBITMAP data = Clipboard()->GetAsBitmap();
            if (data && data->surface) {
                const gdi::DibSurface* target = host_.Picture()->DibSection();
                gdi::DibSurface& pixels = pasteSource_.For(data, target ? target->bitsPerPixel() : 0);
                gdi::DeviceContext from(pixels);
                TCanvas source;
                source.SetHandle(&from);
                const TRect whole = Rect(0, 0, pixels.width(), pixels.height());
                const TRect placed = shifted(whole, f_.PressPoint.x, f_.PressPoint.y);
                const TCopyMode mode = c->CopyMode();
                c->SetCopyMode(cmSrcCopy);
                c->CopyRect(placed, &source, whole);
                c->SetCopyMode(mode);
                source.SetHandle(nullptr);
            } else {
                pasteSource_.Release();
            }
        } catch (...) {
            // A clipboard picture that cannot be read or drawn pastes nothing, silently.
        }
    }
    host_.SetModified();
}

void Selection::Copy1Click()
{
    TDibGraphic* picture = host_.Picture();
    const TRect r = f_.SelectionRect;
    if (!canvas() || !hasArea(r))
        return;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    // The whole picture, cropped at the selection's right and bottom, then the selection
    // stretched by one pixel onto it from (-1, -1): the frame's left and top lines fall outside.
    TBitmap copy;
    copy.SetPixelFormat(pfDevice);
    copy.SetSize(picture->GetWidth(), picture->GetHeight());
    copy.Canvas()->Draw(0, 0, picture);
    copy.SetWidth(r.right - 1);
    copy.SetHeight(r.bottom - 1);
    if (!copy.Empty()) {
        TCanvas* c = copy.Canvas();
        c->SetCopyMode(cmSrcCopy);
        c->CopyRect(TRect{-1, -1, w, h}, c, r);
    }
    copy.SetWidth(w);
    copy.SetHeight(h);
    Clipboard()->Assign(&copy);
}

void Selection::Cut1Click()
{
    const TRect r = f_.SelectionRect;
    if (!canvas() || !hasArea(r))
        return;
    Copy1Click();
    TCanvas& c = *canvas();
    // The inside turns white; the frame's own lines stay.
    const TRect inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    c.SetCopyMode(cmWhiteness);
    c.CopyRect(inside, &c, inside);
    c.SetCopyMode(cmSrcCopy);
    host_.Redraw();
}

void Selection::DeleteClick()
{
    const TRect r = f_.SelectionRect;
    if (!canvas() || !hasArea(r))
        return;
    TCanvas& c = *canvas();
    const TCopyMode remembered = c.CopyMode();
    c.SetCopyMode(cmWhiteness);
    c.CopyRect(r, &c, r);
    // The whitening took the selection's frame out of the pixels; the frame shows again on it.
    drawnFrames_.erase(std::remove(drawnFrames_.begin(), drawnFrames_.end(), r), drawnFrames_.end());
    drawFrame(r);
    backUpPicture();
    c.SetCopyMode(remembered);
    host_.Redraw();
}

void Selection::SelectAllClick()
{
    TDibGraphic* picture = host_.Picture();
    if (!canvas())
        return;
    const TRect whole = Rect(0, 0, picture->GetWidth(), picture->GetHeight());
    if (f_.SelectAllArmed) {
        if (f_.SelectionFrameShown)
            eraseDrawnFrames();
        backUpPicture();
        f_.SelectionFrameShown = true;
        drawFrame(whole);
        f_.SelectionRect = whole;
        originRect_ = whole;
        host_.ChooseSelectTool();
        f_.SelectAllArmed = false;
    } else {
        f_.SelectAllArmed = true;
        if (f_.SelectionFrameShown)
            eraseDrawnFrames();
        // Lies outside the picture: the next erase draws nothing.
        f_.SelectionRect = Rect(0, 0, -9, -9);
    }
    // The frame lives in the picture's pixels; the view shows them only when told.
    host_.Redraw();
}
