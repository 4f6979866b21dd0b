#pragma once
// The picture holder: one graphic of any registered class, loaded from a file by the file's
// extension or from the clipboard by format.

#include "platform/framework/graphic.h"

#include <memory>

class TBitmap;
class TIcon;

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    QString ClassName() const override { return QStringLiteral("TPicture"); }

    // Pictures and graphics are copied (a new graphic of the source's class); null empties.
    void Assign(TPersistent* source) override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of value (null empties the holder).
    void SetGraphic(TGraphic* value);
    // Takes over a graphic made elsewhere.
    void SetGraphic(std::unique_ptr<TGraphic> value);

    // The held graphic as a bitmap. A graphic of another class is replaced by a bitmap of the
    // same size and pixels (an empty bitmap when it cannot be converted).
    TBitmap* Bitmap();
    // A bitmap of the graphic's size and pixels (empty for an empty or null graphic). Safe on
    // any thread for graphics whose drawing touches pixels only.
    static std::unique_ptr<TBitmap> BitmapOf(TGraphic* graphic);
    void SetBitmap(TBitmap* value);
    // The held graphic as an icon; another class is replaced by an empty icon.
    TIcon* Icon();

    int Width() const;
    int Height() const;

    // Chooses the class registered for the file's extension (letter case ignored); an
    // unknown one raises EInvalidGraphic "Unknown picture file extension (.%s)". When the
    // graphic fails to read the file, the holder keeps what it held.
    void LoadFromFile(const QString& fileName);
    // The graphic LoadFromFile would hold: the class registered for the file's extension, read
    // from the file. Safe on any thread once the classes are registered.
    static std::unique_ptr<TGraphic> ReadFile(const QString& fileName);
    // The held graphic writes itself in its own format, whatever the file's name says.
    void SaveToFile(const QString& fileName);
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette);
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette);

    // The registries shared by every holder. A later registration of an extension (without
    // its dot, any letter case) replaces the earlier one.
    static void RegisterFileFormat(const QString& extension, const QString& description, TGraphicClass graphicClass);
    static void RegisterClipboardFormat(unsigned short format, TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    static TGraphicClass FindFileFormat(const QString& extension);
    static QString FileFormatDescription(const QString& extension);
    static bool SupportsClipboardFormat(unsigned short format);

    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent* dest) override;
    virtual void Changed(TObject* sender);

private:
    void adopt(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> graphic_;
};
