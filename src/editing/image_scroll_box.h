#pragma once
// The picture view in the middle of every picture window: it owns the window's picture, shows
// it zoomed inside a scrolling area, fits the zoom to the window when asked, centres it, can
// show black-and-white pictures smoothed, and passes mouse events over the picture first to an
// exchangeable mouse handler and then to the window.
//
// Only the part of the zoomed picture that is on screen is ever rendered: a 4000 x 3000 picture
// at 1600 % is 64000 x 48000 pixels, which no one could afford to build. Sizes, scroll ranges,
// positions, centring and mouse coordinates are still those of the whole zoomed copy.

#include <QAbstractScrollArea>
#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

#include "editing/mouse_handler.h"
#include "editing/zoom_renderer.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/graphics_types.h"

class TAntiAliasTransform;

enum TZoomMode : uint8_t {
    zmOriginalSize = 0,
    zmFullPage = 1,
    zmFitWidth = 2,
    zmFitHeight = 3,
    zmPercent = 4,
    zmFitToPage = 5,
};

enum TMouseMode : uint8_t { mmDrag = 0, mmQuickSelect = 1, mmSelect = 2, mmUser = 3 };

class TImageScrollBox;

// The child control that shows the displayed copy at its own size.
class TImageControl : public QWidget {
public:
    explicit TImageControl(TImageScrollBox* view, QWidget* parent);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    // Called at the end of every paint of the displayed copy, with the painter still open. The
    // owner token lets a handler that is replaced clear only its own hook.
    void SetDrawHook(const void* owner, std::function<void(QPainter&)> hook);
    void ClearDrawHook(const void* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The pixel of the displayed copy that the screen shows under a pointer at local.
    QPoint pixelAt(QPointF local) const;

    TImageScrollBox* view_;
    TCursor cursor_ = crDefault;
    const void* drawHookOwner_ = nullptr;
    std::function<void(QPainter&)> drawHook_;
};

class TImageScrollBox : public QAbstractScrollArea {
public:
    using TMouseEvent = std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;

    explicit TImageScrollBox(QWidget* parent = nullptr);
    ~TImageScrollBox() override;

    // The document picture.
    TDibGraphic* GetGraphic() { return &picture_; }
    // The displayed copy as far as it is on screen: a true-colour picture of the visible part
    // of the zoomed picture, whose top-left pixel is DisplayedOrigin() of the whole zoomed copy
    // (DisplayedSize()). Empty while the picture is. Rebuilt on request from what is shown.
    const TDibGraphic* GetDisplayedGraphic();
    QPoint DisplayedOrigin();
    QSize DisplayedSize() const { return QSize(displayedWidth_, displayedHeight_); }
    // One pixel of the whole displayed copy, 0x00RRGGBB, wherever it lies.
    uint32_t DisplayedPixel(int x, int y) const;

    // The picture takes a copy of graphic, then Redraw(true). Any graphic the picture can be
    // assigned from will do (a framework bitmap, say).
    void SetGraphic(const TDibGraphic* graphic);
    void SetGraphic(TPersistent* graphic);
    // Rebuilds what is shown; true also rebuilds the smoothed copy of a black-and-white picture
    // (at once while smoothing is on, otherwise when it is switched on).
    virtual void Redraw(bool reloadGraphic);
    void RecalcZoom();
    void CenterImage(int width, int height);

    TZoomMode ZoomMode() const { return zoomMode_; }
    void SetZoomMode(TZoomMode mode);
    float ZoomPercent() const { return zoomPercent_; }
    void SetZoomPercent(double percent);
    bool Centered() const { return centered_; }
    void SetCentered(bool value);
    bool AntiAliased() const { return antiAliased_; }
    void SetAntiAliased(bool value);
    TMouseMode MouseMode() const { return mouseMode_; }
    // mmSelect installs a rubber band; the other modes have no handler of their own.
    void SetMouseMode(TMouseMode mode);
    TMouseHandler* MouseHandler() const { return mouseHandler_.get(); }
    void SetMouseHandler(std::unique_ptr<TMouseHandler> handler);

    TImageControl* ImageControl() const { return image_; }
    // Scroll positions, read and restored by the window while drawing.
    int HorzScrollPosition() const;
    int VertScrollPosition() const;
    void SetHorzScrollPosition(int position);
    void SetVertScrollPosition(int position);
    bool HorzScrollBarVisible() const { return horzVisible_; }
    bool VertScrollBarVisible() const { return vertVisible_; }
    // The client area: the control less the scroll bars shown.
    int ClientWidth() const;
    int ClientHeight() const;

    TMouseEvent OnImageMouseDown;
    TMouseMoveEvent OnImageMouseMove;
    TMouseEvent OnImageMouseUp;
    std::function<void(TImageScrollBox* sender, float zoom)> OnZoomChange;
    std::function<void(TDibGraphic* graphic)> OnRedraw;
    std::function<void(const TRect& rect)> OnRubberbandChange;

    // Renders the visible window into the screen cache now as of the last redraw: all of it,
    // or only the rows changed since, when the cache already holds that window (painting does
    // this when needed).
    void RenderVisible();

    // While held, the view neither reads the picture nor lays itself out: paints show what was
    // rendered before, so a command may write rows on other threads while the window repaints.
    // Releasing repaints; the command's own redraw follows.
    void HoldPicture(bool held);
    bool PictureHeld() const { return held_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TImageControl;

    void buildDisplayed();
    const TDibGraphic& displaySource() const;
    void setScrollBarsVisible(bool horizontal, bool vertical);
    void placeImage();
    QRect visibleWindow() const;
    void renderChangedRows();
    void paintImage(QPainter& painter, const QRect& rect);
    void paintHeld(QPainter& painter, const QRect& rect);
    void forwardMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void forwardMouseMove(TShiftState shift, int x, int y);
    void forwardMouseUp(TMouseButton button, TShiftState shift, int x, int y);

    TDibGraphic picture_;
    TDibGraphic antiAliasedCopy_;
    // The picture was reloaded as black and white, and the smoothed copy not yet made from it.
    bool antiAliasedStale_ = false;
    std::unique_ptr<TAntiAliasTransform> antiAliasTransform_;
    TImageControl* image_;
    std::unique_ptr<TMouseHandler> mouseHandler_;

    TZoomMode zoomMode_ = zmOriginalSize;
    float zoomPercent_ = 100.0f;
    bool antiAliased_ = false;
    bool centered_ = false;
    TMouseMode mouseMode_ = mmDrag;
    bool redrawing_ = false;
    bool held_ = false;

    // The whole displayed copy: its size and its place in the client area before scrolling.
    int displayedWidth_ = 0;
    int displayedHeight_ = 0;
    int imageLeft_ = 0;
    int imageTop_ = 0;
    bool horzVisible_ = false;
    bool vertVisible_ = false;

    // What is on screen: the rendered visible window and, on request, a picture of it. The
    // key says what it was rendered from: the source, its change count and the zoomed size.
    struct ScreenKey {
        const TDibGraphic* source = nullptr;
        uint64_t changes = 0;
        int width = 0;
        int height = 0;
    };
    ScreenKey screenKey_;
    // Source rows changed since the screen was rendered, as redraws found them.
    gdi::RowRange changedRows_;
    ZoomRenderer renderer_;
    QImage screen_;
    QRect screenWindow_;
    bool screenValid_ = false;
    TDibGraphic displayed_;
    bool displayedValid_ = false;
};
