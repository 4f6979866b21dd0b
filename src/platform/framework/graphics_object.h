#pragma once
// Common base of pens, brushes and fonts: a change notification for the canvas that owns them.

#include "platform/framework/persistent.h"

class TGraphicsObject : public TPersistent {
public:
    TGraphicsObject() = default;
    // Copies carry the value only: the notification belongs to the owner of the original.
    TGraphicsObject(const TGraphicsObject&) : TPersistent() {}
    TGraphicsObject& operator=(const TGraphicsObject&) { return *this; }

    QString ClassName() const override { return QStringLiteral("TGraphicsObject"); }
    TNotifyEvent OnChange;

protected:
    void Changed()
    {
        if (OnChange)
            OnChange(this);
    }
};
