#pragma once
// A dotted selection band drawn over the picture view while it is not centred. Its corners
// are in displayed-copy coordinates; (X2, Y2) is the end that moves. No command reads it.

#include "editing/mouse_handler.h"
#include "platform/framework/graphics_types.h"

class QPainter;

enum TBandMovement : uint8_t { bmAllDirections = 0, bmTopBottom = 1, bmLeftRight = 2 };
enum TGrabHandle : uint8_t {
    ghTopLeft = 0,
    ghTop = 1,
    ghTopRight = 2,
    ghRight = 3,
    ghBottomRight = 4,
    ghBottom = 5,
    ghBottomLeft = 6,
    ghLeft = 7,
};

// Raise "Invalid GrabHandle, ..." for a value outside 0..7.
TBandMovement GrabHandleToBandMovement(int handle);
TCursor GrabHandleToCursor(int handle);

class TRubberbandMouseHandler : public TMouseHandler {
public:
    explicit TRubberbandMouseHandler(TImageScrollBox* view);
    ~TRubberbandMouseHandler() override;

    void BeforeResize() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

    void DrawBand();
    void RemoveBand();
    // Tests a client point against the band's edges and corners; stores the handle found.
    bool PointOnGrabHandle(int x, int y);
    // Pen styles psSolid..psDashDotDot; above that raises "Invalid Rubberband style".
    void SetLineStyle(int style);

    bool BandVisible() const { return bandVisible_; }
    TGrabHandle GrabHandle() const { return grabHandle_; }
    TBandMovement BandMovement() const { return bandMovement_; }
    TColor PenColor() const { return penColor_; }
    TColor BrushColor() const { return brushColor_; }
    TPenStyle LineStyle() const { return lineStyle_; }

    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;

private:
    void Changed(int left, int top, int right, int bottom);
    // Draws the band over the displayed copy whenever that has been painted.
    void paintBand(QPainter& painter);

    TColor penColor_ = clNavy;
    TColor brushColor_ = clWhite;
    TPenStyle lineStyle_ = psDot;
    bool bandVisible_ = false;
    TBandMovement bandMovement_ = bmAllDirections;
    TGrabHandle grabHandle_ = ghBottomRight;
};
