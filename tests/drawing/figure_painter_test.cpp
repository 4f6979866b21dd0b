#include "drawing/figure_painter.h"
#include "drawing_test_host.h"
#include "reference_bitmap.h"
#include "reference_cases.h"

#include "drawing/tool_state.h"
#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

// A case of the reference corpus as its directive lines; empty when there is no such case.
QStringList referenceCase(const QString& name)
{
    QStringList lines;
    if (const ReferenceCase* c = findReferenceCase(name.toStdString()))
        for (const ReferenceLine& line : c->lines)
            lines << QString::fromStdString(line.text());
    return lines;
}

std::optional<ReferenceBitmap> referencePicture(const QString& name)
{
    return readReferenceBitmap(referencePicturePath(name.toStdString()));
}

// "#rrggbb" as a canvas colour (red lowest).
int32_t referenceColor(const QString& token)
{
    const uint32_t rgb = token.mid(1).toUInt(nullptr, 16);
    return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

TImageFormat formatForDepth(int bpp)
{
    switch (bpp) {
    case 1: return ifBlackWhite;
    case 4: return ifColor16;
    case 8: return ifColor256;
    default: return ifTrueColor;
    }
}

void expectPicture(const TestHost& host, const ReferenceBitmap& expected, const QString& name)
{
    ASSERT_EQ(host.picture->GetWidth(), expected.width);
    ASSERT_EQ(host.picture->GetHeight(), expected.height);
    const std::vector<uint32_t> actual = host.pixels();
    int wrong = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        const int x = static_cast<int>(i % expected.width), y = static_cast<int>(i / expected.width);
        if (actual[i] != expected.rgbAt(x, y) && ++wrong <= 3)
            ADD_FAILURE() << name.toStdString() << ": pixel (" << x << ", " << y << ") is " << std::hex << actual[i]
                          << ", expected " << expected.rgbAt(x, y);
    }
    EXPECT_EQ(wrong, 0) << name.toStdString();
}

// A host set up as a reference case: picture format, white fill, the case's first pen and brush.
std::unique_ptr<TestHost> hostForCase(const QStringList& lines)
{
    std::unique_ptr<TestHost> host;
    bool penSet = false;
    for (const QString& line : lines) {
        const QStringList t = line.split(u' ', Qt::SkipEmptyParts);
        if (t[0] == QStringLiteral("dib")) {
            host = std::make_unique<TestHost>(t[1].toInt(), t[2].toInt(), formatForDepth(t[3].toInt()));
        } else if (t[0] == QStringLiteral("SelectPen") && !penSet && host) {
            host->canvas().Pen()->SetWidth(t[2].toInt());
            host->canvas().Pen()->SetColor(referenceColor(t[3]));
            penSet = true;
        } else if (t[0] == QStringLiteral("SelectBrush") && host) {
            if (t[1] == QStringLiteral("null")) {
                host->canvas().Brush()->SetStyle(bsClear);
            } else if (t[1] == QStringLiteral("hatch")) {
                host->canvas().Brush()->SetStyle(t[2] == QStringLiteral("HS_BDIAGONAL") ? bsBDiagonal : bsCross);
                host->canvas().Brush()->SetColor(referenceColor(t[3]));
            } else {
                host->canvas().Brush()->SetStyle(bsSolid);
                host->canvas().Brush()->SetColor(referenceColor(t[2]));
            }
        }
    }
    return host;
}

struct ReferenceDrag {
    const char* name;
    DrawingTool tool;
};

class EditorReference : public ::testing::TestWithParam<ReferenceDrag> {};

// Each case holds the calls the editor makes for one drag; the figure painted for that drag
// must give the same pixels.
TEST_P(EditorReference, FinalPaintMatchesReference)
{
    const QString name = QString::fromLatin1(GetParam().name);
    const QStringList lines = referenceCase(name);
    ASSERT_FALSE(lines.isEmpty()) << "no case " << GetParam().name;
    std::unique_ptr<TestHost> host = hostForCase(lines);
    ASSERT_TRUE(host);
    TPoint s{}, e{};
    const QRegularExpression drag(QStringLiteral(R"(drag \((-?\d+),(-?\d+)\)->\((-?\d+),(-?\d+)\))"));
    if (const auto m = drag.match(lines.join(u'\n')); m.hasMatch()) {
        s = {m.captured(1).toInt(), m.captured(2).toInt()};
        e = {m.captured(3).toInt(), m.captured(4).toInt()};
    } else {
        // The side band's cases carry no note: its first line starts one pixel right and down.
        const QStringList move = lines.filter(QStringLiteral("MoveTo")).first().split(u' ');
        const QStringList line = lines.filter(QStringLiteral("LineTo")).first().split(u' ');
        s = {move[1].toInt() - 1, move[2].toInt() - 1};
        e = {line[1].toInt() - 1, line[2].toInt() - 1};
    }
    const int width = host->canvas().Pen()->Width();
    host->tool = GetParam().tool;
    PaintFigure(*host, true, gdi::R2_COPYPEN, s, e);
    const auto expected = referencePicture(name);
    ASSERT_TRUE(expected);
    expectPicture(*host, *expected, name);
    EXPECT_EQ(host->canvas().Pen()->Width(), width);
    EXPECT_TRUE(host->Modified);
}

const ReferenceDrag kReferenceDrags[] = {
    {"editor_arc_dl_w1_24", dtArc}, {"editor_arc_dl_w3_24", dtArc}, {"editor_arc_dot_w1_24", dtArc},
    {"editor_arc_dot_w3_24", dtArc}, {"editor_arc_dr_w1_24", dtArc}, {"editor_arc_dr_w1_8", dtArc},
    {"editor_arc_dr_w3_24", dtArc}, {"editor_arc_odd_w1_24", dtArc}, {"editor_arc_one_w1_24", dtArc},
    {"editor_arc_one_w3_24", dtArc}, {"editor_arc_ul_w1_24", dtArc}, {"editor_arc_ul_w1_8", dtArc},
    {"editor_arc_ul_w3_24", dtArc}, {"editor_arc_ur_w1_24", dtArc}, {"editor_arc_ur_w3_24", dtArc},
    {"editor_roundrect_dl_w1_24", dtRoundRect}, {"editor_roundrect_dot_w1_24", dtRoundRect},
    {"editor_roundrect_dr_w1_24", dtRoundRect}, {"editor_roundrect_dr_w1_8", dtRoundRect},
    {"editor_roundrect_odd_w1_24", dtRoundRect}, {"editor_roundrect_one_w1_24", dtRoundRect},
    {"editor_roundrect_ul_w1_24", dtRoundRect}, {"editor_roundrect_ul_w1_8", dtRoundRect},
    {"editor_roundrect_ur_w1_24", dtRoundRect}, {"editor_sector_dl_w1_24", dtSector},
    {"editor_sector_dl_w3_24", dtSector}, {"editor_sector_dot_w1_24", dtSector},
    {"editor_sector_dot_w3_24", dtSector}, {"editor_sector_dr_w1_24", dtSector},
    {"editor_sector_dr_w1_8", dtSector}, {"editor_sector_dr_w3_24", dtSector},
    {"editor_sector_odd_w1_24", dtSector}, {"editor_sector_one_w1_24", dtSector},
    {"editor_sector_one_w3_24", dtSector}, {"editor_sector_ul_w1_24", dtSector},
    {"editor_sector_ul_w1_8", dtSector}, {"editor_sector_ul_w3_24", dtSector},
    {"editor_sector_ur_w1_24", dtSector}, {"editor_sector_ur_w3_24", dtSector},
    {"editor_side_w5_24", dtSide}, {"editor_side_w5_8", dtSide},
};

INSTANTIATE_TEST_SUITE_P(Cases, EditorReference, ::testing::ValuesIn(kReferenceDrags),
                         [](const auto& info) { return std::string(info.param.name); });

// A freehand drag: every move continues from where the last one ended, a negative coordinate
// continuing one step toward zero.
TEST(Pencil, DragMatchesReference)
{
    const QStringList lines = referenceCase(QStringLiteral("editor_pencil_24"));
    std::unique_ptr<TestHost> host = hostForCase(lines);
    ASSERT_TRUE(host);
    host->tool = dtPencil;
    host->canvas().Pen()->SetMode(gdi::R2_NOTXORPEN);
    host->mouse.MouseDown(5, 5);
    for (const TPoint p : {TPoint{9, 6}, TPoint{12, 12}, TPoint{12, 12}, TPoint{-3, 14}, TPoint{0, 20}, TPoint{31, 23}})
        host->mouse.MouseMove(p.x, p.y);
    host->mouse.MouseUp(40, 2);
    const auto expected = referencePicture(QStringLiteral("editor_pencil_24"));
    ASSERT_TRUE(expected);
    expectPicture(*host, *expected, QStringLiteral("editor_pencil_24"));
    EXPECT_EQ(host->canvas().PenPos().x, 40);
}

TEST(Eraser, DrawsWhiteWhateverThePenColour)
{
    TestHost host(20, 10);
    host.canvas().Brush()->SetColor(clBlack);
    host.canvas().FillRect(TRect{0, 0, 20, 10});
    host.canvas().Pen()->SetColor(clRed);
    host.tool = dtEraser;
    host.canvas().MoveTo(2, 5);
    PaintFigure(host, false, gdi::R2_NOTXORPEN, TPoint{2, 5}, TPoint{12, 5});
    EXPECT_EQ(host.picture->GetPixelRGB(2, 5), 0xFFFFFFu);
    EXPECT_EQ(host.picture->GetPixelRGB(11, 5), 0xFFFFFFu);
    EXPECT_EQ(host.picture->GetPixelRGB(12, 5), 0u); // LineTo leaves the end pixel
    EXPECT_EQ(host.canvas().Pen()->Mode(), gdi::R2_NOTXORPEN);
    EXPECT_EQ(host.canvas().PenPos().x, 12);
    // Continuing from a negative end: one step toward zero.
    PaintFigure(host, false, gdi::R2_COPYPEN, TPoint{2, 5}, TPoint{-3, -2});
    EXPECT_EQ(host.canvas().PenPos().x, -2);
    EXPECT_EQ(host.canvas().PenPos().y, -1);
}

// The flood fill of the pixel's own colour, against the reference on every depth it covers.
TEST(Fill, FillsTheAreaOfThePixelsColour)
{
    for (const char* name : {"flood_editor_1", "flood_editor_4", "flood_editor_8", "flood_editor_24"}) {
        SCOPED_TRACE(name);
        const QStringList lines = referenceCase(QString::fromLatin1(name));
        ASSERT_FALSE(lines.isEmpty());
        std::unique_ptr<TestHost> host = hostForCase(lines);
        ASSERT_TRUE(host);
        TCanvas& canvas = host->canvas();
        const TColor brush = canvas.Brush()->Color();
        const TBrushStyle brushStyle = canvas.Brush()->Style();
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(2, 2, 14, 12);
        canvas.MoveTo(18, 2);
        canvas.LineTo(30, 2);
        canvas.LineTo(30, 12);
        canvas.LineTo(18, 12);
        canvas.LineTo(18, 6);
        canvas.MoveTo(2, 14);
        canvas.LineTo(12, 23);
        canvas.MoveTo(0, 14);
        canvas.LineTo(12, 14);
        canvas.Brush()->SetStyle(brushStyle);
        canvas.Brush()->SetColor(brush);
        host->tool = dtFill;
        PaintFigure(*host, true, gdi::R2_COPYPEN, TPoint{0, 0}, TPoint{24, 8});
        const auto expected = referencePicture(QString::fromLatin1(name));
        ASSERT_TRUE(expected);
        expectPicture(*host, *expected, QString::fromLatin1(name));
    }
}

TEST(Fill, OutsideThePictureFillsNothing)
{
    TestHost host(8, 8);
    host.canvas().Brush()->SetColor(clRed);
    const auto before = host.pixels();
    host.tool = dtFill;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{0, 0}, TPoint{-1, 3});
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{0, 0}, TPoint{3, 8});
    EXPECT_EQ(host.pixels(), before);
}

TEST(Pickers, TakeThePixelColourAndShowIt)
{
    TestHost host(8, 8);
    host.picture->SetPixelRGB(3, 4, 0x102030);
    host.tool = dtPickBrushColor;
    PaintFigure(host, false, gdi::R2_NOTXORPEN, TPoint{0, 0}, TPoint{3, 4});
    EXPECT_EQ(host.canvas().Brush()->Color(), 0x302010);
    EXPECT_EQ(host.shownBrush, 0x302010);
    host.tool = dtPickPenColor;
    PaintFigure(host, false, gdi::R2_NOTXORPEN, TPoint{0, 0}, TPoint{3, 4});
    EXPECT_EQ(host.canvas().Pen()->Color(), 0x302010);
    EXPECT_EQ(host.shownPen, 0x302010);
    EXPECT_TRUE(host.Modified);
}

// Outside the picture the read's invalid-colour answer becomes the colour; drawn, it is black.
TEST(Pickers, OutsideThePictureGiveAllBitsSetShownAsBlack)
{
    TestHost host(8, 8);
    host.tool = dtPickBrushColor;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{0, 0}, TPoint{8, 2});
    EXPECT_EQ(host.canvas().Brush()->Color(), static_cast<TColor>(0xFFFFFFFFu));
    EXPECT_EQ(host.shownBrush, static_cast<TColor>(0xFFFFFFFFu));
    host.tool = dtPickPenColor;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{0, 0}, TPoint{-1, -1});
    EXPECT_EQ(host.canvas().Pen()->Color(), static_cast<TColor>(0xFFFFFFFFu));
    host.tool = dtRectangle;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{1, 1}, TPoint{7, 7});
    EXPECT_EQ(host.picture->GetPixelRGB(1, 1), 0u);
    EXPECT_EQ(host.picture->GetPixelRGB(4, 4), 0u);
}

TEST(Text, StampsAtTheStartAndEndsEntryOnlyAtTheFinalPaint)
{
    TestHost host(80, 30);
    host.tool = dtText;
    host.text = QStringLiteral("Ж");
    host.canvas().Brush()->SetStyle(bsClear);
    PaintFigure(host, false, gdi::R2_NOTXORPEN, TPoint{5, 5}, TPoint{60, 20});
    const auto once = host.pixels();
    EXPECT_NE(once, TestHost(80, 30).pixels());
    // Stamped again at the same place: the inverting mode plays no part.
    PaintFigure(host, false, gdi::R2_NOTXORPEN, TPoint{5, 5}, TPoint{60, 20});
    EXPECT_EQ(host.pixels(), once);
    EXPECT_EQ(host.textEnded, 0);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{5, 5}, TPoint{60, 20});
    EXPECT_EQ(host.textEnded, 1);
    EXPECT_EQ(host.tool, dtLine);
    for (int y = 0; y < 30; ++y)
        EXPECT_EQ(host.picture->GetPixelRGB(2, y), 0xFFFFFFu) << "nothing left of the start point";
}

TEST(Text, OpaqueBackgroundWithASolidBrush)
{
    TestHost host(80, 30);
    host.tool = dtText;
    host.text = QStringLiteral("i");
    host.canvas().Brush()->SetColor(clBlue);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{5, 5}, TPoint{5, 5});
    EXPECT_EQ(host.picture->GetPixelRGB(5, 5), 0x0000FFu);
}

TEST(Text, WithoutATextFieldNothingIsPainted)
{
    TestHost host(40, 20);
    host.tool = dtText;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{5, 5}, TPoint{5, 5});
    EXPECT_EQ(host.pixels(), TestHost(40, 20).pixels());
}

// Bounding-box figures do not depend on the drag's direction.
TEST(FlatFigures, OppositeDragsGiveTheSameFigure)
{
    for (const DrawingTool tool : {dtRectangle, dtEllipse, dtRoundRect}) {
        SCOPED_TRACE(int(tool));
        TestHost forward(32, 24), backward(32, 24), upward(32, 24);
        for (TestHost* h : {&forward, &backward, &upward}) {
            h->tool = tool;
            h->canvas().Pen()->SetColor(clRed);
            h->canvas().Brush()->SetColor(clGreen);
        }
        PaintFigure(forward, true, gdi::R2_COPYPEN, TPoint{4, 3}, TPoint{27, 20});
        PaintFigure(backward, true, gdi::R2_COPYPEN, TPoint{27, 20}, TPoint{4, 3});
        PaintFigure(upward, true, gdi::R2_COPYPEN, TPoint{4, 20}, TPoint{27, 3});
        EXPECT_EQ(forward.pixels(), backward.pixels());
        EXPECT_EQ(forward.pixels(), upward.pixels());
        EXPECT_NE(forward.pixels(), TestHost(32, 24).pixels());
    }
}

TEST(FlatFigures, LineAndRectangleExactPixels)
{
    TestHost host(10, 8);
    host.tool = dtLine;
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{1, 1}, TPoint{6, 1});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(host.picture->GetPixelRGB(x, 1), x >= 1 && x < 6 ? 0u : 0xFFFFFFu) << x;
    host.tool = dtRectangle;
    host.canvas().Brush()->SetColor(clRed);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{2, 3}, TPoint{6, 7});
    EXPECT_EQ(host.picture->GetPixelRGB(2, 3), 0u);
    EXPECT_EQ(host.picture->GetPixelRGB(5, 6), 0u);
    EXPECT_EQ(host.picture->GetPixelRGB(6, 6), 0xFFFFFFu); // right and bottom edges excluded
    EXPECT_EQ(host.picture->GetPixelRGB(3, 4), 0xFF0000u);
}

TEST(FlatFigures, WidthZeroSectorAndSidePaintNothing)
{
    for (const DrawingTool tool : {dtSector, dtSide}) {
        TestHost host(20, 20);
        host.tool = tool;
        host.canvas().Pen()->SetWidth(0);
        PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{2, 2}, TPoint{15, 12});
        EXPECT_EQ(host.pixels(), TestHost(20, 20).pixels());
        EXPECT_EQ(host.canvas().Pen()->Width(), 0);
    }
}

TEST(PaintFigure, ToolOutsideTheRangePaintsNothingButMarksModified)
{
    TestHost host(10, 10);
    host.tool = static_cast<DrawingTool>(24);
    PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{1, 1}, TPoint{8, 8});
    EXPECT_EQ(host.pixels(), TestHost(10, 10).pixels());
    EXPECT_TRUE(host.Modified);
    EXPECT_EQ(host.canvas().Pen()->Mode(), gdi::R2_COPYPEN);
}

} // namespace
