#pragma once
// Small input helpers for the lobby's widget tests: key presses and double-clicks sent
// straight to a widget, as the platform would deliver them.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace lobbytest {

inline void Key(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// Types the text one character at a time.
inline void Type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        Key(w, 0, QString(c));
}

inline void DoubleClick(QWidget* w, QPoint pos)
{
    const QPointF local(pos);
    const QPointF global(w->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w, &dbl);
    QApplication::sendEvent(w, &release);
}

} // namespace lobbytest
