#pragma once
// Mouse and key input for widget tests. Events go through the application object, as the window
// system's would, so an error escaping a handler reaches the default error display.

#include <QPoint>
#include <Qt>

class QWidget;

namespace widget_test {

void mousePress(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Moves with the given buttons held (none: a plain move).
void mouseMove(QWidget* widget, QPoint pos, Qt::MouseButtons held = Qt::NoButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void mouseRelease(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void mouseClick(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void mouseDoubleClick(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
// Press at from, `moves` evenly spaced moves ending at to, release at to.
void mouseDrag(QWidget* widget, QPoint from, QPoint to, int moves = 4, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);

void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void keyClicks(QWidget* widget, const QString& text);

} // namespace widget_test
