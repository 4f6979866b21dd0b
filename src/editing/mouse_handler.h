#pragma once
// Mouse events of the picture view, in the framework's terms, and the base of the view's
// exchangeable mouse handlers.

#include <cstdint>

class TImageScrollBox;

enum TMouseButton : uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Modifier keys and held buttons of a mouse event.
enum TShiftStateFlag : uint8_t {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using TShiftState = uint8_t;

enum TCursor : int8_t {
    crDefault = 0,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crHandPoint = -21,
};

// Receives the view's image mouse events before the window does. The base only tracks whether
// a button is down.
class TMouseHandler {
public:
    explicit TMouseHandler(TImageScrollBox* view) : View(view) {}
    virtual ~TMouseHandler() = default;
    TMouseHandler(const TMouseHandler&) = delete;
    TMouseHandler& operator=(const TMouseHandler&) = delete;

    // Called before the displayed copy changes size or place.
    virtual void BeforeResize() {}
    virtual void MouseDown(TMouseButton, TShiftState, int, int) { Pressed = true; }
    virtual void MouseUp(TMouseButton, TShiftState, int, int) { Pressed = false; }
    virtual void MouseMove(TShiftState, int, int) {}

    TImageScrollBox* View;
    bool Pressed = false;
};
