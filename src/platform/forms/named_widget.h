#pragma once
// Object name and accessible name together, so that tests and screen readers find each control.

#include <QString>

namespace forms {

template <typename Widget>
Widget* named(Widget* widget, const QString& objectName, const QString& accessibleName)
{
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

} // namespace forms
