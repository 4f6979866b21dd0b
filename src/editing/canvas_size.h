#pragma once
// The picture's width and height sliders. A step re-creates the picture as a 24-bit picture of
// the slider's size through the work image: narrowing cuts columns (or rows) off the right (or
// bottom), widening adds white ones. The slider's range always ends two pixels beyond the
// current size, so one step can grow the picture by at most two pixels.

#include <functional>

class TDibGraphic;
class TImage;
class TSlider;

// What a size step needs of its window.
class CanvasSizeHost {
public:
    virtual ~CanvasSizeHost() = default;
    // The view's picture; null while the window has none.
    virtual TDibGraphic* Picture() = 0;
    // The hidden work image that files are written from.
    virtual TImage* WorkImage() = 0;
    virtual void SetModified() = 0;
    // true also rebuilds the smoothed copy of a black-and-white picture.
    virtual void Redraw(bool reload) = 0;
    // "Размер:%d Х %d" with the work image's height and width.
    virtual void ShowPictureSize() = 0;
    // Runs change with the selection frame taken out of the picture's pixels and puts it back
    // afterwards, so that the work image never receives it.
    virtual void WithoutSelectionFrame(const std::function<void()>& change) { change(); }
};

// A position of 0 would leave a picture without pixels; it gives a picture one pixel wide (or
// high) instead. Nothing happens while the window has no picture.
void ChangePictureWidth(CanvasSizeHost& host, TSlider& slider);
void ChangePictureHeight(CanvasSizeHost& host, TSlider& slider);

// The work image becomes a screen-format bitmap of the picture's size holding its pixels, for
// commands that give the picture another size.
void FitWorkImageToPicture(TImage& workImage, const TDibGraphic& picture);
