#pragma once
// A track bar with a choice of channel: the picture window's width and height sliders.

#include <QSlider>

#include <functional>

enum TSliderKind : uint8_t { skWide = 0, skThin = 1 };
enum TTickMark : uint8_t { tmBottomRight = 0, tmTopLeft = 1, tmBoth = 2 };
enum TTickStyle : uint8_t { tsNone = 0, tsAuto = 1, tsManual = 2 };

class TSlider : public QSlider {
public:
    explicit TSlider(QWidget* parent = nullptr);
    ~TSlider() override;

    // The track-bar properties the window uses, under their framework names.
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetMin(int v) { setMinimum(v); }
    // Lowering Max below the position moves the position and reports a change.
    void SetMax(int v) { setMaximum(v); }
    void SetPosition(int v) { setValue(v); }
    int PageSize() const { return pageStep(); }
    void SetPageSize(int v) { setPageStep(v); }
    int LineSize() const { return singleStep(); }
    void SetLineSize(int v) { setSingleStep(v); }
    int Frequency() const { return frequency_; }
    void SetFrequency(int v);
    int ThumbLength() const { return thumbLength_; }
    void SetThumbLength(int v);
    TTickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TTickMark v);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle v);
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    void SetSelStart(int v);
    void SetSelEnd(int v);
    bool SliderVisible() const { return sliderVisible_; }
    // Changing it re-creates the window (and so rebuilds a ruler's labels).
    void SetSliderVisible(bool v);

    TSliderKind Kind() const { return kind_; }
    void SetKind(TSliderKind v);

    // Raised whenever the position changes, by the user or by the program.
    std::function<void(TSlider* sender)> OnChange;

    // The window is "created" when the control is first shown or asked for it, and re-created
    // when a creation parameter changes; CreateParams runs each time.
    bool HandleAllocated() const { return handleAllocated_; }
    void HandleNeeded();
    void RecreateWnd();
    // True while the channel is drawn with its selection range (skWide).
    bool SelectionRangeEnabled() const { return selRangeStyle_; }

protected:
    virtual void CreateParams();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Pixel along the channel of a value, and back.
    int valueToPixel(int v) const;
    int pixelToValue(int pixel) const;

private:
    int channelInset() const;
    int channelLength() const;

    TSliderKind kind_ = skThin;
    int frequency_ = 1;
    int thumbLength_ = 20;
    TTickMark tickMarks_ = tmBottomRight;
    TTickStyle tickStyle_ = tsAuto;
    int selStart_ = 0;
    int selEnd_ = 0;
    bool sliderVisible_ = true;
    bool handleAllocated_ = false;
    bool selRangeStyle_ = true;
};
