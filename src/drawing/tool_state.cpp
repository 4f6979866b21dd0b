#include "drawing/tool_state.h"

#include "drawing/color_grid.h"
#include "platform/forms/color_dialog.h"
#include "platform/forms/font_dialog.h"
#include "platform/framework/qcolor_conversion.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdint>

TFont TextFont;
std::unique_ptr<TDibGraphic> ScratchPicture;

void ShowIndicatorColor(QWidget* indicator, TColor color)
{
    if (!indicator)
        return;
    QPalette palette = indicator->palette();
    const QColor shown = ColorToQColor(color);
    palette.setColor(QPalette::Window, shown);
    palette.setColor(QPalette::Base, shown);
    indicator->setPalette(palette);
    indicator->setAutoFillBackground(true);
    // Styles paint some widgets on tool bars from their own palette; a style sheet always wins.
    indicator->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #7a8290;").arg(shown.name()));
}

void ToolState::SetPenStyle(TPenStyle style)
{
    if (TCanvas* canvas = canvas_())
        canvas->Pen()->SetStyle(style);
}

void ToolState::SetBrushStyle(TBrushStyle style)
{
    if (TCanvas* canvas = canvas_())
        canvas->Brush()->SetStyle(style);
}

void ToolState::PenColorClick(TColorDialog& dialog, QWidget* indicator, QWidget* parent)
{
    // Without a picture there is no pen to colour.
    if (!canvas_())
        return;
    dialog.Color = canvas_()->Pen()->Color();
    if (!dialog.Execute(parent))
        return;
    if (TCanvas* canvas = canvas_()) {
        canvas->Pen()->SetColor(dialog.Color);
        ShowIndicatorColor(indicator, canvas->Pen()->Color());
    }
}

void ToolState::BrushColorClick(TColorDialog& dialog, QWidget* indicator, QWidget* parent)
{
    if (!canvas_())
        return;
    dialog.Color = canvas_()->Brush()->Color();
    if (!dialog.Execute(parent))
        return;
    if (TCanvas* canvas = canvas_()) {
        canvas->Brush()->SetColor(dialog.Color);
        ShowIndicatorColor(indicator, canvas->Brush()->Color());
    }
}

void ToolState::PenSizeChange(int position)
{
    if (TCanvas* canvas = canvas_())
        canvas->Pen()->SetWidth(static_cast<int16_t>(position));
}

void ToolState::CColorGrid1Change(const TCColorGrid& grid, QWidget* penIndicator, QWidget* brushIndicator)
{
    TCanvas* canvas = canvas_();
    if (!canvas)
        return;
    canvas->Pen()->SetColor(grid.GetForegroundColor());
    ShowIndicatorColor(penIndicator, canvas->Pen()->Color());
    canvas->Brush()->SetColor(grid.GetBackgroundColor());
    ShowIndicatorColor(brushIndicator, canvas->Brush()->Color());
}

QLineEdit* ToolState::TextClick(QWidget* window, int clientWidth, int clientHeight)
{
    auto* edit = new QLineEdit(window);
    edit->setObjectName(QStringLiteral("TextEdit"));
    edit->move(clientWidth / 2, clientHeight / 2);
    edit->setFont(TextFont.ToQFont());
    edit->show();
    edit->raise();
    edit->setFocus();
    TextEdit = edit;
    CurrentTool = dtText;
    return edit;
}

void ToolState::Font1Click(TFontDialog& dialog, QWidget* parent)
{
    if (dialog.Execute(parent))
        TextFont.Assign(&dialog.Font);
}
