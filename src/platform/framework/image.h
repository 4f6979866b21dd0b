#pragma once
// The image component without a window of its own: a picture holder with the component's
// bounds, sizing and transparency, and a canvas on the held bitmap. Widgets that show an
// image render it and listen to OnPictureChanged.

#include "platform/framework/canvas.h"
#include "platform/framework/picture.h"

#include <functional>

class TImage : public TPersistent {
public:
    TImage();
    ~TImage() override;
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    QString ClassName() const override { return QStringLiteral("TImage"); }

    TPicture* Picture()
    {
        SettlePicture();
        return &picture_;
    }
    void SetPicture(TPicture* value) { Picture()->Assign(value); }

    // Work that brings the picture up to date, put off until the picture or its canvas is next
    // asked for: work repeated many times in a row (a slider dragged, effects applied one after
    // another) then runs once. width and height are the picture's size once it has run. A later
    // deferral replaces an earlier one, which it must make unnecessary.
    void DeferPictureUpdate(std::function<void()> update, int width, int height);
    bool PictureUpdatePending() const { return static_cast<bool>(pendingUpdate_); }
    // Runs the deferred work now, if there is any.
    void SettlePicture();
    // The picture's size, also while work on it is deferred (which this does not run).
    int PictureWidth() const { return pendingUpdate_ ? pendingWidth_ : picture_.Width(); }
    int PictureHeight() const { return pendingUpdate_ ? pendingHeight_ : picture_.Height(); }

    // The canvas of the held bitmap. An empty holder first gets a bitmap of the image's own
    // size; a holder with another kind of graphic raises EInvalidOperation "Can only modify
    // an image if it contains a bitmap".
    TCanvas* Canvas();

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }

    // With AutoSize the image takes its picture's size whenever the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    // Passed on to the held graphic: a transparent bitmap leaves out its transparent colour.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }

    // Where the picture lands inside the image's bounds (origin at the image's top-left).
    TRect DestRect() const;
    // Paints the picture onto a canvas whose origin is the image's top-left.
    void Paint(TCanvas& canvas);

    // After every change of the picture or its pixels.
    TNotifyEvent OnPictureChanged;

private:
    void PictureChanged(TObject* sender);

    TPicture picture_;
    std::function<void()> pendingUpdate_;
    int pendingWidth_ = 0;
    int pendingHeight_ = 0;
    int left_ = 0;
    int top_ = 0;
    int width_ = 105;
    int height_ = 105;
    bool autoSize_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
    bool visible_ = true;
    bool inPictureChanged_ = false;
};
