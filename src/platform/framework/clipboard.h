#pragma once
// The framework's clipboard object over the system clipboard. Pictures travel as CF_BITMAP:
// a device-dependent bitmap in the screen's format. The system clipboard carries no palette,
// so CF_PALETTE is never offered.

#include "platform/framework/handles.h"
#include "platform/framework/persistent.h"

#include <QMetaObject>
#include <QPointer>

class QClipboard;

class TClipboard : public TPersistent {
public:
    TClipboard() = default;
    ~TClipboard() override;
    QString ClassName() const override { return QStringLiteral("TClipboard"); }

    // Kept for callers that bracket their use; the system clipboard needs no opening.
    void Open() { ++openCount_; }
    void Close()
    {
        if (openCount_ > 0)
            --openCount_;
    }
    void Clear();

    bool HasFormat(unsigned short format) const;
    // The CF_BITMAP data, or null when the clipboard holds no picture. The bitmap is shared
    // with later calls until the clipboard changes: callers read it and never draw on it.
    HBITMAP GetAsBitmap() const;
    HPALETTE GetPalette() const { return nullptr; }
    // Empties the clipboard and puts the bitmap on it (the palette is not carried).
    void SetAsBitmap(const HBITMAP& bitmap, const HPALETTE& palette);

    // A graphic or a picture holder goes onto the clipboard through its clipboard format.
    void Assign(TPersistent* source) override;

protected:
    // Into a picture holder (by the registered clipboard class) or a bitmap.
    void AssignTo(TPersistent* dest) override;

private:
    // Paste steps read the clipboard at every mouse move; its picture is converted once and
    // kept until the system clipboard reports a change.
    void watch(QClipboard* clipboard) const;

    int openCount_ = 0;
    mutable QPointer<QClipboard> watched_;
    mutable QMetaObject::Connection watching_;
    mutable HBITMAP converted_;
};

// The program's one clipboard object.
TClipboard* Clipboard();
