// Draws the picture window's button glyphs on a 20 x 20 grid and writes each at 1x and 2x
// (name.png, name@2x.png). Run make_glyphs.sh to regenerate the PNG files beside it.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// One ink for outlines, one accent for fills and a light shade, so the set reads as one.
const QColor Ink(38, 50, 72);
const QColor Accent(52, 120, 198);
const QColor AccentLight(170, 204, 240);
const QColor Warm(226, 112, 58);
const QColor Paper(255, 255, 255);

QPen inkPen(double width = 1.4)
{
    QPen pen(Ink, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void drawLine(QPainter& p)
{
    p.setPen(inkPen(1.8));
    p.drawLine(QPointF(3.5, 16.5), QPointF(16.5, 3.5));
}

void drawRectangle(QPainter& p)
{
    p.setPen(inkPen());
    p.setBrush(AccentLight);
    p.drawRect(QRectF(3, 5, 14, 10));
}

void drawEllipse(QPainter& p)
{
    p.setPen(inkPen());
    p.setBrush(AccentLight);
    p.drawEllipse(QRectF(2.5, 4.5, 15, 11));
}

void drawRoundRect(QPainter& p)
{
    p.setPen(inkPen());
    p.setBrush(AccentLight);
    p.drawRoundedRect(QRectF(3, 5, 14, 10), 4, 4);
}

void drawSector(QPainter& p)
{
    p.setPen(inkPen());
    p.setBrush(AccentLight);
    p.drawPie(QRectF(3, 3, 14, 14), 30 * 16, 270 * 16);
}

void drawArc(QPainter& p)
{
    p.setPen(inkPen(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 4, 14, 14), 10 * 16, 160 * 16);
}

void drawSide(QPainter& p)
{
    // A band of parallel lines.
    for (int k = 0; k < 4; ++k) {
        p.setPen(inkPen(1.0));
        p.drawLine(QPointF(3 + k * 1.6, 13 + k * 1.2), QPointF(12 + k * 1.6, 3 + k * 1.2));
    }
}

void drawEraser(QPainter& p)
{
    QPainterPath body;
    body.moveTo(3, 13);
    body.lineTo(10, 6);
    body.lineTo(16, 12);
    body.lineTo(11, 17);
    body.lineTo(7, 17);
    body.closeSubpath();
    p.setPen(inkPen());
    p.setBrush(QColor(240, 170, 180));
    p.drawPath(body);
    p.setBrush(Paper);
    QPainterPath tip;
    tip.moveTo(3, 13);
    tip.lineTo(6.5, 9.5);
    tip.lineTo(12.5, 15.5);
    tip.lineTo(11, 17);
    tip.lineTo(7, 17);
    tip.closeSubpath();
    p.drawPath(tip);
    p.drawLine(QPointF(7, 17), QPointF(17, 17));
}

void drawText(QPainter& p)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("A"));
    p.setPen(QPen(Accent, 1.2));
    p.drawLine(QPointF(4, 18), QPointF(16, 18));
}

void drawSelect(QPainter& p)
{
    QPen pen(Ink, 1.2, Qt::DashLine);
    pen.setDashPattern({2, 1.5});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 14, 14));
}

void drawPencil(QPainter& p)
{
    p.save();
    p.translate(10, 10);
    p.rotate(-45);
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(244, 196, 70));
    p.drawRect(QRectF(-5, -2.5, 10, 5));
    p.setBrush(QColor(240, 214, 170));
    QPolygonF tip{QPointF(-5, -2.5), QPointF(-9, 0), QPointF(-5, 2.5)};
    p.drawPolygon(tip);
    p.setBrush(QColor(240, 150, 160));
    p.drawRect(QRectF(5, -2.5, 2.5, 5));
    p.restore();
}

void drawFill(QPainter& p)
{
    // A tipped bucket with paint running out of it.
    p.save();
    p.translate(9, 10);
    p.rotate(-30);
    p.setPen(inkPen(1.1));
    p.setBrush(Paper);
    p.drawRect(QRectF(-5, -4, 9, 9));
    p.setBrush(Accent);
    p.drawRect(QRectF(-5, -4, 9, 2.5));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    QPainterPath drop;
    drop.moveTo(15, 8);
    drop.cubicTo(17.5, 12, 18, 14.5, 15.8, 15.5);
    drop.cubicTo(13.8, 15.5, 13.5, 12.5, 15, 8);
    p.drawPath(drop);
}

void penStyle(QPainter& p, Qt::PenStyle style, const QList<qreal>& dashes)
{
    QPen pen(Ink, 2.0, style, Qt::FlatCap);
    if (!dashes.isEmpty())
        pen.setDashPattern(dashes);
    p.setPen(pen);
    p.drawLine(QPointF(2, 10), QPointF(18, 10));
}

void drawPenClear(QPainter& p)
{
    QPen pen(QColor(150, 160, 176), 1.0, Qt::DotLine);
    p.setPen(pen);
    p.drawLine(QPointF(2, 10), QPointF(18, 10));
    p.setPen(QPen(QColor(200, 56, 56), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(15, 15));
    p.drawLine(QPointF(15, 5), QPointF(5, 15));
}

void colorBox(QPainter& p, bool pen)
{
    // Four colour patches and, for the pen, a nib; for the brush, a filled square.
    const QColor patches[] = {QColor(220, 60, 60), QColor(60, 170, 80), QColor(60, 110, 220), QColor(240, 200, 40)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(patches[i]);
        p.drawRect(QRectF(2 + (i % 2) * 5, 2 + (i / 2) * 5, 5, 5));
    }
    p.setPen(inkPen(1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2, 2, 10, 10));
    if (pen) {
        p.setPen(inkPen(2.2));
        p.drawLine(QPointF(10, 17), QPointF(17.5, 9.5));
    } else {
        p.setPen(inkPen(1.0));
        p.setBrush(Accent);
        p.drawRect(QRectF(10.5, 10.5, 7, 7));
    }
}

void pipette(QPainter& p, const QColor& drop)
{
    p.save();
    p.translate(10, 10);
    p.rotate(45);
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(200, 210, 224));
    p.drawRect(QRectF(-1.5, -8, 3, 9));
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(-2.5, -9, 5, 3), 1, 1);
    p.setBrush(drop);
    QPolygonF tip{QPointF(-1.5, 1), QPointF(0, 5), QPointF(1.5, 1)};
    p.drawPolygon(tip);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(drop);
    p.drawEllipse(QRectF(2.2, 14.5, 3.5, 3.5));
}

void brushStyle(QPainter& p, Qt::BrushStyle style)
{
    p.setPen(inkPen(1.0));
    p.setBrush(Paper);
    p.drawRect(QRectF(3, 3, 14, 14));
    if (style == Qt::NoBrush)
        return;
    QBrush brush(Accent, style);
    if (style != Qt::SolidPattern) {
        // Hatch lines every three grid units, drawn by hand so that 1x and 2x match.
        p.save();
        p.setClipRect(QRectF(3.5, 3.5, 13, 13));
        QPen hatch(Accent, 1.0);
        p.setPen(hatch);
        const bool horizontal = style == Qt::HorPattern || style == Qt::CrossPattern;
        const bool vertical = style == Qt::VerPattern || style == Qt::CrossPattern;
        const bool forward = style == Qt::FDiagPattern || style == Qt::DiagCrossPattern;
        const bool backward = style == Qt::BDiagPattern || style == Qt::DiagCrossPattern;
        for (double v = 5.5; v < 17; v += 3) {
            if (horizontal)
                p.drawLine(QPointF(3, v), QPointF(17, v));
            if (vertical)
                p.drawLine(QPointF(v, 3), QPointF(v, 17));
        }
        for (double v = -14; v < 20; v += 4) {
            if (forward)
                p.drawLine(QPointF(3 + v, 3), QPointF(17 + v, 17));
            if (backward)
                p.drawLine(QPointF(3 + v, 17), QPointF(17 + v, 3));
        }
        p.restore();
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRect(QRectF(4.5, 4.5, 11, 11));
}

// The shaded bodies use one light from the upper left.
QLinearGradient shade(QPointF from, QPointF to)
{
    QLinearGradient g(from, to);
    g.setColorAt(0, QColor(214, 232, 252));
    g.setColorAt(0.5, Accent);
    g.setColorAt(1, QColor(24, 58, 110));
    return g;
}

void drawPlus3d(QPainter& p)
{
    QPainterPath plus;
    plus.addRect(QRectF(7.5, 2.5, 5, 15));
    plus.addRect(QRectF(2.5, 7.5, 15, 5));
    plus = plus.simplified();
    p.setPen(inkPen(1.0));
    p.setBrush(shade(QPointF(2, 2), QPointF(18, 18)));
    p.drawPath(plus);
}

void drawBox3d(QPainter& p)
{
    p.setPen(inkPen(1.0));
    QPolygonF top{QPointF(3, 7), QPointF(7, 3), QPointF(17, 3), QPointF(13, 7)};
    QPolygonF right{QPointF(13, 7), QPointF(17, 3), QPointF(17, 13), QPointF(13, 17)};
    p.setBrush(AccentLight);
    p.drawPolygon(top);
    p.setBrush(QColor(30, 76, 140));
    p.drawPolygon(right);
    p.setBrush(Accent);
    p.drawRect(QRectF(3, 7, 10, 10));
}

void drawEllipsoid3d(QPainter& p)
{
    QRadialGradient g(QPointF(7, 7), 11, QPointF(6.5, 6.5));
    g.setColorAt(0, QColor(230, 242, 255));
    g.setColorAt(0.6, Accent);
    g.setColorAt(1, QColor(24, 58, 110));
    p.setPen(inkPen(1.0));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 4, 15, 12));
}

void drawCylinder3d(QPainter& p)
{
    p.setPen(inkPen(1.0));
    p.setBrush(shade(QPointF(4, 0), QPointF(16, 0)));
    QPainterPath body;
    body.moveTo(4, 5);
    body.lineTo(4, 15);
    body.arcTo(QRectF(4, 13, 12, 4), 180, 180);
    body.lineTo(16, 5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(AccentLight);
    p.drawEllipse(QRectF(4, 3, 12, 4));
}

void drawTorus3d(QPainter& p)
{
    QPainterPath ring;
    ring.addEllipse(QRectF(2, 4.5, 16, 11));
    QPainterPath hole;
    hole.addEllipse(QRectF(7, 8, 6, 4));
    p.setPen(inkPen(1.0));
    p.setBrush(shade(QPointF(2, 4), QPointF(18, 16)));
    p.drawPath(ring.subtracted(hole));
}

void drawFrame3d(QPainter& p)
{
    QPainterPath outer;
    outer.addRect(QRectF(2.5, 2.5, 15, 15));
    QPainterPath inner;
    inner.addRect(QRectF(7, 7, 6, 6));
    p.setPen(inkPen(1.0));
    p.setBrush(shade(QPointF(2, 2), QPointF(18, 18)));
    p.drawPath(outer.subtracted(inner));
}

void drawCone3d(QPainter& p)
{
    p.setPen(inkPen(1.0));
    p.setBrush(shade(QPointF(4, 0), QPointF(16, 0)));
    QPainterPath cone;
    cone.moveTo(10, 2.5);
    cone.lineTo(16.5, 15);
    cone.arcTo(QRectF(3.5, 13, 13, 4), 0, -180);
    cone.closeSubpath();
    p.drawPath(cone);
}

void drawJug3d(QPainter& p)
{
    p.setPen(inkPen(1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(12, 6, 6, 7), -90 * 16, 180 * 16);
    p.setBrush(shade(QPointF(3, 0), QPointF(15, 0)));
    QPainterPath jug;
    jug.moveTo(6, 3);
    jug.lineTo(12, 3);
    jug.cubicTo(12, 6, 15, 8, 15, 12);
    jug.cubicTo(15, 16, 13, 17.5, 9, 17.5);
    jug.cubicTo(5, 17.5, 3, 16, 3, 12);
    jug.cubicTo(3, 8, 6, 6, 6, 3);
    jug.closeSubpath();
    p.drawPath(jug);
    p.setBrush(AccentLight);
    p.drawEllipse(QRectF(6, 2, 6, 2));
}

void drawSpring3d(QPainter& p)
{
    QPainterPath coil;
    coil.moveTo(3, 4);
    for (int turn = 0; turn < 4; ++turn) {
        const double y = 4 + turn * 3.3;
        coil.cubicTo(QPointF(20, y - 1.5), QPointF(20, y + 3.0), QPointF(10, y + 3.0));
        coil.cubicTo(QPointF(0, y + 3.0), QPointF(0, y + 1.5), QPointF(3, y + 3.3));
    }
    QPen pen(Accent, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(coil);
    p.setPen(pen);
    p.drawPath(coil);
}

void drawPictureWindow(QPainter& p)
{
    p.setPen(inkPen(1.0));
    p.setBrush(Paper);
    p.drawRect(QRectF(2.5, 3.5, 15, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 170, 90));
    QPolygonF hill{QPointF(3, 16), QPointF(8, 9), QPointF(12, 13), QPointF(14, 11), QPointF(17, 16)};
    p.drawPolygon(hill);
    p.setBrush(Warm);
    p.drawEllipse(QRectF(12, 5, 3.5, 3.5));
}

struct Glyph {
    const char* name;
    std::function<void(QPainter&)> draw;
};

bool writeGlyph(const QString& dir, const Glyph& glyph, int scale)
{
    QImage image(20 * scale, 20 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    glyph.draw(p);
    p.end();
    const QString file = QStringLiteral("%1/%2%3.png").arg(dir, QLatin1String(glyph.name),
                                                           scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale));
    return image.save(file);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_glyphs <output directory>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const std::vector<Glyph> glyphs = {
        {"line", drawLine},
        {"rectangle", drawRectangle},
        {"ellipse", drawEllipse},
        {"roundrect", drawRoundRect},
        {"sector", drawSector},
        {"arc", drawArc},
        {"side", drawSide},
        {"eraser", drawEraser},
        {"text", drawText},
        {"select", drawSelect},
        {"pencil", drawPencil},
        {"fill", drawFill},
        {"pen_solid", [](QPainter& p) { penStyle(p, Qt::SolidLine, {}); }},
        {"pen_dash", [](QPainter& p) { penStyle(p, Qt::CustomDashLine, {3, 1.5}); }},
        {"pen_dot", [](QPainter& p) { penStyle(p, Qt::CustomDashLine, {1, 1}); }},
        {"pen_dashdot", [](QPainter& p) { penStyle(p, Qt::CustomDashLine, {3, 1, 1, 1}); }},
        {"pen_dashdotdot", [](QPainter& p) { penStyle(p, Qt::CustomDashLine, {3, 1, 1, 1, 1, 1}); }},
        {"pen_clear", drawPenClear},
        {"pen_color", [](QPainter& p) { colorBox(p, true); }},
        {"brush_color", [](QPainter& p) { colorBox(p, false); }},
        {"pick_pen", [](QPainter& p) { pipette(p, Ink); }},
        {"pick_brush", [](QPainter& p) { pipette(p, Accent); }},
        {"brush_solid", [](QPainter& p) { brushStyle(p, Qt::SolidPattern); }},
        {"brush_clear", [](QPainter& p) { brushStyle(p, Qt::NoBrush); }},
        {"brush_horizontal", [](QPainter& p) { brushStyle(p, Qt::HorPattern); }},
        {"brush_vertical", [](QPainter& p) { brushStyle(p, Qt::VerPattern); }},
        {"brush_fdiagonal", [](QPainter& p) { brushStyle(p, Qt::FDiagPattern); }},
        {"brush_bdiagonal", [](QPainter& p) { brushStyle(p, Qt::BDiagPattern); }},
        {"brush_cross", [](QPainter& p) { brushStyle(p, Qt::CrossPattern); }},
        {"brush_diagcross", [](QPainter& p) { brushStyle(p, Qt::DiagCrossPattern); }},
        {"plus3d", drawPlus3d},
        {"box3d", drawBox3d},
        {"ellipsoid3d", drawEllipsoid3d},
        {"cylinder3d", drawCylinder3d},
        {"torus3d", drawTorus3d},
        {"frame3d", drawFrame3d},
        {"cone3d", drawCone3d},
        {"jug3d", drawJug3d},
        {"spring3d", drawSpring3d},
        {"picture_window", drawPictureWindow},
    };
    for (const Glyph& glyph : glyphs) {
        for (int scale : {1, 2}) {
            if (!writeGlyph(dir, glyph, scale)) {
                std::fprintf(stderr, "cannot write %s\n", glyph.name);
                return 1;
            }
        }
    }
    return 0;
}
