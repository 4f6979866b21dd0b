#include "widget_input.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace widget_test {

namespace {
void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers)
{
    const QPointF local(pos);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}
} // namespace

void mousePress(QWidget* widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    sendMouse(widget, QEvent::MouseButtonPress, pos, button, button, modifiers);
}

void mouseMove(QWidget* widget, QPoint pos, Qt::MouseButtons held, Qt::KeyboardModifiers modifiers)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, held, modifiers);
}

void mouseRelease(QWidget* widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    sendMouse(widget, QEvent::MouseButtonRelease, pos, button, Qt::NoButton, modifiers);
}

void mouseClick(QWidget* widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    mousePress(widget, pos, button, modifiers);
    mouseRelease(widget, pos, button, modifiers);
}

void mouseDoubleClick(QWidget* widget, QPoint pos, Qt::MouseButton button)
{
    mousePress(widget, pos, button);
    mouseRelease(widget, pos, button);
    sendMouse(widget, QEvent::MouseButtonDblClick, pos, button, button, Qt::NoModifier);
    mouseRelease(widget, pos, button);
}

void mouseDrag(QWidget* widget, QPoint from, QPoint to, int moves, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers)
{
    mousePress(widget, from, button, modifiers);
    for (int i = 1; i <= moves; ++i) {
        const QPoint step = from + (to - from) * i / moves;
        mouseMove(widget, step, button, modifiers);
    }
    mouseRelease(widget, to, button, modifiers);
}

void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(widget, key, modifiers);
}

void keyClicks(QWidget* widget, const QString& text)
{
    QTest::keyClicks(widget, text);
}

} // namespace widget_test
