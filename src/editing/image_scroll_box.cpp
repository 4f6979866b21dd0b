#include "editing/image_scroll_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

#include "editing/rubberband_mouse_handler.h"
#include "imaging/transforms/antialias_transform.h"
#include "platform/gdi/pixel_memory.h"

#include <memory>

namespace {

// Qt cannot size a widget beyond this; the zoomed size itself is kept apart and is not limited.
constexpr int kMaxWidgetExtent = QWIDGETSIZE_MAX;

// The screen copy is rewritten whole whenever the view moves or the window opens: its memory
// comes from the surfaces' allocator, where a big buffer costs a few page faults, not one per
// small page.
QImage newScreenImage(const QSize& size)
{
    const qsizetype stride = qsizetype{size.width()} * 4;
    auto memory = std::make_unique<gdi::PixelMemory>(static_cast<size_t>(stride) * static_cast<size_t>(size.height()));
    uchar* bits = memory->data();
    QImage image(bits, size.width(), size.height(), stride, QImage::Format_RGB32,
                 [](void* owner) { delete static_cast<gdi::PixelMemory*>(owner); }, memory.get());
    if (!image.isNull())
        memory.release();
    return image;
}

TShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool mouseButton(Qt::MouseButton qt, TMouseButton& button)
{
    switch (qt) {
    case Qt::LeftButton:
        button = mbLeft;
        return true;
    case Qt::RightButton:
        button = mbRight;
        return true;
    case Qt::MiddleButton:
        button = mbMiddle;
        return true;
    default:
        return false;
    }
}

Qt::CursorShape cursorShape(TCursor cursor)
{
    switch (cursor) {
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// A zoomed extent: trunc(extent * zoom / 100) in extended precision, at least 1.
int zoomedExtent(int extent, float zoomPercent)
{
    const long double value = std::trunc(static_cast<long double>(extent) * (static_cast<long double>(zoomPercent) / 100.0L));
    if (value <= 0)
        return 1;
    return value >= static_cast<long double>(INT32_MAX) ? INT32_MAX : static_cast<int>(value);
}

} // namespace

TImageControl::TImageControl(TImageScrollBox* view, QWidget* parent) : QWidget(parent), view_(view)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImageControl::SetCursor(TCursor cursor)
{
    cursor_ = cursor;
    setCursor(cursorShape(cursor));
}

void TImageControl::SetDrawHook(const void* owner, std::function<void(QPainter&)> hook)
{
    drawHookOwner_ = owner;
    drawHook_ = std::move(hook);
}

void TImageControl::ClearDrawHook(const void* owner)
{
    if (drawHookOwner_ == owner) {
        drawHookOwner_ = nullptr;
        drawHook_ = nullptr;
    }
}

void TImageControl::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    view_->paintImage(painter, event->rect());
    if (drawHook_)
        drawHook_(painter);
}

QPoint TImageControl::pixelAt(QPointF local) const
{
    // On a scaled screen a pointer sits between whole pixels of the copy (screen pixel d is
    // d / scale). The copy is stretched onto the window's screen pixels, each showing the copy
    // pixel under its centre, a centre on a boundary taking the pixel before it: name that
    // pixel, so a press lands on the one seen. At scale 1 this is the pointer's own position.
    const qreal scale = devicePixelRatioF();
    const QPointF origin = mapTo(window(), QPointF(0, 0));
    const auto at = [scale](qreal originPos, qreal localPos) {
        const qreal pixel = std::round((originPos + localPos) * scale);
        return int(std::ceil((pixel + 0.5 - originPos * scale) / scale)) - 1;
    };
    return {at(origin.x(), local.x()), at(origin.y(), local.y())};
}

void TImageControl::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!mouseButton(event->button(), button))
        return;
    const QPoint p = pixelAt(event->position());
    view_->forwardMouseDown(button, shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TImageControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = pixelAt(event->position());
    view_->forwardMouseMove(shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TImageControl::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!mouseButton(event->button(), button))
        return;
    const QPoint p = pixelAt(event->position());
    view_->forwardMouseUp(button, shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

TImageScrollBox::TImageScrollBox(QWidget* parent)
    : QAbstractScrollArea(parent), antiAliasTransform_(std::make_unique<TAntiAliasTransform>()),
      image_(new TImageControl(this, viewport()))
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    viewport()->setBackgroundRole(QPalette::Midlight);
    viewport()->setAutoFillBackground(true);
    image_->hide();
}

TImageScrollBox::~TImageScrollBox()
{
    // The handler still draws on the image control, so it goes first.
    mouseHandler_.reset();
}

int TImageScrollBox::HorzScrollPosition() const { return horizontalScrollBar()->value(); }
int TImageScrollBox::VertScrollPosition() const { return verticalScrollBar()->value(); }
void TImageScrollBox::SetHorzScrollPosition(int position) { horizontalScrollBar()->setValue(position); }
void TImageScrollBox::SetVertScrollPosition(int position) { verticalScrollBar()->setValue(position); }

namespace {
int scrollBarSpace(const QAbstractScrollArea& area, const QScrollBar& bar, Qt::Orientation o)
{
    const QSize hint = bar.sizeHint();
    int space = o == Qt::Vertical ? hint.width() : hint.height();
    if (area.style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, &area))
        space += area.style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, &area);
    return space;
}
} // namespace

int TImageScrollBox::ClientWidth() const
{
    return std::max(0, width() - 2 * frameWidth() -
                           (vertVisible_ ? scrollBarSpace(*this, *verticalScrollBar(), Qt::Vertical) : 0));
}

int TImageScrollBox::ClientHeight() const
{
    return std::max(0, height() - 2 * frameWidth() -
                           (horzVisible_ ? scrollBarSpace(*this, *horizontalScrollBar(), Qt::Horizontal) : 0));
}

void TImageScrollBox::setScrollBarsVisible(bool horizontal, bool vertical)
{
    horzVisible_ = horizontal;
    vertVisible_ = vertical;
    // Setting a policy lays the area out and repaints its bars even when nothing changes,
    // and every redraw passes here.
    const Qt::ScrollBarPolicy horizontalPolicy = horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    const Qt::ScrollBarPolicy verticalPolicy = vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (horizontalScrollBarPolicy() != horizontalPolicy)
        setHorizontalScrollBarPolicy(horizontalPolicy);
    if (verticalScrollBarPolicy() != verticalPolicy)
        setVerticalScrollBarPolicy(verticalPolicy);
}

void TImageScrollBox::SetGraphic(const TDibGraphic* graphic)
{
    picture_.AssignPicture(graphic);
    Redraw(true);
}

void TImageScrollBox::SetGraphic(TPersistent* graphic)
{
    picture_.Assign(graphic);
    Redraw(true);
}

const TDibGraphic& TImageScrollBox::displaySource() const
{
    // A smoothed copy that was never built (no reload since the picture appeared) is no source.
    if (picture_.ImageFormat() == ifBlackWhite && antiAliased_ && !antiAliasedStale_ && !antiAliasedCopy_.GetEmpty())
        return antiAliasedCopy_;
    return picture_;
}

void TImageScrollBox::Redraw(bool reloadGraphic)
{
    if (!parentWidget() || isHidden() || redrawing_ || held_)
        return;
    redrawing_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{redrawing_};

    if (picture_.GetEmpty()) {
        displayed_.FreeImage();
        displayedValid_ = false;
        screen_ = QImage();
        screenValid_ = false;
        screenKey_ = ScreenKey{};
        displayedWidth_ = displayedHeight_ = 0;
        setScrollBarsVisible(false, false);
        image_->hide();
        return;
    }

    if (reloadGraphic) {
        antiAliasedStale_ = picture_.ImageFormat() == ifBlackWhite;
        if (!antiAliasedStale_)
            antiAliasedCopy_.FreeImage();
    }
    // The smoothed copy of the whole picture is built only while it is shown: a conversion to
    // black and white with smoothing off must not pay for it.
    if (antiAliasedStale_ && antiAliased_) {
        antiAliasTransform_->ApplyOnDest(picture_, antiAliasedCopy_);
        antiAliasedStale_ = false;
    }

    // Rounded half to even, as the platform rounds; a fractional zoom always counts as changed.
    const float before = std::nearbyint(zoomPercent_);
    RecalcZoom();
    const bool changed = before != zoomPercent_;
    if (changed && OnZoomChange)
        OnZoomChange(this, zoomPercent_);
    if (mouseHandler_ && (changed || reloadGraphic))
        mouseHandler_->BeforeResize();

    buildDisplayed();

    if (OnRedraw)
        OnRedraw(&picture_);
    if (image_->isHidden())
        image_->show();
}

void TImageScrollBox::RecalcZoom()
{
    const int W = picture_.GetWidth();
    const int H = picture_.GetHeight();
    if (W <= 0 || H <= 0)
        return;
    auto ratio = [](int client, int size) { return static_cast<float>(static_cast<double>(client) / size); };
    auto percent = [](float r) { return static_cast<float>(static_cast<long double>(r) * 100.0L); };
    switch (zoomMode_) {
    case zmOriginalSize:
        zoomPercent_ = 100.0f;
        break;
    case zmFullPage:
    case zmFitToPage: {
        setScrollBarsVisible(horzVisible_, false);
        const float rx = ratio(ClientWidth(), W);
        setScrollBarsVisible(false, false);
        const float ry = ratio(ClientHeight(), H);
        zoomPercent_ = percent(rx < ry ? rx : ry);
        if (zoomMode_ == zmFitToPage && zoomPercent_ > 100.0f)
            zoomPercent_ = 100.0f;
        break;
    }
    case zmFitWidth:
        zoomPercent_ = percent(ratio(ClientWidth(), W));
        break;
    case zmFitHeight:
        setScrollBarsVisible(false, false);
        zoomPercent_ = percent(ratio(ClientHeight(), H));
        break;
    case zmPercent:
        break;
    default:
        zoomPercent_ = 100.0f;
        break;
    }
}

void TImageScrollBox::buildDisplayed()
{
    const int w = zoomedExtent(picture_.GetWidth(), zoomPercent_);
    const int h = zoomedExtent(picture_.GetHeight(), zoomPercent_);
    displayedWidth_ = w;
    displayedHeight_ = h;
    // What is on screen stays while the source and the zoomed size do: a redraw for the
    // layout alone (a mode chosen again, centring) renders nothing, and one after drawing
    // renders only the rows the drawing touched. A change missed in between (someone else
    // read the count) means rendering everything.
    const TDibGraphic& source = displaySource();
    const uint64_t changes = source.ChangeCount();
    const bool sameShape = screenKey_.source == &source && screenKey_.width == w && screenKey_.height == h;
    if (!sameShape || changes - screenKey_.changes > 1)
        screenValid_ = false;
    else if (changes != screenKey_.changes)
        changedRows_.unite(source.RowsOfLastChange());
    screenKey_ = ScreenKey{&source, changes, w, h};

    // Each bar shows exactly when the copy exceeds the client extent left beside the other.
    const int fullWidth = width() - 2 * frameWidth();
    const int fullHeight = height() - 2 * frameWidth();
    const int vSpace = scrollBarSpace(*this, *verticalScrollBar(), Qt::Vertical);
    const int hSpace = scrollBarSpace(*this, *horizontalScrollBar(), Qt::Horizontal);
    bool horizontal = w > fullWidth;
    bool vertical = h > fullHeight;
    if (horizontal && !vertical)
        vertical = h > fullHeight - hSpace;
    if (vertical && !horizontal)
        horizontal = w > fullWidth - vSpace;
    setScrollBarsVisible(horizontal, vertical);

    image_->resize(std::min(w, kMaxWidgetExtent), std::min(h, kMaxWidgetExtent));
    QScrollBar* hbar = horizontalScrollBar();
    QScrollBar* vbar = verticalScrollBar();
    hbar->setRange(0, std::max(0, w - ClientWidth()));
    hbar->setPageStep(std::max(1, ClientWidth()));
    vbar->setRange(0, std::max(0, h - ClientHeight()));
    vbar->setPageStep(std::max(1, ClientHeight()));
    hbar->setSingleStep(std::max(1, ClientWidth() / 10));
    vbar->setSingleStep(std::max(1, ClientHeight() / 10));
    hbar->setValue(0);
    vbar->setValue(0);

    if (centered_) {
        CenterImage(w, h);
    } else {
        imageLeft_ = imageTop_ = 0;
        placeImage();
    }
    image_->update();
}

void TImageScrollBox::CenterImage(int width, int height)
{
    if (mouseHandler_)
        mouseHandler_->BeforeResize();
    // The control's outer size, not its client area.
    imageTop_ = height < this->height() ? (this->height() - height) / 2 : 0;
    imageLeft_ = width < this->width() ? (this->width() - width) / 2 : 0;
    placeImage();
}

void TImageScrollBox::placeImage()
{
    image_->move(imageLeft_ - HorzScrollPosition(), imageTop_ - VertScrollPosition());
}

void TImageScrollBox::scrollContentsBy(int, int)
{
    placeImage();
    // Scrolling shows the new part at once instead of at the next paint cycle; a redraw that
    // resets the positions paints once, at its end.
    if (image_->isVisible() && !redrawing_)
        image_->repaint();
}

void TImageScrollBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!redrawing_)
        Redraw(false);
}

QRect TImageScrollBox::visibleWindow() const
{
    const QRect whole(0, 0, displayedWidth_, displayedHeight_);
    const QRect client = viewport()->rect().translated(-image_->pos());
    return whole.intersected(client);
}

void TImageScrollBox::RenderVisible()
{
    const QRect window = visibleWindow();
    if (screenValid_ && window == screenWindow_) {
        renderChangedRows();
        return;
    }
    changedRows_ = gdi::RowRange{};
    screenWindow_ = window;
    screenValid_ = true;
    displayedValid_ = false;
    if (window.isEmpty() || picture_.GetEmpty()) {
        screen_ = QImage();
        return;
    }
    if (screen_.size() != window.size())
        screen_ = newScreenImage(window.size());
    renderer_.render(displaySource(), displayedWidth_, displayedHeight_, window,
                     reinterpret_cast<uint32_t*>(screen_.bits()), screen_.bytesPerLine() / 4);
}

void TImageScrollBox::renderChangedRows()
{
    if (changedRows_.empty())
        return;
    const TDibGraphic& source = displaySource();
    const auto [first, last] = ZoomRenderer::zoomedRowsShowing(changedRows_.first, changedRows_.last,
                                                               source.GetHeight(), displayedHeight_);
    changedRows_ = gdi::RowRange{};
    const int top = std::max(first, screenWindow_.top());
    const int bottom = std::min(last, screenWindow_.bottom());
    if (top > bottom || screen_.isNull())
        return;
    const QRect band(screenWindow_.left(), top, screenWindow_.width(), bottom - top + 1);
    const ptrdiff_t stride = screen_.bytesPerLine() / 4;
    renderer_.render(source, displayedWidth_, displayedHeight_, band,
                     reinterpret_cast<uint32_t*>(screen_.bits()) + (top - screenWindow_.top()) * stride, stride);
    displayedValid_ = false;
}

void TImageScrollBox::HoldPicture(bool held)
{
    if (held_ == held)
        return;
    held_ = held;
    if (!held_)
        image_->update();
}

void TImageScrollBox::paintImage(QPainter& painter, const QRect& rect)
{
    if (held_) {
        paintHeld(painter, rect);
        return;
    }
    if (picture_.GetEmpty())
        return;
    const QRect wanted = rect.intersected(QRect(0, 0, displayedWidth_, displayedHeight_));
    if (wanted.isEmpty())
        return;
    if (!screenValid_ || !screenWindow_.contains(wanted))
        RenderVisible();
    else
        renderChangedRows();
    if (screenWindow_.contains(wanted)) {
        painter.drawImage(wanted.topLeft(), screen_, wanted.translated(-screenWindow_.topLeft()));
        return;
    }
    // Asked for more than is on screen (a grab of the image control itself): render just that.
    QImage part(wanted.size(), QImage::Format_RGB32);
    renderer_.render(displaySource(), displayedWidth_, displayedHeight_, wanted,
                     reinterpret_cast<uint32_t*>(part.bits()), part.bytesPerLine() / 4);
    painter.drawImage(wanted.topLeft(), part);
}

void TImageScrollBox::paintHeld(QPainter& painter, const QRect& rect)
{
    // Only the screen cache: no picture row is read. What it does not cover waits, blank,
    // for the release.
    painter.fillRect(rect, palette().color(QPalette::Window));
    if (screenValid_ && !screen_.isNull())
        painter.drawImage(screenWindow_.topLeft(), screen_);
}

const TDibGraphic* TImageScrollBox::GetDisplayedGraphic()
{
    if (picture_.GetEmpty() || displayedWidth_ <= 0) {
        displayed_.FreeImage();
        return &displayed_;
    }
    RenderVisible();
    if (!displayedValid_) {
        if (screen_.isNull()) {
            displayed_.FreeImage();
        } else {
            displayed_.NewImage(screen_.width(), screen_.height(), ifTrueColor, nullptr, picture_.XDpi(),
                                picture_.YDpi());
            for (int y = 0; y < screen_.height(); ++y) {
                const auto* in = reinterpret_cast<const uint32_t*>(screen_.constScanLine(y));
                uint8_t* out = displayed_.ScanLine(y);
                for (int x = 0; x < screen_.width(); ++x) {
                    out[3 * x] = static_cast<uint8_t>(in[x]);
                    out[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
                    out[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
                }
            }
        }
        displayedValid_ = true;
    }
    return &displayed_;
}

QPoint TImageScrollBox::DisplayedOrigin()
{
    RenderVisible();
    return screenWindow_.topLeft();
}

uint32_t TImageScrollBox::DisplayedPixel(int x, int y) const
{
    if (picture_.GetEmpty() || x < 0 || y < 0 || x >= displayedWidth_ || y >= displayedHeight_)
        return 0xFFFFFFFFu;
    return ZoomRenderer::pixelAt(displaySource(), displayedWidth_, displayedHeight_, x, y);
}

void TImageScrollBox::SetZoomMode(TZoomMode mode)
{
    zoomMode_ = mode;
    Redraw(false);
}

void TImageScrollBox::SetZoomPercent(double percent)
{
    if (picture_.GetEmpty() || percent <= 0.1)
        return;
    zoomPercent_ = static_cast<float>(percent);
    zoomMode_ = zmPercent;
    if (mouseHandler_)
        mouseHandler_->BeforeResize();
    Redraw(false);
}

void TImageScrollBox::SetCentered(bool value)
{
    if (centered_ == value)
        return;
    centered_ = value;
    Redraw(false);
}

void TImageScrollBox::SetAntiAliased(bool value)
{
    if (antiAliased_ == value)
        return;
    antiAliased_ = value;
    if (picture_.ImageFormat() == ifBlackWhite && !picture_.GetEmpty())
        Redraw(false);
}

void TImageScrollBox::SetMouseMode(TMouseMode mode)
{
    if (mode == mouseMode_)
        return;
    if (mode == mmSelect) {
        SetMouseHandler(nullptr); // the old handler lets go of the image control first
        SetMouseHandler(std::make_unique<TRubberbandMouseHandler>(this));
    } else {
        SetMouseHandler(nullptr);
        if (mode == mmUser)
            image_->SetCursor(crDefault);
    }
    mouseMode_ = mode;
}

void TImageScrollBox::SetMouseHandler(std::unique_ptr<TMouseHandler> handler)
{
    std::unique_ptr<TMouseHandler> previous = std::move(mouseHandler_);
    mouseHandler_ = std::move(handler);
    previous.reset();
}

void TImageScrollBox::forwardMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (mouseHandler_)
        mouseHandler_->MouseDown(button, shift, x, y);
    if (OnImageMouseDown)
        OnImageMouseDown(image_, button, shift, x, y);
}

void TImageScrollBox::forwardMouseMove(TShiftState shift, int x, int y)
{
    if (mouseHandler_)
        mouseHandler_->MouseMove(shift, x, y);
    if (OnImageMouseMove)
        OnImageMouseMove(image_, shift, x, y);
}

void TImageScrollBox::forwardMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (mouseHandler_)
        mouseHandler_->MouseUp(button, shift, x, y);
    if (OnImageMouseUp)
        OnImageMouseUp(image_, button, shift, x, y);
}
