#pragma once
// What a multiple-document child offers its frame: its own top-level menus for merging and a close
// query the frame can ask without closing it (before the program ends, every child is asked first
// and any refusal keeps all of them open).

#include "platform/forms/menu_merge.h"

class QMdiSubWindow;

namespace forms {

class MdiChild {
public:
    virtual ~MdiChild() = default;

    virtual MenuItems mergedMenus() const = 0;

    // True when the child may close now; may ask the user. The child's own close event must run
    // it too, so that closing the child alone asks the same question.
    virtual bool CloseQuery() { return true; }
};

// The child form held by a sub-window, when it is one.
MdiChild* mdiChildOf(const QMdiSubWindow* subWindow);

} // namespace forms
