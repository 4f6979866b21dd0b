#pragma once
// Object name and accessible name together, so that tests and screen readers find each control.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QLineEdit>
#include <QString>
#include <QToolBar>
#include <QToolButton>

namespace forms {

template <typename Widget>
Widget* named(Widget* widget, const QString& objectName, const QString& accessibleName)
{
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

// Gives every button, slider and edit under root that has no accessible name its hint, else its
// caption, else the title of the tool bar it sits on; a tool bar's button made for a menu item
// takes the item's name. The toolkit's own parts (named "qt_...") are left as they are.
inline void nameControls(QWidget& root)
{
    for (QWidget* control : root.findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QAbstractSlider*>(control) &&
            !qobject_cast<QLineEdit*>(control))
            continue;
        if (control->objectName().startsWith(QStringLiteral("qt_")))
            continue;
        auto* button = qobject_cast<QToolButton*>(control);
        QAction* action = button ? button->defaultAction() : nullptr;
        if (action && control->objectName().isEmpty())
            control->setObjectName(action->objectName());
        if (!control->accessibleName().isEmpty())
            continue;
        QString name = control->toolTip();
        if (name.isEmpty() && action)
            name = action->text();
        if (auto* withText = qobject_cast<QAbstractButton*>(control); name.isEmpty() && withText)
            name = withText->text();
        if (auto* bar = qobject_cast<QToolBar*>(control->parentWidget()); name.isEmpty() && bar)
            name = bar->windowTitle();
        name.remove(QLatin1Char('&'));
        control->setAccessibleName(name);
    }
}

} // namespace forms
