#include "platform/forms/mdi_child.h"

#include <QMdiSubWindow>

namespace forms {

MdiChild* mdiChildOf(const QMdiSubWindow* subWindow)
{
    return subWindow ? dynamic_cast<MdiChild*>(subWindow->widget()) : nullptr;
}

} // namespace forms
