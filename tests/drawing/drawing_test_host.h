#pragma once
// A picture window stand-in for figure painting and the mouse protocol: a bare picture, the
// window's fields, and a record of what the protocol asked of the window.

#include "drawing/figure_host.h"
#include "drawing/picture_mouse.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"

#include <memory>
#include <vector>

class TestHost : public FigureHost {
public:
    TestHost(int width, int height, TImageFormat format = ifTrueColor)
    {
        picture->NewImage(width, height, format, nullptr, 0, 0);
        TCanvas& canvas = *picture->Canvas();
        canvas.Brush()->SetColor(clWhite);
        canvas.FillRect(TRect{0, 0, width, height});
    }

    TCanvas& canvas() { return *picture->Canvas(); }
    std::vector<uint32_t> pixels() const
    {
        std::vector<uint32_t> out;
        for (int y = 0; y < picture->GetHeight(); ++y)
            for (int x = 0; x < picture->GetWidth(); ++x)
                out.push_back(picture->GetPixelRGB(x, y));
        return out;
    }

    TDibGraphic* Picture() override { return picture.get(); }
    DrawingTool CurrentTool() const override { return tool; }
    void SetModified() override { Modified = true; }
    std::optional<QString> TextEntry() const override { return text; }
    void EndTextEntry() override
    {
        text.reset();
        tool = dtLine;
        ++textEnded;
    }
    void ShowBrushColor(TColor color) override { shownBrush = color; }
    void ShowPenColor(TColor color) override { shownPen = color; }
    float ZoomPercent() const override { return zoom; }
    TPoint ScrollPosition() const override { return scroll; }
    void SetHorzScrollPosition(int position) override { scroll.x = position; }
    void SetVertScrollPosition(int position) override { scroll.y = position; }
    void Redraw() override { ++redraws; }
    void SetStatusText(int panel, const QString& value) override { status[panel] = value; }
    void TakeSnapshot() override { ++snapshots; }
    void UpdateWorkImage() override { ++workImageUpdates; }

    std::unique_ptr<TDibGraphic> picture = std::make_unique<TDibGraphic>();
    DrawingTool tool = dtLine;
    bool Modified = false;
    std::optional<QString> text;
    int textEnded = 0;
    TColor shownBrush = 0x123456, shownPen = 0x123456;
    float zoom = 100.0f;
    TPoint scroll{0, 0};
    int redraws = 0, snapshots = 0, workImageUpdates = 0;
    QString status[4];

    bool Drawing = false;
    TPoint PressPoint{0, 0}, MovePoint{0, 0}, PointerPoint{0, 0};
    bool ButtonReleased = false;
    int MoveCount = 0;
    TPoint SavedScrollPos{0, 0};
    PictureMouse mouse{*this, {Drawing, PressPoint, MovePoint, PointerPoint, ButtonReleased, MoveCount, SavedScrollPos}};
};
