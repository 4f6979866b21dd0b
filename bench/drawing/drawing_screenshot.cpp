// Paints every flat figure and every shaded body with several pens and brushes into one
// picture, each through a real press, drag and release, and saves it as a PNG.

#include "drawing/figure_host.h"
#include "drawing/picture_mouse.h"
#include "drawing/tool_state.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

class ScreenshotHost : public FigureHost {
public:
    TDibGraphic picture;
    DrawingTool tool = dtLine;
    std::optional<QString> text;
    TDibGraphic* Picture() override { return &picture; }
    DrawingTool CurrentTool() const override { return tool; }
    void SetModified() override {}
    std::optional<QString> TextEntry() const override { return text; }
    void EndTextEntry() override { text.reset(); }
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("drawing.png");
    ScreenshotHost host;
    const int cell = 150, columns = 6, springColumn = cell * columns;
    host.picture.NewImage(cell * columns + 110, cell * 5, ifTrueColor, nullptr, 0, 0);
    TCanvas& canvas = *host.picture.Canvas();
    canvas.Brush()->SetColor(clWhite);
    canvas.FillRect(TRect{0, 0, cell * columns + 110, cell * 5});

    bool drawing = false, released = false;
    TPoint press{}, move{}, pointer{}, saved{};
    int moves = 0;
    PictureMouse mouse(host, {drawing, press, move, pointer, released, moves, saved});

    struct Figure {
        DrawingTool tool;
        TColor pen, brush;
        int width;
        TPenStyle penStyle;
        TBrushStyle brushStyle;
        bool backward;
    };
    const Figure figures[] = {
        {dtLine, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtLine, clRed, clWhite, 5, psSolid, bsSolid, true},
        {dtRectangle, clNavy, 0x80E0FF, 3, psSolid, bsSolid, false},
        {dtRectangle, clBlack, clGreen, 1, psDash, bsDiagCross, true},
        {dtEllipse, clMaroon, clYellow, 2, psSolid, bsSolid, false},
        {dtRoundRect, clBlue, 0xC0FFC0, 1, psSolid, bsSolid, false},
        {dtSector, clRed, 0x00C000, 3, psSolid, bsSolid, false},
        {dtArc, clPurple, clWhite, 3, psSolid, bsSolid, false},
        {dtSide, clTeal, clWhite, 5, psSolid, bsSolid, false},
        {dtPencil, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtEraser, clBlack, clWhite, 4, psSolid, bsSolid, false},
        {dtText, clBlack, 0xFFE0C0, 1, psSolid, bsSolid, false},
        {dtPlus3D, clBlack, 0x2080FF, 1, psSolid, bsSolid, false},
        {dtPlus3D, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtBox3D, clBlack, 0x40A0E0, 4, psSolid, bsSolid, false},
        {dtBox3D, clNavy, 0xFF8040, 8, psSolid, bsSolid, false},
        {dtEllipsoid3D, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtEllipsoid3D, clBlack, 0x0000FF, 1, psSolid, bsSolid, false},
        {dtCylinder3D, clBlack, 0x20C020, 1, psSolid, bsSolid, false},
        {dtCylinder3D, clBlack, clWhite, 2, psSolid, bsSolid, false},
        {dtTorus3D, clBlack, 0xFF6020, 1, psSolid, bsSolid, false},
        {dtFrame3D, clBlack, 0x20A0FF, 1, psSolid, bsSolid, false},
        {dtCone3D, clBlack, 0x4040FF, 1, psSolid, bsSolid, false},
        {dtCone3D, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtJug3D, clBlack, 0x2090E0, 1, psSolid, bsSolid, false},
        {dtJug3D, clBlack, clWhite, 1, psSolid, bsSolid, false},
        {dtSpring3D, clBlack, 0x30D0FF, 1, psSolid, bsSolid, false},
        {dtSpring3D, clBlack, clWhite, 1, psSolid, bsSolid, false},
        // The clear brush through whole drags: outlines stay unfilled, the box's faces filled.
        {dtBox3D, clBlack, 0x40A0E0, 3, psSolid, bsClear, false},
        {dtCylinder3D, clBlack, 0x20C020, 1, psSolid, bsClear, false},
        {dtCone3D, clBlack, 0x4040FF, 1, psDash, bsClear, false},
        {dtTorus3D, clBlack, 0xFF6020, 1, psSolid, bsClear, false},
    };
    int index = 0;
    for (const Figure& f : figures) {
        const int left = (index % columns) * cell, top = (index / columns) * cell;
        if (f.tool != dtSpring3D)
            ++index;
        host.tool = f.tool;
        canvas.Pen()->SetColor(f.pen);
        canvas.Pen()->SetWidth(f.width);
        canvas.Pen()->SetStyle(f.penStyle);
        canvas.Brush()->SetColor(f.brush);
        canvas.Brush()->SetStyle(f.brushStyle);
        if (f.tool == dtText)
            host.text = QStringLiteral("Пиктаво");
        TPoint s{left + 15, top + 20}, e{left + cell - 15, top + cell - 15};
        if (f.tool == dtBox3D)
            e = {left + cell - 45, top + cell - 15}, s = {left + 15, top + 45};
        if (f.tool == dtPlus3D)
            e.y = top + 90; // wider than high: two crossing bars
        // The coil needs height for its four turns to separate.
        if (f.tool == dtSpring3D) {
            const bool first = f.brush != clWhite;
            s = {springColumn + 10, first ? 10 : 380};
            e = {springColumn + 100, first ? 360 : 740};
        }
        if (f.backward)
            std::swap(s, e);
        mouse.MouseDown(s.x, s.y);
        for (int i = 1; i <= 12; ++i) {
            const int x = s.x + (e.x - s.x) * i / 12;
            const int y = f.tool == dtPencil || f.tool == dtEraser ? s.y + (i % 3) * 40 : s.y + (e.y - s.y) * i / 12;
            mouse.MouseMove(x, y);
        }
        mouse.MouseUp(e.x, f.tool == dtPencil || f.tool == dtEraser ? s.y : e.y);
    }

    QImage image(host.picture.GetWidth(), host.picture.GetHeight(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, host.picture.GetPixelRGB(x, y));
    if (!image.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
