#pragma once
// The framework's clipboard object over the system clipboard. Pictures travel as CF_BITMAP:
// a device-dependent bitmap in the screen's format. The system clipboard carries no palette,
// so CF_PALETTE is never offered.

#include "platform/framework/handles.h"
#include "platform/framework/persistent.h"

class TClipboard : public TPersistent {
public:
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
    // The CF_BITMAP data, or null when the clipboard holds no picture.
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
    int openCount_ = 0;
};

// The program's one clipboard object.
TClipboard* Clipboard();
