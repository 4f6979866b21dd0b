#include "platform/forms/bevel_panel.h"

#include <QPainter>

namespace forms {

namespace {
void drawBevel(QPainter& painter, QRect rect, BevelPanel::Bevel bevel, const QPalette& palette)
{
    if (bevel == BevelPanel::Bevel::None)
        return;
    const bool raised = bevel == BevelPanel::Bevel::Raised;
    const QColor topLeft = raised ? palette.color(QPalette::Light) : palette.color(QPalette::Dark);
    const QColor bottomRight = raised ? palette.color(QPalette::Dark) : palette.color(QPalette::Light);
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}
} // namespace

BevelPanel::BevelPanel(QWidget* parent) : QFrame(parent) {}

void BevelPanel::setBevels(Bevel outer, Bevel inner)
{
    outer_ = outer;
    inner_ = inner;
    update();
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect rect = this->rect();
    drawBevel(painter, rect, outer_, palette());
    if (outer_ != Bevel::None)
        rect.adjust(1, 1, -1, -1);
    drawBevel(painter, rect, inner_, palette());
}

} // namespace forms
