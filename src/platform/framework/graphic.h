#pragma once
// The abstract graphic: anything a picture holder can hold, a canvas can draw, and a file or
// stream can carry.

#include "platform/framework/graphics_types.h"
#include "platform/framework/handles.h"
#include "platform/framework/persistent.h"

#include <memory>

class TCanvas;
class TStream;
class TGraphic;

// How a registry makes an empty graphic of a class (the framework's "graphic class").
using TGraphicClass = std::unique_ptr<TGraphic> (*)();

template <class T>
std::unique_ptr<TGraphic> CreateGraphicOf()
{
    return std::make_unique<T>();
}

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    QString ClassName() const override { return QStringLiteral("TGraphic"); }
    // A new, empty graphic of this graphic's own class.
    virtual std::unique_ptr<TGraphic> Create() const = 0;
    // An empty graphic of this class that writes its files as this one was read (a colour space
    // the file named, for example); for most classes nothing is carried.
    virtual std::unique_ptr<TGraphic> CreateLike() const { return Create(); }

    // Raises the change notification: OnChange with this graphic as sender.
    virtual void Changed(TObject* sender);
    // Draws the whole graphic into rect of the canvas (scaled when the sizes differ).
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

    virtual bool GetEmpty() const = 0;
    virtual int GetHeight() const = 0;
    virtual int GetWidth() const = 0;
    virtual void SetHeight(int value) = 0;
    virtual void SetWidth(int value) = 0;
    virtual bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    // Files: open or create the file and go through the stream slots.
    virtual void LoadFromFile(const QString& fileName);
    virtual void SaveToFile(const QString& fileName);
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    virtual void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) = 0;
    virtual void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) = 0;

    // Property-style access.
    bool Empty() const { return GetEmpty(); }
    int Width() const { return GetWidth(); }
    int Height() const { return GetHeight(); }
    bool Transparent() const { return GetTransparent(); }
    bool Modified() const { return modified_; }
    void SetModified(bool value);

    TNotifyEvent OnChange;

private:
    bool transparent_ = false;
    bool modified_ = false;
};
