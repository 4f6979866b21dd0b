// Pen, brush and colour controls acting on a canvas, with the real colour and font dialogs
// answered through the modal seam.

#include "drawing/color_grid.h"
#include "platform/forms/color_dialog.h"
#include "platform/forms/font_dialog.h"
#include "platform/framework/qcolor_conversion.h"
#include "drawing/tool_state.h"
#include "modal_script.h"
#include "platform/framework/canvas.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using widget_test::ModalScript;

// Picks a colour in the colour dialog, then confirms it with its own OK button.
widget_test::Answer pickColor(QColor color)
{
    return [color](QDialog& dialog) {
        auto& colors = dynamic_cast<QColorDialog&>(dialog);
        colors.setCurrentColor(color);
        widget_test::pressButton(QStringLiteral("OK"))(dialog);
    };
}

QColor shownColor(const QWidget* indicator, QPalette::ColorRole role)
{
    return indicator->palette().color(role);
}

class ToolStateTest : public ::testing::Test {
protected:
    TCanvas canvas;
    ToolState tools{[this] { return &canvas; }};
    TColorDialog dialog;
    QLabel penIndicator;
    QLineEdit brushIndicator;
};

TEST_F(ToolStateTest, PenColourDialogSetsPenAndIndicatorAndCancelChangesNothing)
{
    ModalScript script;
    script.then(pickColor(QColor(10, 20, 30))).then(widget_test::pressButton(QStringLiteral("Cancel")));

    tools.PenColorClick(dialog, &penIndicator, nullptr);
    EXPECT_EQ(canvas.Pen()->Color(), 0x1E140A); // blue byte first
    EXPECT_EQ(shownColor(&penIndicator, QPalette::Window), QColor(10, 20, 30));

    tools.PenColorClick(dialog, &penIndicator, nullptr);
    EXPECT_EQ(canvas.Pen()->Color(), 0x1E140A);
    EXPECT_EQ(shownColor(&penIndicator, QPalette::Window), QColor(10, 20, 30));
    EXPECT_EQ(script.count(), 2);
}

TEST_F(ToolStateTest, BrushColourDialogStartsFromTheBrushColour)
{
    canvas.Brush()->SetColor(0x0000FF);
    QColor offered;
    ModalScript script;
    script.then([&](QDialog& shown) {
        offered = dynamic_cast<QColorDialog&>(shown).currentColor();
        pickColor(QColor(0, 128, 0))(shown);
    });
    tools.BrushColorClick(dialog, &brushIndicator, nullptr);
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(canvas.Brush()->Color(), 0x008000);
    EXPECT_EQ(shownColor(&brushIndicator, QPalette::Base), QColor(0, 128, 0));
}

TEST_F(ToolStateTest, CustomColoursStartFromTheSixteenAndStayWithTheirDialog)
{
    QList<QColor> seen;
    ModalScript script;
    script
        .then([&](QDialog& shown) {
            for (int i = 0; i < 16; ++i)
                seen.append(QColorDialog::customColor(i));
            QColorDialog::setCustomColor(0, QColor(1, 2, 3));
            pickColor(Qt::black)(shown);
        });
    tools.PenColorClick(dialog, &penIndicator, nullptr);
    ASSERT_EQ(seen.size(), 16);
    EXPECT_EQ(seen[0], QColor(0x84, 0x84, 0xFF)); // "ColorA=FF8484"
    EXPECT_EQ(seen[15], QColor(0xCC, 0xB7, 0xC0)); // "ColorP=C0B7CC"
    EXPECT_EQ(dialog.CustomColors[0], 0x030201);

    // Another window's dialog still offers the sixteen it started with.
    TColorDialog other;
    QColor otherFirst;
    script.then([&](QDialog& shown) {
        otherFirst = QColorDialog::customColor(0);
        pickColor(Qt::black)(shown);
    });
    tools.PenColorClick(other, &penIndicator, nullptr);
    EXPECT_EQ(otherFirst, QColor(0x84, 0x84, 0xFF));
}

TEST_F(ToolStateTest, WithoutAPictureTheColourButtonsShowNoDialog)
{
    ToolState noPicture([] { return static_cast<TCanvas*>(nullptr); });
    ModalScript script;
    noPicture.PenColorClick(dialog, &penIndicator, nullptr);
    noPicture.BrushColorClick(dialog, &brushIndicator, nullptr);
    EXPECT_EQ(script.count(), 0);
}

TEST_F(ToolStateTest, GridChangeAppliesBothChoicesEveryTime)
{
    TCColorGrid grid;
    grid.SetGridOrdering(go8x2);
    grid.SetForegroundIndex(4);
    grid.SetBackgroundIndex(9);
    canvas.Brush()->SetColor(0x123456); // as a dialog or the picker would leave it
    tools.CColorGrid1Change(grid, &penIndicator, &brushIndicator);
    EXPECT_EQ(canvas.Pen()->Color(), grid.CellColor(4));
    EXPECT_EQ(canvas.Brush()->Color(), grid.CellColor(9));
    EXPECT_EQ(shownColor(&brushIndicator, QPalette::Base), ColorToQColor(grid.CellColor(9)));
}

TEST_F(ToolStateTest, StylesAndPenWidth)
{
    tools.SetPenStyle(psDashDot);
    tools.SetBrushStyle(bsDiagCross);
    EXPECT_EQ(canvas.Pen()->Style(), psDashDot);
    EXPECT_EQ(canvas.Brush()->Style(), bsDiagCross);
    tools.PenSizeChange(0);
    EXPECT_EQ(canvas.Pen()->Width(), 0);
    // The position is taken as a signed 16-bit value.
    tools.PenSizeChange(65535);
    EXPECT_EQ(canvas.Pen()->Width(), -1);
}

TEST_F(ToolStateTest, TextClickTwiceLeavesTwoFieldsAndUsesTheSecond)
{
    QWidget window;
    window.resize(401, 301);
    TextFont.SetHeight(-20);
    QLineEdit* first = tools.TextClick(&window, 401, 301);
    QLineEdit* second = tools.TextClick(&window, 401, 301);
    EXPECT_NE(first, second);
    EXPECT_EQ(tools.TextEdit.data(), second);
    EXPECT_EQ(tools.CurrentTool, dtText);
    EXPECT_EQ(second->pos(), QPoint(200, 150));
    EXPECT_EQ(second->font().pixelSize(), 20);
    EXPECT_EQ(window.findChildren<QLineEdit*>().size(), 2);
}

TEST(FontDialog, ConfirmedFontBecomesTextFontCancelledLeavesIt)
{
    TFontDialog dialog;
    EXPECT_EQ(dialog.Font.Height(), -13);
    TextFont.Assign(&dialog.Font);
    ModalScript script;
    script
        .then([](QDialog& shown) {
            auto& fonts = dynamic_cast<QFontDialog&>(shown);
            QFont chosen(QStringLiteral("DejaVu Serif"));
            chosen.setPixelSize(24);
            chosen.setBold(true);
            fonts.setCurrentFont(chosen);
            widget_test::pressButton(QStringLiteral("OK"))(shown);
        })
        .then(widget_test::pressButton(QStringLiteral("Cancel")));
    ToolState::Font1Click(dialog, nullptr);
    EXPECT_EQ(TextFont.Name(), QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(TextFont.Style() & fsBold);
    const TFont chosen = TextFont;
    ToolState::Font1Click(dialog, nullptr);
    EXPECT_TRUE(TextFont == chosen);
}

} // namespace
