#pragma once
// A ruler: a track bar with numbers written along it on a transparent overlay.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <vector>

#include "editing/slider.h"

// The overlay image: white pixels of its bitmap are not painted, so only the digits show.
class TRulerOverlay : public QWidget {
public:
    explicit TRulerOverlay(QWidget* parent);

    // The bitmap is made once, on the first rebuild, and keeps that size; it has the screen's
    // pixels, scale per unit of the ruler.
    bool HasBitmap() const { return !bitmap_.isNull(); }
    QImage& Bitmap() { return bitmap_; }
    const QImage& Bitmap() const { return bitmap_; }
    void EnsureBitmap(int width, int height, qreal scale = 1);
    // Call after drawing into the bitmap.
    void BitmapChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage bitmap_;
    QImage shown_; // the bitmap with white made transparent
};

class TLabeledSlider : public TSlider {
public:
    explicit TLabeledSlider(QWidget* parent = nullptr);

    int LabelInterval() const { return labelInterval_; }
    void SetLabelInterval(int v);
    int LabelTop() const { return labelTop_; }
    void SetLabelTop(int v);
    int FontSize() const { return fontSize_; }
    void SetFontSize(int v);

    struct Label {
        int value = 0;
        QPoint position; // top-left of the text in the overlay
    };
    // The labels written by the last rebuild.
    const std::vector<Label>& Labels() const { return labels_; }
    TRulerOverlay* Overlay() const { return overlay_; }
    // How far across the ruler the label of v reaches: LabelTop plus the width of its text.
    int LabelExtent(int v) const;
    // Keeps a vertical ruler at least minimumWidth wide and wide enough for the label of v, in
    // whatever font it has now or is given later.
    void FitWidthToLabel(int minimumWidth, int v);

    // Where label v goes on a ruler of this length; Max must be at least 1. The factors are the
    // exact decimals the ruler has always used, so positions match its ticks pixel for pixel.
    static int HorizontalLabelX(int v, int width, int max);
    static int VerticalLabelY(int v, int height, int max);

protected:
    void CreateParams() override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuildLabels();
    QFont labelFont() const;
    void fitWidth();

    int labelInterval_ = 10;
    int fontSize_ = 8;
    int labelTop_ = 8;
    TRulerOverlay* overlay_;
    std::vector<Label> labels_;
    int fitMinimumWidth_ = 0;
    int fitValue_ = -1; // none
};
