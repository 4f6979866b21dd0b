#include "drawing/color_grid.h"

#include "platform/framework/qcolor_conversion.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// The first 20 entries of the platform's default palette, as red, green, blue. Cells 0..7
// show entries 0..7 and cells 8..15 entries 12..19; 8..11 are the platform's own extra greys.
constexpr uint8_t kDefaultPalette[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

} // namespace

TCColorGrid::TCColorGrid(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < kCellCount; ++i) {
        const uint8_t* e = kDefaultPalette[i < 8 ? i : i + 4];
        colors_[i] = static_cast<TColor>(uint32_t{e[0]} | (uint32_t{e[1]} << 8) | (uint32_t{e[2]} << 16));
    }
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    // The right button chooses the background colour; it must not also open a parent's menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    SetTabStop(true);
    UpdateCellSizes(false);
}

TColor TCColorGrid::CellColor(int index) const
{
    return index >= 0 && index < kCellCount ? colors_[index] : 0;
}

void TCColorGrid::SetGridOrdering(TGridOrdering value)
{
    if (gridOrdering_ == value)
        return;
    gridOrdering_ = value;
    UpdateCellSizes(true);
}

void TCColorGrid::SetCtl3D(bool value)
{
    ctl3D_ = value;
    update();
}

void TCColorGrid::SetTabStop(bool value)
{
    tabStop_ = value;
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

void TCColorGrid::UpdateCellSizes(bool repaint)
{
    const int columns = Columns();
    const int rows = Rows();
    const int trimmedWidth = (width() / columns) * columns;
    const int trimmedHeight = (height() / rows) * rows;
    if (trimmedWidth != width() || trimmedHeight != height())
        resize(trimmedWidth, trimmedHeight);
    if (repaint)
        update();
}

void TCColorGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateCellSizes(true);
}

QRect TCColorGrid::CellRect(int index) const
{
    const int columns = Columns();
    return QRect((index % columns) * CellWidth(), (index / columns) * CellHeight(), CellWidth(), CellHeight());
}

int TCColorGrid::SquareFromPos(int x, int y) const
{
    // A control smaller than one pixel per cell has no cells to hit; the clamp keeps a
    // position in an untrimmed margin on the last cell.
    const int cellWidth = CellWidth();
    const int cellHeight = CellHeight();
    if (cellWidth <= 0 || cellHeight <= 0)
        return 0;
    x = std::clamp(x, 0, std::max(0, width() - 1));
    y = std::clamp(y, 0, std::max(0, height() - 1));
    const int columns = Columns();
    const int column = std::min(x / cellWidth, columns - 1);
    const int row = std::min(y / cellHeight, Rows() - 1);
    return row * columns + column;
}

void TCColorGrid::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCColorGrid::SetForegroundIndex(int value)
{
    if (value == foregroundIndex_ || !foregroundEnabled_)
        return;
    foregroundIndex_ = value;
    update();
    Change();
}

void TCColorGrid::SetBackgroundIndex(int value)
{
    if (value == backgroundIndex_ || !backgroundEnabled_)
        return;
    backgroundIndex_ = value;
    update();
    Change();
}

void TCColorGrid::SetSelection(int value)
{
    if (value == selection_)
        return;
    selection_ = value;
    update();
}

void TCColorGrid::EnableForeground(bool value)
{
    foregroundEnabled_ = value;
    update();
}

void TCColorGrid::EnableBackground(bool value)
{
    backgroundEnabled_ = value;
    update();
}

void TCColorGrid::enableForClick(bool foreground)
{
    bool& enabled = foreground ? foregroundEnabled_ : backgroundEnabled_;
    if (enabled || !clickEnablesColor_)
        return;
    enabled = true;
    (foreground ? foregroundIndex_ : backgroundIndex_) = -1;
    update();
}

void TCColorGrid::pick(bool foreground, int cell)
{
    enableForClick(foreground);
    if (foreground)
        SetForegroundIndex(cell);
    else
        SetBackgroundIndex(cell);
}

void TCColorGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    dragButton_ = event->button();
    dragging_ = true;
    const int cell = SquareFromPos(pos.x(), pos.y());
    // Every button keeps the pointer while it is held (the platform grabs it for us), so a drag
    // that leaves the control still reaches it and is clamped to the edge cells.
    pick(dragButton_ == Qt::LeftButton, cell);
    SetSelection(cell);
    if (tabStop_)
        setFocus(Qt::MouseFocusReason);
}

void TCColorGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint pos = event->position().toPoint();
    const int cell = SquareFromPos(pos.x(), pos.y());
    if (dragButton_ == Qt::LeftButton)
        SetForegroundIndex(cell);
    else
        SetBackgroundIndex(cell);
    SetSelection(cell);
}

void TCColorGrid::mouseReleaseEvent(QMouseEvent* event)
{
    // Any release ends the drag; the pointer grab ends with the last button by itself.
    dragging_ = false;
    if (event->button() == Qt::LeftButton && dragButton_ == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnClick)
        OnClick(this);
}

void TCColorGrid::keyPressEvent(QKeyEvent* event)
{
    const int n = Columns() * Rows();
    const int columns = Columns();
    int next = selection_;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Right:
        next = selection_ + 1 >= n ? 0 : selection_ + 1;
        break;
    case Qt::Key_Left:
        next = selection_ - 1 < 0 ? n - 1 : selection_ - 1;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = n - 1;
        break;
    case Qt::Key_Up:
        // Off the top row the cursor wraps to the bottom row one column to the left.
        if (selection_ == 0)
            next = n - 1;
        else if (selection_ < columns)
            next = selection_ + n - columns - 1;
        else
            next = selection_ - columns;
        break;
    case Qt::Key_Down:
        if (selection_ == n - 1)
            next = 0;
        else if (selection_ >= n - columns)
            next = selection_ % columns + 1;
        else
            next = selection_ + columns;
        break;
    case Qt::Key_F:
    case Qt::Key_B:
        pick(event->key() == Qt::Key_F, selection_);
        if (OnClick)
            OnClick(this);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    SetSelection(next);
    event->accept();
}

void TCColorGrid::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TCColorGrid::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TCColorGrid::DrawSquare(QPainter& p, int index, bool highlighted) const
{
    if (index < 0 || index >= kCellCount)
        return;
    QRect r = CellRect(index);
    const QColor cell = ColorToQColor(colors_[index]);
    const QPalette& pal = palette();
    if (ctl3D_) {
        p.fillRect(r, pal.color(QPalette::Button));
        r.adjust(1, 1, -1, -1);
        // A sunken bevel two pixels wide.
        for (int i = 0; i < 2 && r.width() > 0 && r.height() > 0; ++i) {
            p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), pal.color(QPalette::Dark));
            p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), pal.color(QPalette::Dark));
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), pal.color(QPalette::Light));
            p.fillRect(QRect(r.right(), r.top(), 1, r.height()), pal.color(QPalette::Light));
            r.adjust(1, 1, -1, -1);
        }
        p.fillRect(r, cell);
        if (highlighted) {
            r.adjust(1, 1, -1, -1);
            // The focus frame: every other pixel of the border inverted.
            p.save();
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(Qt::white);
            for (int x = r.left(); x <= r.right(); ++x) {
                if ((x + r.top()) % 2 == 0)
                    p.drawPoint(x, r.top());
                if ((x + r.bottom()) % 2 == 0 && r.bottom() != r.top())
                    p.drawPoint(x, r.bottom());
            }
            for (int y = r.top() + 1; y < r.bottom(); ++y) {
                if ((r.left() + y) % 2 == 0)
                    p.drawPoint(r.left(), y);
                if ((r.right() + y) % 2 == 0 && r.right() != r.left())
                    p.drawPoint(r.right(), y);
            }
            p.restore();
        }
    } else {
        p.setPen(Qt::black);
        p.setBrush(cell);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (highlighted) {
            p.save();
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.restore();
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(2, 2, -3, -3));
        }
    }
}

void TCColorGrid::drawLabel(QPainter& p, int index, const QString& text) const
{
    if (index < 0 || index >= kCellCount)
        return;
    // The label is black on a light channel and white on a dark one, channel by channel.
    const TColor c = colors_[index];
    const int r = (c & 0xFF) >= 128 ? 0 : 255;
    const int g = ((c >> 8) & 0xFF) >= 128 ? 0 : 255;
    const int b = ((c >> 16) & 0xFF) >= 128 ? 0 : 255;
    p.setPen(QColor(r, g, b));
    p.drawText(CellRect(index), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
}

QString TCColorGrid::CellLabel(int index) const
{
    const bool same = foregroundIndex_ == backgroundIndex_;
    if (foregroundEnabled_ && index == foregroundIndex_)
        return same && backgroundEnabled_ ? QStringLiteral("FB") : QStringLiteral("FG");
    if (backgroundEnabled_ && index == backgroundIndex_)
        return same && foregroundEnabled_ ? QStringLiteral("FB") : QStringLiteral("BG");
    return {};
}

void TCColorGrid::DrawFgBg(QPainter& p) const
{
    const bool same = foregroundIndex_ == backgroundIndex_;
    if (foregroundEnabled_)
        drawLabel(p, foregroundIndex_, same && backgroundEnabled_ ? QStringLiteral("FB") : QStringLiteral("FG"));
    if (backgroundEnabled_)
        drawLabel(p, backgroundIndex_, same && foregroundEnabled_ ? QStringLiteral("FB") : QStringLiteral("BG"));
}

void TCColorGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    for (int i = 0; i < Columns() * Rows(); ++i)
        DrawSquare(p, i, false);
    if (hasFocus())
        DrawSquare(p, selection_, true);
    DrawFgBg(p);
}
