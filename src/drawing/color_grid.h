#pragma once
// The 16-colour palette grid: left button picks the foreground colour, the others the
// background colour; both are marked on their cells.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "platform/framework/graphics_types.h"

enum TGridOrdering : uint8_t { go16x1 = 0, go8x2 = 1, go4x4 = 2, go2x8 = 3, go1x16 = 4 };

class TCColorGrid : public QWidget {
public:
    static constexpr int kCellCount = 16;

    explicit TCColorGrid(QWidget* parent = nullptr);

    TGridOrdering GridOrdering() const { return gridOrdering_; }
    void SetGridOrdering(TGridOrdering value);
    int Columns() const { return 16 >> gridOrdering_; }
    int Rows() const { return 1 << gridOrdering_; }

    int ForegroundIndex() const { return foregroundIndex_; }
    int BackgroundIndex() const { return backgroundIndex_; }
    int Selection() const { return selection_; }
    void SetForegroundIndex(int value);
    void SetBackgroundIndex(int value);
    void SetSelection(int value);

    bool ForegroundEnabled() const { return foregroundEnabled_; }
    bool BackgroundEnabled() const { return backgroundEnabled_; }
    void EnableForeground(bool value);
    void EnableBackground(bool value);
    bool ClickEnablesColor() const { return clickEnablesColor_; }
    void SetClickEnablesColor(bool value) { clickEnablesColor_ = value; }
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    // A tab stop takes the keyboard focus on a click and can be reached with Tab.
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);

    TColor GetForegroundColor() const { return CellColor(foregroundIndex_); }
    TColor GetBackgroundColor() const { return CellColor(backgroundIndex_); }
    // The colour shown in a cell as a canvas colour 0x00BBGGRR (black for an index outside 0..15).
    TColor CellColor(int index) const;

    int CellWidth() const { return width() / Columns(); }
    int CellHeight() const { return height() / Rows(); }
    QRect CellRect(int index) const;
    int SquareFromPos(int x, int y) const;
    // The mark a cell carries: "FG", "BG", "FB" (both choices on it) or nothing.
    QString CellLabel(int index) const;

    std::function<void(TCColorGrid* sender)> OnChange;
    std::function<void(TCColorGrid* sender)> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    virtual void Change();

private:
    void UpdateCellSizes(bool repaint);
    void DrawSquare(QPainter& p, int index, bool highlighted) const;
    void DrawFgBg(QPainter& p) const;
    void drawLabel(QPainter& p, int index, const QString& text) const;
    // Re-enables a disabled choice for a click or key; its index becomes -1 so the following
    // set always counts as a change.
    void enableForClick(bool foreground);
    void pick(bool foreground, int cell);

    TColor colors_[kCellCount];
    TGridOrdering gridOrdering_ = go4x4;
    int foregroundIndex_ = 0;
    int backgroundIndex_ = 0;
    int selection_ = 0;
    bool foregroundEnabled_ = true;
    bool backgroundEnabled_ = true;
    bool clickEnablesColor_ = false;
    bool ctl3D_ = true;
    bool tabStop_ = true;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool dragging_ = false;
};
