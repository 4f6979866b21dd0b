#pragma once
// Holds a bar's contents at no less than their minimum size. Where the bar has less room along
// its orientation, the contents keep their places and are clipped at the far end (the mouse
// wheel scrolls them into view) instead of being squeezed over each other.

#include <QWidget>

class ClippingBox : public QWidget {
public:
    ClippingBox(QWidget* contents, Qt::Orientation orientation, QWidget* parent = nullptr);

    QWidget* contents() const { return contents_; }
    // How far the contents are scrolled along the orientation, in pixels.
    int offset() const { return offset_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int along(QSize size) const { return orientation_ == Qt::Horizontal ? size.width() : size.height(); }
    void placeContents();

    QWidget* contents_;
    Qt::Orientation orientation_;
    int offset_ = 0;
};
