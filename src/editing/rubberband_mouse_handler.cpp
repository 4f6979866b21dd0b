#include "editing/rubberband_mouse_handler.h"

#include <QPainter>

#include <cstdlib>
#include <span>
#include <utility>

#include "editing/image_scroll_box.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/qcolor_conversion.h"

namespace {

// On and off runs of the cosmetic pen styles, in pixels.
constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

std::span<const int> styleRuns(TPenStyle style)
{
    switch (style) {
    case psDash:
        return kDash;
    case psDot:
        return kDot;
    case psDashDot:
        return kDashDot;
    case psDashDotDot:
        return kDashDotDot;
    default:
        return {};
    }
}

} // namespace

TBandMovement GrabHandleToBandMovement(int handle)
{
    switch (handle) {
    case ghTop:
    case ghBottom:
        return bmTopBottom;
    case ghLeft:
    case ghRight:
        return bmLeftRight;
    case ghTopLeft:
    case ghTopRight:
    case ghBottomRight:
    case ghBottomLeft:
        return bmAllDirections;
    default:
        throw Exception(QStringLiteral("Invalid GrabHandle, GrabHandleToBandMovement"));
    }
}

TCursor GrabHandleToCursor(int handle)
{
    switch (handle) {
    case ghTop:
    case ghBottom:
        return crSizeNS;
    case ghLeft:
    case ghRight:
        return crSizeWE;
    case ghTopLeft:
    case ghBottomRight:
        return crSizeNWSE;
    case ghTopRight:
    case ghBottomLeft:
        return crSizeNESW;
    default:
        throw Exception(QStringLiteral("Invalid GrabHandle, GrabHandleToCursor"));
    }
}

TRubberbandMouseHandler::TRubberbandMouseHandler(TImageScrollBox* view) : TMouseHandler(view)
{
    TImageControl* image = view->ImageControl();
    image->SetCursor(crDefault);
    image->SetDrawHook(this, [this](QPainter& painter) { paintBand(painter); });
}

TRubberbandMouseHandler::~TRubberbandMouseHandler()
{
    if (bandVisible_)
        RemoveBand();
    View->ImageControl()->ClearDrawHook(this);
}

void TRubberbandMouseHandler::SetLineStyle(int style)
{
    if (style < psSolid || style > psDashDotDot)
        throw Exception(QStringLiteral("Invalid Rubberband style"));
    lineStyle_ = static_cast<TPenStyle>(style);
    if (bandVisible_)
        View->ImageControl()->update();
}

void TRubberbandMouseHandler::DrawBand()
{
    bandVisible_ = true;
    View->ImageControl()->update();
}

void TRubberbandMouseHandler::RemoveBand()
{
    // The band lives only on the screen: repainting from the displayed copy takes it away.
    bandVisible_ = false;
    View->ImageControl()->update();
}

void TRubberbandMouseHandler::paintBand(QPainter& painter)
{
    if (!bandVisible_)
        return;
    // The band is placed in the view's client area, (X - H, Y - V); here that is seen from the
    // image control.
    const QPoint offset = -QPoint(View->HorzScrollPosition(), View->VertScrollPosition()) - View->ImageControl()->pos();
    const QPoint corners[5] = {QPoint(X1, Y1), QPoint(X2, Y1), QPoint(X2, Y2), QPoint(X1, Y2), QPoint(X1, Y1)};
    const QColor pen = ColorToQColor(penColor_);
    const QColor gap = ColorToQColor(brushColor_);
    const std::span<const int> runs = styleRuns(lineStyle_);
    // The style runs on across the four lines, as it does along one pen path; each line leaves
    // out its end point.
    size_t run = 0;
    int left = runs.empty() ? 0 : runs[0];
    for (int i = 0; i < 4; ++i) {
        QPoint p = corners[i] + offset;
        const QPoint end = corners[i + 1] + offset;
        const QPoint step((end.x() > p.x()) - (end.x() < p.x()), (end.y() > p.y()) - (end.y() < p.y()));
        while (p != end) {
            const bool on = runs.empty() || run % 2 == 0;
            painter.fillRect(QRect(p, QSize(1, 1)), on ? pen : gap);
            if (!runs.empty() && --left == 0) {
                run = (run + 1) % runs.size();
                left = runs[run];
            }
            p += step;
        }
    }
}

void TRubberbandMouseHandler::Changed(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (View->OnRubberbandChange)
        View->OnRubberbandChange(TRect{left, top, right, bottom});
}

void TRubberbandMouseHandler::BeforeResize()
{
    RemoveBand();
    Changed(0, 0, 0, 0);
}

bool TRubberbandMouseHandler::PointOnGrabHandle(int x, int y)
{
    const int H = View->HorzScrollPosition();
    const int V = View->VertScrollPosition();
    bool found = false;
    auto match = [&](bool hit, TGrabHandle handle) {
        if (hit) {
            grabHandle_ = handle;
            found = true;
        }
    };
    const bool alongTop = X1 - H <= x && x <= X2 - H;
    const bool alongSide = Y1 - V <= y && y <= Y2 - V;
    match(std::abs(y + V - Y1) < 4 && alongTop, ghTop);
    match(std::abs(y + V - Y2) < 4 && alongTop, ghBottom);
    match(std::abs(x + H - X1) < 4 && alongSide, ghLeft);
    match(std::abs(x + H - X2) < 4 && alongSide, ghRight);
    auto near = [&](int cx, int cy) { return std::abs(x + H - cx) < 4 && std::abs(y + V - cy) < 4; };
    match(near(X2, Y2), ghBottomRight);
    match(near(X1, Y1), ghTopLeft);
    match(near(X2, Y1), ghTopRight);
    match(near(X1, Y2), ghBottomLeft);
    return found;
}

void TRubberbandMouseHandler::MouseDown(TMouseButton, TShiftState, int x, int y)
{
    if (View->Centered())
        return;
    const QPoint image = View->ImageControl()->pos();
    const int cx = x + image.x();
    const int cy = y + image.y();
    Pressed = true;
    if (bandVisible_ && PointOnGrabHandle(cx, cy)) {
        bandMovement_ = GrabHandleToBandMovement(grabHandle_);
        // The grabbed corner or edge becomes the moving end (X2, Y2).
        switch (grabHandle_) {
        case ghTopLeft:
            std::swap(X1, X2);
            std::swap(Y1, Y2);
            break;
        case ghTopRight:
        case ghTop:
            std::swap(Y1, Y2);
            break;
        case ghBottomLeft:
        case ghLeft:
            std::swap(X1, X2);
            break;
        default:
            break;
        }
        return;
    }
    if (bandVisible_)
        RemoveBand();
    Changed(0, 0, 0, 0);
    bandMovement_ = bmAllDirections;
    grabHandle_ = ghBottomRight;
    X1 = X2 = x;
    Y1 = Y2 = y;
}

void TRubberbandMouseHandler::MouseMove(TShiftState shift, int x, int y)
{
    TImageControl* image = View->ImageControl();
    const int cx = x + image->pos().x();
    const int cy = y + image->pos().y();
    const int H = View->HorzScrollPosition();
    const int V = View->VertScrollPosition();

    if (!Pressed && bandVisible_)
        image->SetCursor(PointOnGrabHandle(cx, cy) ? GrabHandleToCursor(grabHandle_) : crDefault);

    int px = X2, py = Y2;
    switch (grabHandle_) {
    case ghTop:
    case ghBottom:
        py = cy + V;
        break;
    case ghLeft:
    case ghRight:
        px = cx + H;
        break;
    default:
        px = cx + H;
        py = cy + V;
        break;
    }
    const QSize shown = View->DisplayedSize();
    px = std::clamp(px, 0, std::max(0, shown.width() - 1));
    py = std::clamp(py, 0, std::max(0, shown.height() - 1));

    if (!Pressed || !(shift & ssLeft))
        return;
    if (bandMovement_ == bmTopBottom)
        px = X2;
    else if (bandMovement_ == bmLeftRight)
        py = Y2;
    // An edge or corner dragged past the fixed one stops just beyond it.
    switch (grabHandle_) {
    case ghRight:
    case ghBottomRight:
    case ghBottom:
        if (X1 > px)
            px = X1 + 1;
        if (Y1 > py)
            py = Y1 + 1;
        break;
    case ghTopLeft:
        if (X1 < px)
            px = X1 + 1;
        if (Y1 < py)
            py = Y1 + 1;
        break;
    case ghTop:
        if (Y1 < py)
            py = Y1 + 1;
        break;
    case ghLeft:
        if (X1 < px)
            px = X1 + 1;
        break;
    case ghBottomLeft:
        if (X1 < px)
            px = X1 + 1;
        if (Y1 > py)
            py = Y1 + 1;
        break;
    case ghTopRight:
        if (X1 > px)
            px = X1 + 1;
        if (Y1 < py)
            py = Y1 + 1;
        break;
    }
    RemoveBand();
    X2 = px;
    Y2 = py;
    DrawBand();
    Changed(X1, Y1, X2, Y2);
}

void TRubberbandMouseHandler::MouseUp(TMouseButton, TShiftState, int, int)
{
    if (!Pressed)
        return;
    if (bandVisible_) {
        if (X1 > X2)
            std::swap(X1, X2);
        if (Y1 > Y2)
            std::swap(Y1, Y2);
        if (X1 == X2 && Y1 == Y2)
            bandVisible_ = false;
    }
    Pressed = false;
}
