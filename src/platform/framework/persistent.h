#pragma once
// The roots of the framework's class tree: TObject (a class name for messages) and
// TPersistent with the Assign / AssignTo protocol.

#include <QString>

#include <functional>

class TObject {
public:
    virtual ~TObject() = default;
    // The class name used in messages, e.g. "TBitmap".
    virtual QString ClassName() const { return QStringLiteral("TObject"); }
};

// Event with only the sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

// Assignment between objects of possibly different classes: the destination's Assign handles
// what it knows and otherwise asks the source's AssignTo; when neither knows the pair, the
// framework's assignment error "Cannot assign a %s to a %s" is raised (EConvertError).
class TPersistent : public TObject {
public:
    QString ClassName() const override { return QStringLiteral("TPersistent"); }

    // A null source is allowed; the default reports it as "nil".
    virtual void Assign(TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest);
    // Raises the assignment error for this object as the destination.
    [[noreturn]] void AssignError(TPersistent* source);

    // Lets a class's Assign fall back on another object's AssignTo.
    static void CallAssignTo(TPersistent* source, TPersistent* dest) { source->AssignTo(dest); }
};
